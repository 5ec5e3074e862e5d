// GSM 6.10 (0x0031), A-law (0x0006), mu-law (0x0007) and IEEE float (0x0003, also inside
// WAVE_FORMAT_EXTENSIBLE) to 16-bit PCM through libavcodec, packet by packet, and its samples to
// packed PCM through libswresample.
#include "Acm.h"
#include "AcmDriver.h"
#include "Resampler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <limits>
#include <mutex>

namespace tb::acm {

namespace {

constexpr unsigned GsmBlockBytes = 65;
constexpr unsigned GsmBlockSamples = 320;
// Sample-per-byte codecs are fed many frames in one packet.
constexpr uint32_t PacketBytes = 8192;

struct CodecChoice {
    AVCodecID id = AV_CODEC_ID_NONE;
    unsigned packetAlign = 0;  // bytes of one packet unit (a GSM block, one frame of samples)
    unsigned samplesPerUnit = 0; // frames one unit decodes to
};

CodecChoice chooseCodec(const WAVEFORMATEX &raw)
{
    const WAVEFORMATEX src = effectiveFormat(raw);
    const unsigned channels = src.nChannels;
    if (channels < 1 || channels > MaxChannels || src.nSamplesPerSec < MinRate || src.nSamplesPerSec > MaxRate)
        return {};
    switch (src.wFormatTag) {
    case WAVE_FORMAT_GSM610:
        // the 65-byte framing of two GSM frames, mono only
        if (channels == 1 && src.nBlockAlign == GsmBlockBytes)
            return {AV_CODEC_ID_GSM_MS, GsmBlockBytes, GsmBlockSamples};
        return {};
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW:
        if (src.wBitsPerSample == 8 && src.nBlockAlign == channels)
            return {src.wFormatTag == WAVE_FORMAT_ALAW ? AV_CODEC_ID_PCM_ALAW : AV_CODEC_ID_PCM_MULAW, channels, 1};
        return {};
    case WAVE_FORMAT_IEEE_FLOAT:
        if (src.wBitsPerSample == 32 && src.nBlockAlign == 4 * channels)
            return {AV_CODEC_ID_PCM_F32LE, 4 * channels, 1};
        if (src.wBitsPerSample == 64 && src.nBlockAlign == 8 * channels)
            return {AV_CODEC_ID_PCM_F64LE, 8 * channels, 1};
        return {};
    default: return {};
    }
}

class AvCodecConversion : public AcmConversion {
public:
    static std::unique_ptr<AvCodecConversion> open(const WAVEFORMATEX &raw, const WAVEFORMATEX &dst)
    {
        const WAVEFORMATEX src = effectiveFormat(raw);
        const CodecChoice choice = chooseCodec(raw);
        const AVCodec *codec = avcodec_find_decoder(choice.id);
        if (!codec)
            return nullptr;
        std::unique_ptr<AvCodecConversion> c(new AvCodecConversion(dst, choice));
        c->context_ = avcodec_alloc_context3(codec);
        c->packet_ = av_packet_alloc();
        c->frame_ = av_frame_alloc();
        if (!c->context_ || !c->packet_ || !c->frame_)
            return nullptr;
        c->context_->sample_rate = int(src.nSamplesPerSec);
        av_channel_layout_default(&c->context_->ch_layout, int(src.nChannels));
        c->context_->block_align = src.nBlockAlign;
        c->context_->bits_per_coded_sample = src.wBitsPerSample;
        if (avcodec_open2(c->context_, codec, nullptr) < 0)
            return nullptr;
        return c;
    }

    ~AvCodecConversion() override
    {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&context_);
    }

    uint32_t destinationSize(uint32_t sourceBytes) const override
    {
        return uint32_t(std::min<uint64_t>(uint64_t(sourceBytes / choice_.packetAlign) * unitOutput(),
                                           std::numeric_limits<uint32_t>::max()));
    }
    uint32_t sourceSize(uint32_t destinationBytes) const override
    {
        return uint32_t(std::min<uint64_t>(uint64_t(destinationBytes / unitOutput()) * choice_.packetAlign,
                                           std::numeric_limits<uint32_t>::max()));
    }

