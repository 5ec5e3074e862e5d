#include "AlsaSink.h"

namespace tb::audio {

namespace {
constexpr unsigned LatencyMicroseconds = 200000;

snd_pcm_format_t alsaFormat(unsigned bits)
{
    switch (bits) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    case 32: return SND_PCM_FORMAT_S32_LE;
    default: return SND_PCM_FORMAT_UNKNOWN;
    }
}
} // namespace

std::unique_ptr<AlsaSink> AlsaSink::open(const std::string &device, const PcmFormat &format)
{
    snd_pcm_format_t sampleFormat = alsaFormat(format.bitsPerSample);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN || format.channels == 0 || format.rate == 0)
        return nullptr;
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    if (snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels, format.rate, 1,
                           LatencyMicroseconds) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    bool canPause = false;
    snd_pcm_hw_params_t *params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) == 0) {
        if (snd_pcm_hw_params_current(pcm, params) == 0)
            canPause = snd_pcm_hw_params_can_pause(params) == 1;
        snd_pcm_hw_params_free(params);
    }
    return std::unique_ptr<AlsaSink>(new AlsaSink(pcm, format, canPause));
}

AlsaSink::AlsaSink(snd_pcm_t *pcm, const PcmFormat &format, bool canPause)
    : pcm_(pcm), format_(format), canPause_(canPause)
{
}

AlsaSink::~AlsaSink()
{
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
}

bool AlsaSink::write(const void *data, size_t bytes)
{
    const auto *next = static_cast<const uint8_t *>(data);
    auto frames = static_cast<snd_pcm_uframes_t>(bytes / format_.bytesPerFrame());
    while (frames > 0) {
        snd_pcm_sframes_t done = snd_pcm_writei(pcm_, next, frames);
        if (done < 0) {
            // An underrun or a suspend is recovered; anything else ends playback.
            if (snd_pcm_recover(pcm_, static_cast<int>(done), 1) < 0) {
                error_ = snd_strerror(static_cast<int>(done));
                return false;
            }
            continue;
        }
        written_ += static_cast<uint64_t>(done);
        frames -= static_cast<snd_pcm_uframes_t>(done);
        next += static_cast<size_t>(done) * format_.bytesPerFrame();
    }
    return true;
}

void AlsaSink::pause(bool paused)
{
    if (paused == paused_)
        return;
    paused_ = paused;
    if (canPause_) {
        snd_pcm_pause(pcm_, paused ? 1 : 0);
    } else if (paused) {
        // Without hardware pause, what is queued is given up.
        drop();
    }
}

void AlsaSink::drop()
{
    uint64_t played = framesPlayed();
    dropped_ += written_ - dropped_ - played;
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
}

void AlsaSink::drain()
{
    if (paused_)
        return;
    snd_pcm_drain(pcm_);
    snd_pcm_prepare(pcm_);
}

uint64_t AlsaSink::framesPlayed()
{
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0)
        delay = 0;
    uint64_t queued = std::min<uint64_t>(static_cast<uint64_t>(delay), written_ - dropped_);
    return written_ - dropped_ - queued;
}

} // namespace tb::audio
