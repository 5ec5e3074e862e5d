#include "Resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <limits>

namespace tb::acm {

namespace {

AVSampleFormat packedFormat(unsigned bits)
{
    switch (bits) {
    case 8: return AV_SAMPLE_FMT_U8;
    case 16: return AV_SAMPLE_FMT_S16;
    case 24:
    case 32: return AV_SAMPLE_FMT_S32;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

} // namespace

std::unique_ptr<Resampler> Resampler::create(AVSampleFormat inFormat, unsigned inChannels, uint32_t inRate,
                                             const WAVEFORMATEX &out)
{
    const AVSampleFormat outFormat = packedFormat(out.wBitsPerSample);
    if (outFormat == AV_SAMPLE_FMT_NONE || inChannels == 0 || out.nChannels == 0 || inRate == 0 ||
        out.nSamplesPerSec == 0)
        return nullptr;
    std::unique_ptr<Resampler> r(new Resampler);
    AVChannelLayout inLayout{};
    AVChannelLayout outLayout{};
    av_channel_layout_default(&inLayout, int(inChannels));
    av_channel_layout_default(&outLayout, int(out.nChannels));
    const int made = swr_alloc_set_opts2(&r->swr_, &outLayout, outFormat, int(out.nSamplesPerSec), &inLayout, inFormat,
                                         int(inRate), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (made < 0 || !r->swr_ || swr_init(r->swr_) < 0)
        return nullptr;
    r->outChannels_ = out.nChannels;
    r->outBytes_ = out.wBitsPerSample / 8;
    r->inRate_ = inRate;
    r->outRate_ = out.nSamplesPerSec;
    r->pack24_ = out.wBitsPerSample == 24;
    r->resamples_ = inRate != out.nSamplesPerSec;
    return r;
}

Resampler::~Resampler()
{
    swr_free(&swr_);
}

uint64_t Resampler::maxOutputBytes(uint64_t inFrames) const
{
    inFrames = std::min<uint64_t>(inFrames, std::numeric_limits<int>::max() / 4);
    const int64_t frames = swr_get_out_samples(swr_, int(inFrames));
    return uint64_t(std::max<int64_t>(frames, 0) + 1) * outChannels_ * outBytes_;
}

int64_t Resampler::convert(const uint8_t *const *in, int inFrames, uint8_t *dst, uint32_t room)
{
    const unsigned frameBytes = outChannels_ * outBytes_;
    const int capacity = int(std::min<uint32_t>(room / frameBytes, std::numeric_limits<int>::max() / 8));
    if (!pack24_) {
        uint8_t *planes[1] = {dst};
        const int frames = swr_convert(swr_, planes, capacity, const_cast<const uint8_t **>(in), inFrames);
        return frames < 0 ? -1 : int64_t(frames) * frameBytes;
    }
    wide_.resize(size_t(capacity) * outChannels_ * 4);
    uint8_t *planes[1] = {wide_.data()};
    const int frames = swr_convert(swr_, planes, capacity, const_cast<const uint8_t **>(in), inFrames);
    if (frames < 0)
        return -1;
    const size_t samples = size_t(frames) * outChannels_;
    const uint8_t *from = wide_.data();
    for (size_t i = 0; i < samples; ++i, from += 4, dst += 3) {
        dst[0] = from[1];
        dst[1] = from[2];
        dst[2] = from[3];
    }
    return int64_t(samples) * 3;
}

} // namespace tb::acm
