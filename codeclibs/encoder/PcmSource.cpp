#include "PcmSource.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace tb::encoder {

namespace {

uint32_t le16(const uint8_t *p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatExtensible = 0xFFFE;
// The tail every WAVE_FORMAT_EXTENSIBLE sub-format GUID shares; the first two bytes are the tag.
constexpr uint8_t GuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// A data size of 0xFFFFFFFF marks a file written as a stream: the data runs to the end of the file.
constexpr uint32_t StreamedDataSize = 0xFFFFFFFF;

bool supportedLayout(int channels, int bits, int sampleRate)
{
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           sampleRate >= 1000 && sampleRate <= 768000;
}

} // namespace

void PcmSource::unpack(const uint8_t *p, long frames, int32_t *left, int32_t *right) const
{
    const int channels = format_.channels;
    const int width = format_.bitsPerSample / 8;
    for (long i = 0; i < frames; ++i) {
        int32_t value[2] = {0, 0};
        for (int c = 0; c < channels; ++c, p += width) {
            switch (width) {
            case 1: value[c] = static_cast<int32_t>(static_cast<uint32_t>(p[0] ^ 0x80) << 24); break;
            case 2: value[c] = static_cast<int32_t>(le16(p) << 16); break;
            case 3: value[c] = static_cast<int32_t>((le16(p) << 8 | uint32_t(p[2]) << 24)); break;
            default: value[c] = static_cast<int32_t>(le32(p)); break;
            }
        }
        left[i] = value[0];
        right[i] = channels == 2 ? value[1] : value[0];
    }
}

WaveFileSource::~WaveFileSource()
{
    if (file_)
        std::fclose(file_);
}

WaveFileSource *WaveFileSource::open(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return nullptr;
    auto *source = new WaveFileSource;
    source->file_ = file;
    struct stat st {};
    if (::fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode) || !source->parseHeader()) {
        delete source;
        return nullptr;
    }
    return source;
}

bool WaveFileSource::parseHeader()
{
    uint8_t riff[12];
    if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    struct stat st {};
    ::fstat(fileno(file_), &st);
    const int64_t fileSize = st.st_size;
    int64_t position = 12;
    bool haveFormat = false;
    for (;;) {
        uint8_t header[8];
        if (std::fread(header, 1, 8, file_) != 8)
            return false; // no data chunk
        position += 8;
        const uint32_t size = le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (size < 16 || size > 1024)
                return false;
            uint8_t fmt[1024];
            if (std::fread(fmt, 1, size, file_) != size)
                return false;
            uint16_t tag = le16(fmt);
            format_.channels = le16(fmt + 2);
            format_.sampleRate = static_cast<int>(std::min<uint32_t>(le32(fmt + 4), 0x7FFFFFFF));
            const uint32_t blockAlign = le16(fmt + 12);
            format_.bitsPerSample = le16(fmt + 14);
            if (tag == FormatExtensible) {
                // cbSize, valid bits, channel mask, then the sub-format GUID.
                if (size < 40 || std::memcmp(fmt + 26, GuidTail, sizeof GuidTail) != 0)
                    return false;
                tag = le16(fmt + 24);
            }
            if (tag != FormatPcm || !supportedLayout(format_.channels, format_.bitsPerSample, format_.sampleRate) ||
                blockAlign != static_cast<uint32_t>(bytesPerFrame()))
                return false;
            haveFormat = true;
            position += size;
            if (size & 1) {
                std::fseek(file_, 1, SEEK_CUR);
                ++position;
            }
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            const int64_t available = fileSize - position;
            int64_t bytes = size == StreamedDataSize ? available : size;
            if (bytes > available)
                return false; // truncated: the samples the header promises are not there
            format_.frames = bytes / bytesPerFrame();
            bytesLeft_ = format_.frames * bytesPerFrame();
            return format_.frames > 0;
        } else {
            // Chunks are padded to an even size.
            const int64_t skip = int64_t(size) + (size & 1);
            if (position + skip > fileSize || std::fseek(file_, static_cast<long>(skip), SEEK_CUR) != 0)
                return false;
            position += skip;
        }
    }
}

long WaveFileSource::read(int32_t *left, int32_t *right, long count)
{
    const long frames = static_cast<long>(std::min<int64_t>(count, bytesLeft_ / bytesPerFrame()));
    if (frames <= 0)
        return 0;
    const size_t bytes = static_cast<size_t>(frames) * bytesPerFrame();
    buffer_.resize(bytes);
    if (std::fread(buffer_.data(), 1, bytes, file_) != bytes)
        return -1;
    bytesLeft_ -= static_cast<int64_t>(bytes);
    unpack(buffer_.data(), frames, left, right);
    return frames;
}

bool WaveFileSource::sameFileAs(const std::string &otherPath) const
{
    struct stat mine {}, other {};
    return ::fstat(fileno(file_), &mine) == 0 && ::stat(otherPath.c_str(), &other) == 0 &&
           mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

CallbackSource *CallbackSource::open(const MPGE_USERFUNC &description)
{
    if (!description.read || !supportedLayout(description.channels, description.bitsPerSample, description.sampleRate) ||
        description.bitsPerSample == 8 || (description.totalSize < 0 && description.totalSize != -1))
        return nullptr;
    auto *source = new CallbackSource;
    source->readFunction_ = description.read;
    source->format_.channels = description.channels;
    source->format_.sampleRate = description.sampleRate;
    source->format_.bitsPerSample = description.bitsPerSample;
    source->format_.frames = description.totalSize < 0 ? -1 : description.totalSize / source->bytesPerFrame();
    source->framesLeft_ = source->format_.frames;
    return source;
}

long CallbackSource::read(int32_t *left, int32_t *right, long count)
{
    if (framesLeft_ >= 0)
        count = static_cast<long>(std::min<int64_t>(count, framesLeft_));
    if (ended_ || count <= 0)
        return 0;
    buffer_.assign(static_cast<size_t>(count) * bytesPerFrame(), 0);
    if (readFunction_(buffer_.data(), static_cast<int32_t>(buffer_.size())) != 0) {
        ended_ = true;
        return 0;
    }
    if (framesLeft_ >= 0)
        framesLeft_ -= count;
    unpack(buffer_.data(), count, left, right);
    return count;
}

} // namespace tb::encoder
