// MPEG audio Layer 1/2 (0x0050) and Layer 3 (0x0055) inside a wave file to 16-bit PCM through
// libmpg123, fed as it arrives.
#include "Acm.h"
#include "AcmDriver.h"

#include <mpg123.h>

#include <algorithm>
#include <limits>
#include <mutex>

namespace tb::acm {

namespace {

constexpr uint32_t FeedBytes = 2048;     // input handed to the decoder at a time
constexpr uint32_t FrameSamples = 1152;  // the most samples one frame decodes to

bool rateSupported(uint32_t rate)
{
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    return std::find(rates, rates + count, long(rate)) != rates + count;
}

bool takes(const WAVEFORMATEX &src)
{
    return (src.wFormatTag == WAVE_FORMAT_MPEG || src.wFormatTag == WAVE_FORMAT_MPEGLAYER3) &&
           (src.nChannels == 1 || src.nChannels == 2) && rateSupported(src.nSamplesPerSec);
}

class MpegConversion : public AcmConversion {
public:
    static std::unique_ptr<MpegConversion> open(const WAVEFORMATEX &src)
    {
        int error = MPG123_OK;
        mpg123_handle *handle = mpg123_new(nullptr, &error);
        if (!handle)
            return nullptr;
        std::unique_ptr<MpegConversion> c(new MpegConversion(src, handle));
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // The wave header names the one format the output carries.
        mpg123_format_none(handle);
        if (mpg123_format(handle, long(src.nSamplesPerSec), src.nChannels == 1 ? MPG123_MONO : MPG123_STEREO,
                          MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_open_feed(handle) != MPG123_OK)
            return nullptr;
        return c;
    }

    ~MpegConversion() override
    {
        mpg123_delete(handle_);
    }

    uint32_t destinationSize(uint32_t sourceBytes) const override
    {
        // As many frames as the bytes could hold at the stream's bit rate, with room to spare
        // for a variable rate, and never less than two frames.
        const uint64_t pcmRate = uint64_t(src_.nSamplesPerSec) * frameBytes_ / FrameSamples * FrameSamples;
        const uint64_t avg = src_.nAvgBytesPerSec >= 1000 ? src_.nAvgBytesPerSec : 1000;
        const uint64_t estimate = uint64_t(sourceBytes) * pcmRate / avg * 2;
        const uint64_t bytes = std::max<uint64_t>(estimate, 2 * uint64_t(FrameSamples) * frameBytes_);
        return uint32_t(std::min<uint64_t>(bytes, 64u << 20));
    }
    uint32_t sourceSize(uint32_t destinationBytes) const override
    {
        const uint64_t pcmRate = uint64_t(src_.nSamplesPerSec) * frameBytes_;
        const uint64_t avg = src_.nAvgBytesPerSec >= 1000 ? src_.nAvgBytesPerSec : 1000;
        return uint32_t(std::min<uint64_t>(uint64_t(destinationBytes) * avg / pcmRate / 2,
                                           std::numeric_limits<uint32_t>::max()));
    }

    uint32_t convert(const uint8_t *src, uint32_t srcLength, uint32_t &used, uint8_t *dst, uint32_t dstLength,
                     uint32_t &produced, uint32_t) override
    {
        used = 0;
        produced = 0;
        const uint32_t frameOutput = FrameSamples * frameBytes_;
        for (;;) {
            size_t done = 0;
            const int result = mpg123_decode(handle_, nullptr, 0, dst + produced, dstLength - produced, &done);
            produced += uint32_t(done);
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
                    rate != long(src_.nSamplesPerSec) || channels != src_.nChannels)
                    return ACMERR_NOTPOSSIBLE;
                continue;
            }
            if (result == MPG123_NEED_MORE) {
                // More input only while a whole frame of output still fits; the rest stays with
                // the caller.
                if (used < srcLength && dstLength - produced >= frameOutput) {
                    const uint32_t feed = std::min(FeedBytes, srcLength - used);
                    if (mpg123_feed(handle_, src + used, feed) != MPG123_OK)
                        return ACMERR_NOTPOSSIBLE;
                    used += feed;
                    continue;
                }
                break;
            }
            if (result == MPG123_OK) {
                if (done == 0 || produced >= dstLength)
                    break;
                continue;
            }
            if (result == MPG123_DONE)
                break;
            return ACMERR_NOTPOSSIBLE;
        }
        return MMSYSERR_NOERROR;
    }

private:
    MpegConversion(const WAVEFORMATEX &src, mpg123_handle *handle)
        : src_(src), handle_(handle), frameBytes_(2u * src.nChannels)
    {
    }

    WAVEFORMATEX src_;
    mpg123_handle *handle_;
    uint32_t frameBytes_;
};

class MpegDriver : public AcmDriver {
public:
    MpegDriver()
    {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
    }
    bool accepts(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        return takes(src) && isPcmTarget(dst, src.nChannels, src.nSamplesPerSec, 16);
    }
    std::optional<WAVEFORMATEX> natural(const WAVEFORMATEX &src) const override
    {
        if (!takes(src))
            return std::nullopt;
        return pcmFormat(src.nChannels, src.nSamplesPerSec, 16);
    }
    std::unique_ptr<AcmConversion> open(const WAVEFORMATEX &src, const WAVEFORMATEX &) const override
    {
        return MpegConversion::open(src);
    }
};

} // namespace

std::unique_ptr<AcmDriver> makeMpegDriver()
{
    return std::make_unique<MpegDriver>();
}

} // namespace tb::acm
