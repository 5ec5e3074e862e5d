// PCM to PCM: sample width, channel count and rate, through libswresample. Two things it does not
// do are done here: reading packed 24-bit samples (it has no such format), and rounding when
// samples get narrower (it truncates, where the reference tools round to nearest).
#include "Acm.h"
#include "AcmDriver.h"
#include "Resampler.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tb::acm {

namespace {

AVSampleFormat inputFormat(unsigned bits)
{
    switch (bits) {
    case 8: return AV_SAMPLE_FMT_U8;
    case 16: return AV_SAMPLE_FMT_S16;
    default: return AV_SAMPLE_FMT_S32; // 24-bit input is widened to 32 bits first
    }
}

class PcmConversion : public AcmConversion {
public:
    PcmConversion(const WAVEFORMATEX &src, const WAVEFORMATEX &dst, std::unique_ptr<Resampler> resampler)
        : src_(src), dst_(dst), resampler_(std::move(resampler))
    {
    }

    uint32_t destinationSize(uint32_t sourceBytes) const override
    {
        const uint64_t frames = sourceBytes / src_.nBlockAlign;
        const uint64_t out = (frames * dst_.nSamplesPerSec + src_.nSamplesPerSec - 1) / src_.nSamplesPerSec +
                             (resampler_->resamples() ? HeldFrames : 0);
        return uint32_t(std::min<uint64_t>(out * dst_.nBlockAlign, std::numeric_limits<uint32_t>::max()));
    }

    uint32_t sourceSize(uint32_t destinationBytes) const override
    {
        uint64_t frames = destinationBytes / dst_.nBlockAlign;
        if (resampler_->resamples())
            frames = frames > HeldFrames ? frames - HeldFrames : 0;
        const uint64_t in = frames * src_.nSamplesPerSec / dst_.nSamplesPerSec;
        return uint32_t(std::min<uint64_t>(in * src_.nBlockAlign, std::numeric_limits<uint32_t>::max()));
    }

    uint32_t convert(const uint8_t *src, uint32_t srcLength, uint32_t &used, uint8_t *dst, uint32_t dstLength,
                     uint32_t &produced, uint32_t flags) override
    {
        used = 0;
        produced = 0;
        uint64_t frames = srcLength / src_.nBlockAlign;
        // Take only what the destination holds; the rest stays with the caller.
        while (frames > 0 && resampler_->maxOutputBytes(frames) > dstLength)
            frames = frames * 7 / 8;
        if (frames > 0) {
            const uint8_t *input = prepare(src, size_t(frames));
            const int64_t n = resampler_->convert(&input, int(frames), dst, dstLength);
            if (n < 0)
                return ACMERR_NOTPOSSIBLE;
            used = uint32_t(frames * src_.nBlockAlign);
            produced = uint32_t(n);
        }
        if (flags & ACM_STREAMCONVERTF_END) {
            // The end: what the resampler holds comes out, a partial frame is given up.
            const int64_t n = resampler_->convert(nullptr, 0, dst + produced, dstLength - produced);
            if (n < 0)
                return ACMERR_NOTPOSSIBLE;
            produced += uint32_t(n);
            if (used + src_.nBlockAlign > srcLength)
                used = srcLength;
        }
        return MMSYSERR_NOERROR;
    }

private:
    static constexpr uint64_t HeldFrames = 64; // what the resampler may keep back and give later

    // The input as the resampler reads it: 24-bit samples widened, and samples that get narrower
    // shifted by half an output step so that the resampler's truncation rounds to nearest.
    const uint8_t *prepare(const uint8_t *src, size_t frames)
    {
        const unsigned inBits = src_.wBitsPerSample;
        const unsigned outBits = dst_.wBitsPerSample;
        const size_t samples = frames * src_.nChannels;
        if (inBits == 24) {
            scratch_.resize(samples * 4);
            auto *wide = reinterpret_cast<int32_t *>(scratch_.data());
            for (size_t i = 0; i < samples; ++i, src += 3)
                wide[i] = int32_t(uint32_t(src[0]) << 8 | uint32_t(src[1]) << 16 | uint32_t(src[2]) << 24);
            if (outBits < 24)
                roundBias(wide, samples, 32 - outBits);
            return scratch_.data();
        }
        if (outBits >= inBits || inBits == 8)
            return src;
        scratch_.assign(src, src + samples * (inBits / 8));
        if (inBits == 16)
            roundBias(reinterpret_cast<int16_t *>(scratch_.data()), samples, 16 - outBits);
        else
            roundBias(reinterpret_cast<int32_t *>(scratch_.data()), samples, 32 - outBits);
        return scratch_.data();
    }

    template <typename Sample>
    static void roundBias(Sample *samples, size_t count, unsigned droppedBits)
    {
        const int64_t half = int64_t(1) << (droppedBits - 1);
        constexpr int64_t top = std::numeric_limits<Sample>::max();
        for (size_t i = 0; i < count; ++i)
            samples[i] = Sample(std::min<int64_t>(int64_t(samples[i]) + half, top));
    }

    WAVEFORMATEX src_;
    WAVEFORMATEX dst_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<uint8_t> scratch_;
};

class PcmDriver : public AcmDriver {
public:
    bool accepts(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        return isUsablePcm(effectiveFormat(src)) && isUsablePcm(dst);
    }

    std::optional<WAVEFORMATEX> natural(const WAVEFORMATEX &src) const override
    {
        const WAVEFORMATEX in = effectiveFormat(src);
        if (!isUsablePcm(in))
            return std::nullopt;
        return pcmFormat(in.nChannels, in.nSamplesPerSec, in.wBitsPerSample);
    }

    std::unique_ptr<AcmConversion> open(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        const WAVEFORMATEX in = effectiveFormat(src);
        auto resampler = Resampler::create(inputFormat(in.wBitsPerSample), in.nChannels, in.nSamplesPerSec, dst);
        if (!resampler)
            return nullptr;
        return std::make_unique<PcmConversion>(in, dst, std::move(resampler));
    }
};

} // namespace

std::unique_ptr<AcmDriver> makePcmDriver()
{
    return std::make_unique<PcmDriver>();
}

} // namespace tb::acm
