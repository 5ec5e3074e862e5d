// Sources of PCM samples for the encoder: a RIFF WAVE file, or a caller's read function.
// Both deliver sample frames as two planes of 32-bit full-scale integers.
#pragma once

#include <tonebridge/gogo.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tb::encoder {

struct PcmFormat {
    int channels = 0;      // 1 or 2
    int sampleRate = 0;    // Hz
    int bitsPerSample = 0; // 8, 16, 24 or 32
    int64_t frames = -1;   // sample frames in all, -1 when unknown
};

class PcmSource {
public:
    virtual ~PcmSource() = default;
    const PcmFormat &format() const { return format_; }
    // Reads up to count sample frames into left and right (right repeats left for mono input).
    // Returns the number read; 0 at the end of the input; -1 on a read error.
    virtual long read(int32_t *left, int32_t *right, long count) = 0;

protected:
    // Widens interleaved little-endian PCM (8-bit unsigned, 16/24/32-bit signed) into planes.
    void unpack(const uint8_t *bytes, long frames, int32_t *left, int32_t *right) const;
    int bytesPerFrame() const { return format_.channels * format_.bitsPerSample / 8; }

    PcmFormat format_;
};

// A RIFF WAVE file of plain PCM (format tag 1, or the extensible format with PCM samples).
class WaveFileSource : public PcmSource {
public:
    ~WaveFileSource() override;
    // Opens and checks the file; returns null when it cannot be used.
    static WaveFileSource *open(const std::string &path);
    long read(int32_t *left, int32_t *right, long count) override;
    // Device and inode of the file, to tell whether the output would overwrite it.
    bool sameFileAs(const std::string &otherPath) const;

private:
    WaveFileSource() = default;
    bool parseHeader();

    std::FILE *file_ = nullptr;
    int64_t bytesLeft_ = 0;
    std::vector<uint8_t> buffer_;
};

// Interleaved signed PCM pulled through a read function.
class CallbackSource : public PcmSource {
public:
    // Returns null when the description is unusable.
    static CallbackSource *open(const MPGE_USERFUNC &description);
    long read(int32_t *left, int32_t *right, long count) override;

private:
    CallbackSource() = default;
    MPGE_READ_FUNC readFunction_ = nullptr;
    bool ended_ = false;
    int64_t framesLeft_ = -1; // -1: until the read function says the input is finished
    std::vector<uint8_t> buffer_;
};

} // namespace tb::encoder
