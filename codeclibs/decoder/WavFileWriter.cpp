#include "WavFileWriter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tb::decoder {

namespace {
constexpr size_t HeaderBytes = 44; // without metadata chunks
constexpr size_t FileBufferBytes = 1 << 20;

void put16(uint8_t *at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void put32(uint8_t *at, uint32_t value)
{
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}
} // namespace

WavFileWriter::~WavFileWriter() { abandon(); }

std::string WavFileWriter::failure(const char *what) const
{
    return std::string("cannot ") + what + " output file \"" + path_ + "\": " + std::strerror(errno);
}

bool WavFileWriter::open(const std::string &path, std::string &error)
{
    abandon();
    path_ = path;
    hasFormat_ = false;
    dataBytes_ = 0;
    metadata_.clear();
    if (!out_.create(path)) {
        error = "cannot create output file \"" + path_ + "\": " + out_.error();
        return false;
    }
    file_ = out_.stream();
    std::setvbuf(file_, nullptr, _IOFBF, FileBufferBytes);
    if (!writeHeader()) {
        error = failure("write");
        abandon();
        return false;
    }
    return true;
}

void WavFileWriter::abandon()
{
    out_.abandon();
    file_ = nullptr;
}

void WavFileWriter::setFormat(const audio::PcmFormat &format)
{
    format_ = format;
    hasFormat_ = true;
}

bool WavFileWriter::setMetadata(std::vector<uint8_t> chunks, std::string &error)
{
    if (!file_ || dataBytes_ > 0 || chunks == metadata_)
        return true;
    metadata_ = std::move(chunks);
    bool ok = std::fflush(file_) == 0 && ftruncate(fileno(file_), 0) == 0 && std::fseek(file_, 0, SEEK_SET) == 0 &&
              writeHeader();
    if (!ok)
        error = failure("write");
    return ok;
}

size_t WavFileWriter::headerBytes() const { return HeaderBytes + metadata_.size(); }

bool WavFileWriter::writeHeader()
{
    audio::PcmFormat f = hasFormat_ ? format_ : audio::PcmFormat{};
    std::array<uint8_t, HeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], static_cast<uint32_t>(headerBytes() - 8 + dataBytes_));
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put32(&h[16], 16);
    put16(&h[20], 1); // PCM
    put16(&h[22], f.channels);
    put32(&h[24], f.rate);
    put32(&h[28], f.rate * f.bytesPerFrame());
    put16(&h[32], f.bytesPerFrame());
    put16(&h[34], f.bitsPerSample);
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], static_cast<uint32_t>(dataBytes_));
    // The metadata chunks sit between "fmt " (the first 36 bytes) and the data chunk's header.
    return std::fwrite(h.data(), 1, 36, file_) == 36 &&
           std::fwrite(metadata_.data(), 1, metadata_.size(), file_) == metadata_.size() &&
           std::fwrite(h.data() + 36, 1, 8, file_) == 8;
}

bool WavFileWriter::write(const void *data, size_t bytes, std::string &error)
{
    if (!file_) {
        error = "no output file is open";
        return false;
    }
    if (dataBytes_ + bytes > 0xFFFFFFFFull - (headerBytes() - 8)) {
        error = "output file \"" + path_ + "\" would exceed the 4 GB limit of a WAV file";
        return false;
    }
    if (std::fwrite(data, 1, bytes, file_) != bytes) {
        error = failure("write");
        return false;
    }
    dataBytes_ += bytes;
    return true;
}

bool WavFileWriter::updateHeader(std::string &error)
{
    if (!file_)
        return true;
    bool ok = std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0 && writeHeader() &&
              std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_END) == 0;
    if (!ok)
        error = failure("write");
    return ok;
}

bool WavFileWriter::close(std::string &error)
{
    if (!file_)
        return true;
    if (!updateHeader(error)) {
        abandon();
        return false;
    }
    file_ = nullptr;
    if (!out_.commit()) {
        error = "cannot write output file \"" + path_ + "\": " + out_.error();
        return false;
    }
    return true;
}

} // namespace tb::decoder
