// Writes 16-bit PCM into a RIFF WAVE file whose header sizes are kept correct.
#pragma once

#include "platform/audio/AudioSink.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tb::decoder {

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter &) = delete;
    WavFileWriter &operator=(const WavFileWriter &) = delete;

    // Creates (or empties) the file. On failure `error` says why.
    bool open(const std::string &path, std::string &error);
    bool isOpen() const { return file_ != nullptr; }
    const std::string &path() const { return path_; }

    // The format is fixed by the first data; false when data of another format arrives.
    bool hasFormat() const { return hasFormat_; }
    const audio::PcmFormat &format() const { return format_; }
    void setFormat(const audio::PcmFormat &format);
    // Chunks (tags) that go between "fmt " and "data"; taken only before the first sample is
    // written, and the header is rewritten at once so the samples follow it.
    bool setMetadata(std::vector<uint8_t> chunks, std::string &error);

    bool write(const void *data, size_t bytes, std::string &error);
    // Brings the header up to date so the file is complete as it stands.
    bool updateHeader(std::string &error);
    // Completes and closes the file.
    bool close(std::string &error);

private:
    bool writeHeader();
    size_t headerBytes() const;
    std::string failure(const char *what) const;

    std::FILE *file_ = nullptr;
    std::string path_;
    audio::PcmFormat format_;
    bool hasFormat_ = false;
    uint64_t dataBytes_ = 0;
    std::vector<uint8_t> metadata_;
};

} // namespace tb::decoder
