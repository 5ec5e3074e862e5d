#include "PcmSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace tb::encoder {

namespace {

uint32_t le16(const uint8_t *p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint64_t le64(const uint8_t *p) { return le32(p) | uint64_t(le32(p + 4)) << 32; }

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatFloat = 3;
constexpr uint16_t FormatExtensible = 0xFFFE;
// The tail every WAVE_FORMAT_EXTENSIBLE sub-format GUID shares; the first two bytes are the tag.
constexpr uint8_t GuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int MaxChannels = 32;

bool supportedRate(int sampleRate) { return sampleRate >= 1000 && sampleRate <= 768000; }

bool supportedIntegerBits(int bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// A floating-point sample as a full-scale 32-bit integer; beyond full scale it clips.
int32_t fromFloat(double x)
{
    if (!(x == x))
        return 0; // not a number
    const double scaled = x * 2147483648.0;
    if (scaled >= 2147483647.0)
        return INT32_MAX;
    if (scaled <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(std::lrint(scaled));
}

int32_t sampleAt(const uint8_t *p, int width, bool isFloat)
{
    if (isFloat) {
        if (width == 4) {
            const uint32_t bits = le32(p);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return fromFloat(f);
        }
        const uint64_t bits = le64(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return fromFloat(d);
    }
    switch (width) {
    case 1: return static_cast<int32_t>(static_cast<uint32_t>(p[0] ^ 0x80) << 24);
    case 2: return static_cast<int32_t>(le16(p) << 16);
    case 3: return static_cast<int32_t>((le16(p) << 8 | uint32_t(p[2]) << 24));
    default: return static_cast<int32_t>(le32(p));
    }
}

} // namespace

void PcmSource::unpack(const uint8_t *p, long frames, int32_t *left, int32_t *right) const
{
    const int channels = format_.storedChannels;
    const int width = format_.bitsPerSample / 8;
    const bool isFloat = format_.floatSamples;
    int32_t frame[MaxChannels];
    for (long i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c, p += width)
            frame[c] = sampleAt(p, width, isFloat);
        if (downmix_) {
            downmix_->mix(frame, left[i], right[i]);
        } else {
            left[i] = frame[0];
            right[i] = channels == 2 ? frame[1] : frame[0];
        }
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

bool WaveFileSource::parseFormat(const uint8_t *fmt, uint32_t size)
{
    uint16_t tag = le16(fmt);
    const int channels = le16(fmt + 2);
    const int sampleRate = static_cast<int>(std::min<uint32_t>(le32(fmt + 4), 0x7FFFFFFF));
    const uint32_t blockAlign = le16(fmt + 12);
    const int bits = le16(fmt + 14);
    uint32_t channelMask = 0;
    if (tag == FormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID.
        if (size < 40 || le16(fmt + 16) < 22 || std::memcmp(fmt + 26, GuidTail, sizeof GuidTail) != 0)
            return false;
        channelMask = le32(fmt + 20);
        tag = static_cast<uint16_t>(le16(fmt + 24));
    }
    const bool isFloat = tag == FormatFloat;
    if (tag != FormatPcm && !isFloat)
        return false; // compressed
    if (isFloat ? (bits != 32 && bits != 64) : !supportedIntegerBits(bits))
        return false;
    if (channels < 1 || channels > MaxChannels || !supportedRate(sampleRate) ||
        blockAlign != static_cast<uint32_t>(channels * bits / 8))
        return false;
    format_.storedChannels = channels;
    format_.channels = std::min(channels, 2);
    format_.sampleRate = sampleRate;
    format_.bitsPerSample = bits;
    format_.floatSamples = isFloat;
    if (channels > 2)
        downmix_ = std::make_unique<Downmix>(channels, channelMask);
    return true;
}

// True when the bytes at position look like a chunk header (an id of four printable characters
// and a size that fits the file), not like sample data.
bool WaveFileSource::chunkHeaderAt(int64_t position, int64_t fileSize)
{
    uint8_t header[8];
    if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0 || std::fread(header, 1, 8, file_) != 8)
        return false;
    for (int i = 0; i < 4; ++i)
        if (header[i] < 0x20 || header[i] > 0x7E)
            return false;
    return position + 8 + int64_t(le32(header + 4)) <= fileSize;
}

bool WaveFileSource::parseHeader()
{
    uint8_t riff[12];
    if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    // RF64 is RIFF with 64-bit sizes in a ds64 chunk that comes first.
    const bool rf64 = std::memcmp(riff, "RF64", 4) == 0;
    if (!rf64 && std::memcmp(riff, "RIFF", 4) != 0)
        return false;
    struct stat st {};
    ::fstat(fileno(file_), &st);
    const int64_t fileSize = st.st_size;
    int64_t position = 12;
    uint64_t rf64DataSize = 0;
    bool haveFormat = false;
    for (;;) {
        uint8_t header[8];
        if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0 || std::fread(header, 1, 8, file_) != 8)
            return false; // no data chunk
        position += 8;
        const uint32_t size = le32(header + 4);
        if (rf64 && position == 20) {
            uint8_t sizes[16];
            if (std::memcmp(header, "ds64", 4) != 0 || size < 16 || std::fread(sizes, 1, 16, file_) != 16)
                return false;
            rf64DataSize = le64(sizes + 8);
        }
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (haveFormat || size < 16 || size > 1024)
                return false;
            uint8_t fmt[1024];
            if (std::fread(fmt, 1, size, file_) != size || !parseFormat(fmt, size))
                return false;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            const int64_t available = fileSize - position;
            int64_t bytes = size;
            if (rf64 && size == 0xFFFFFFFF)
                bytes = static_cast<int64_t>(std::min<uint64_t>(rf64DataSize, uint64_t(INT64_MAX / 2)));
            if (bytes == 0 && chunkHeaderAt(position, fileSize))
                continue; // an empty data chunk; the samples follow in another
            // A size that is open (0 or 0xFFFFFFFF: written to a pipe) or larger than the file
            // (an interrupted recording) means: the samples run to the end of the file.
            if (bytes == 0 || bytes > available)
                bytes = available;
            format_.frames = bytes / bytesPerFrame();
            bytesLeft_ = format_.frames * bytesPerFrame();
            return format_.frames > 0 && std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
        }
        // Chunks are padded to an even size.
        const int64_t next = position + int64_t(size) + (size & 1);
        if (next > fileSize)
            return false;
        position = next;
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
    if (!description.read || (description.channels != 1 && description.channels != 2) ||
        !supportedIntegerBits(description.bitsPerSample) || !supportedRate(description.sampleRate) ||
        description.bitsPerSample == 8 || (description.totalSize < 0 && description.totalSize != -1))
        return nullptr;
    auto *source = new CallbackSource;
    source->readFunction_ = description.read;
    source->format_.channels = description.channels;
    source->format_.storedChannels = description.channels;
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
