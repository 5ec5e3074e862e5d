// The seekable byte source the MPEG probe and the tag reader read from.
#pragma once

#include <QString>
#include <cstdint>

namespace tb {

class ProbeStream {
public:
    virtual ~ProbeStream() = default;
    virtual int64_t position() const = 0;
    virtual int64_t size() const = 0;
    // Moves to an absolute position; raises EInOutError when that is impossible.
    virtual void seek(int64_t position) = 0;
    // Reads up to count bytes at the current position; returns how many came.
    virtual int64_t read(void *buffer, int64_t count) = 0;

    // Reads exactly count bytes or raises EInOutError (a file that shrank, a read error).
    void readExactly(void *buffer, int64_t count);
};

// A file opened for reading only, shared with other programs that may read and write it.
class FileProbeStream : public ProbeStream {
public:
    // Raises EInOutError with the system's reason when the file cannot be opened.
    explicit FileProbeStream(const QString &fileName);
    ~FileProbeStream() override;
    FileProbeStream(const FileProbeStream &) = delete;
    FileProbeStream &operator=(const FileProbeStream &) = delete;

    int64_t position() const override { return position_; }
    int64_t size() const override { return size_; }
    void seek(int64_t position) override;
    int64_t read(void *buffer, int64_t count) override;

private:
    int fd_ = -1;
    bool regular_ = false;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

// Bytes in memory, not copied: they must outlive the stream.
class MemoryProbeStream : public ProbeStream {
public:
    MemoryProbeStream(const void *data, int64_t size) : data_(static_cast<const uint8_t *>(data)), size_(size) {}

    int64_t position() const override { return position_; }
    int64_t size() const override { return size_; }
    void seek(int64_t position) override;
    int64_t read(void *buffer, int64_t count) override;

private:
    const uint8_t *data_;
    int64_t size_;
    int64_t position_ = 0;
};

} // namespace tb