    uint32_t convert(const uint8_t *src, uint32_t srcLength, uint32_t &used, uint8_t *dst, uint32_t dstLength,
                     uint32_t &produced, uint32_t flags) override
    {
        used = 0;
        produced = 0;
        const uint32_t unitsPerPacket = choice_.id == AV_CODEC_ID_GSM_MS ? 1 : std::max(1u, PacketBytes / choice_.packetAlign);
        for (;;) {
            const uint32_t unitsLeft = (srcLength - used) / choice_.packetAlign;
            const uint32_t unitsRoom = (dstLength - produced) / unitOutput();
            const uint32_t units = std::min({unitsLeft, unitsRoom, unitsPerPacket});
            if (units == 0)
                break;
            const uint32_t bytes = units * choice_.packetAlign;
            const int64_t n = decodePacket(src + used, bytes, dst + produced, dstLength - produced);
            if (n < 0)
                return ACMERR_NOTPOSSIBLE;
            used += bytes;
            produced += uint32_t(n);
        }
        // A partial GSM block or sample frame at the end cannot be decoded; it is given up.
        if ((flags & ACM_STREAMCONVERTF_END) && srcLength - used < choice_.packetAlign)
            used = srcLength;
        return MMSYSERR_NOERROR;
    }

private:
    AvCodecConversion(const WAVEFORMATEX &dst, CodecChoice choice) : dst_(dst), choice_(choice)
    {
    }

    uint32_t unitOutput() const { return choice_.samplesPerUnit * dst_.nBlockAlign; }

    int64_t decodePacket(const uint8_t *data, uint32_t bytes, uint8_t *dst, uint32_t room)
    {
        // The packet only borrows the caller's bytes for the send call.
        packet_->data = const_cast<uint8_t *>(data);
        packet_->size = int(bytes);
        const int sent = avcodec_send_packet(context_, packet_);
        packet_->data = nullptr;
        packet_->size = 0;
        if (sent < 0)
            return -1;
        int64_t written = 0;
        for (;;) {
            const int got = avcodec_receive_frame(context_, frame_);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                break;
            if (got < 0)
                return -1;
            if (!resampler_) {
                resampler_ = Resampler::create(AVSampleFormat(frame_->format), unsigned(frame_->ch_layout.nb_channels),
                                               uint32_t(frame_->sample_rate), dst_);
                if (!resampler_)
                    return -1;
            }
            const int64_t n = resampler_->convert(const_cast<const uint8_t *const *>(frame_->extended_data),
                                                  frame_->nb_samples, dst + written, room - uint32_t(written));
            av_frame_unref(frame_);
            if (n < 0)
                return -1;
            written += n;
        }
        return written;
    }

    WAVEFORMATEX dst_;
    CodecChoice choice_;
    AVCodecContext *context_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *frame_ = nullptr;
    std::unique_ptr<Resampler> resampler_;
};

class AvCodecDriver : public AcmDriver {
public:
    AvCodecDriver()
    {
        // Damaged input is reported through the stream results; the library's own console
        // messages would only repeat it.
        static std::once_flag quiet;
        std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    }

    bool accepts(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        return chooseCodec(src).id != AV_CODEC_ID_NONE && isPcmTarget(dst, src.nChannels, src.nSamplesPerSec, 16);
    }
    std::optional<WAVEFORMATEX> natural(const WAVEFORMATEX &src) const override
    {
        if (chooseCodec(src).id == AV_CODEC_ID_NONE)
            return std::nullopt;
        return pcmFormat(src.nChannels, src.nSamplesPerSec, 16);
    }
    std::unique_ptr<AcmConversion> open(const WAVEFORMATEX &src, const WAVEFORMATEX &dst) const override
    {
        return AvCodecConversion::open(src, dst);
    }
};

} // namespace

std::unique_ptr<AcmDriver> makeAvCodecDriver()
{
    return std::make_unique<AvCodecDriver>();
}

} // namespace tb::acm
