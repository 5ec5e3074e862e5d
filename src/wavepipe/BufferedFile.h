// A read-only file with its own read buffer of a chosen size.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace tb {

class BufferedFile {
public:
    BufferedFile() = default;
    ~BufferedFile() { close(); }
    BufferedFile(const BufferedFile &) = delete;
    BufferedFile &operator=(const BufferedFile &) = delete;

    // Opens a regular file for reading; false for anything else (missing, FIFO, folder...).
    // Other programs may go on reading and writing it.
    bool open(const QString &fileName);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    int64_t size() const { return size_; }
    int64_t position() const { return position_; }
    // Positions within 0..size succeed; anything else fails and changes nothing.
    bool seek(int64_t position);
    // Reads up to count bytes; returns how many came (0 at the end, -1 on a read error).
    int64_t read(void *buffer, int64_t count);
    // Reads exactly count bytes, or returns false.
    bool readExactly(void *buffer, int64_t count) { return read(buffer, count) == count; }

    // Resizes the read buffer; keeps the position.
    void setBufferSize(int64_t bytes);

private:
    int fd_ = -1;
    int64_t size_ = 0;
    int64_t position_ = 0;    // logical position of the next byte to deliver
    std::vector<char> buffer_;
    int64_t bufferStart_ = 0; // file offset of buffer_[0]
    int64_t bufferFill_ = 0;  // valid bytes in buffer_
};

} // namespace tb
