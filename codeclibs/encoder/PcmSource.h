// Sources of PCM samples for the encoder: a RIFF WAVE file, or a caller's read function.
// Both deliver sample frames as two planes of 32-bit full-scale integers.
#pragma once

#include "Downmix.h"

#include <tonebridge/gogo.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tb::encoder {

struct PcmFormat {
    int channels = 0;       // what the source delivers: 1, or 2 (also for a mixed-down source)
    int sampleRate = 0;     // Hz
    int bitsPerSample = 0;  // of the stored samples: 8, 16, 24 or 32; 32 or 64 for floating point
    bool floatSamples = false;
    int storedChannels = 0; // channels in the file
    int64_t frames = -1;    // sample frames in all, -1 when unknown
};

class PcmSource {
public:
    virtual ~PcmSource() = default;
    const PcmFormat &format() const { return format_; }
    // Reads up to count sample frames into left and right (right repeats left for mono input).
    // Returns the number read; 0 at the end of the input; -1 on a read error.
    virtual long read(int32_t *left, int32_t *right, long count) = 0;

protected:
    // Widens interleaved little-endian samples (8-bit unsigned, 16/24/32-bit signed integers, or
    // 32/64-bit floating point) into planes; more than two channels are mixed down.
    void unpack(const uint8_t *bytes, long frames, int32_t *left, int32_t *right) const;
    int bytesPerFrame() const { return format_.storedChannels * format_.bitsPerSample / 8; }

    PcmFormat format_;
    std::unique_ptr<Downmix> downmix_; // for more than two channels
};

// A RIFF (or RF64) WAVE file of uncompressed samples: PCM or IEEE float, plain or in the
// extensible format.
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
    bool parseFormat(const uint8_t *fmt, uint32_t size);
    bool chunkHeaderAt(int64_t position, int64_t fileSize);

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
