// Sample format, channel count and rate changes through libswresample, writing packed PCM of
// 8, 16, 24 or 32 bits. libswresample has no packed 24-bit format, so 24-bit output is made
// from its 32-bit output by dropping the lowest byte.
#pragma once

#include "tonebridge/wave.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace tb::acm {

class Resampler {
public:
    // Null when libswresample refuses the combination.
    static std::unique_ptr<Resampler> create(AVSampleFormat inFormat, unsigned inChannels, uint32_t inRate,
                                             const WAVEFORMATEX &out);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    // Upper bound of the output bytes for inFrames more input frames (including what is held).
    uint64_t maxOutputBytes(uint64_t inFrames) const;
    // Converts inFrames frames (one pointer per plane; one for packed formats) and writes at most
    // room bytes; returns the bytes written or -1. Passing no input drains what is held.
    int64_t convert(const uint8_t *const *in, int inFrames, uint8_t *dst, uint32_t room);
    bool resamples() const { return resamples_; }

private:
    Resampler() = default;

    SwrContext *swr_ = nullptr;
    unsigned outChannels_ = 0;
    unsigned outBytes_ = 0; // bytes per output sample
    uint32_t inRate_ = 0;
    uint32_t outRate_ = 0;
    bool pack24_ = false;
    bool resamples_ = false;
    std::vector<uint8_t> wide_; // 32-bit output waiting to be packed to 24 bits
};

} // namespace tb::acm
