#include "AudioSink.h"

#include "AlsaSink.h"
#include "CaptureSink.h"
#include "NullSink.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace tb::audio {

namespace {

enum class Backend { Null, Capture, Alsa };

Backend chosenBackend()
{
    const char *choice = std::getenv("TONEBRIDGE_AUDIO");
    std::string_view backend = choice ? choice : "";
    if (backend == "null")
        return Backend::Null;
    if (backend.starts_with("capture:"))
        return Backend::Capture;
    return Backend::Alsa;
}

bool validFormat(const PcmFormat &f)
{
    return f.rate > 0 && f.channels > 0 &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32);
}

// Asks ALSA's "default" device which of the formats it takes, opening it once; nothing is
// played. Empty when there is no device.
std::vector<bool> alsaTakes(const std::vector<PcmFormat> &formats)
{
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return {};
    std::vector<bool> answers(formats.size(), false);
    snd_pcm_hw_params_t *params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) == 0) {
        for (size_t i = 0; i < formats.size(); ++i) {
            const PcmFormat &f = formats[i];
            const snd_pcm_format_t sample = f.bitsPerSample == 8    ? SND_PCM_FORMAT_U8
                                            : f.bitsPerSample == 16 ? SND_PCM_FORMAT_S16_LE
                                            : f.bitsPerSample == 24 ? SND_PCM_FORMAT_S24_3LE
                                                                    : SND_PCM_FORMAT_S32_LE;
            answers[i] = validFormat(f) && snd_pcm_hw_params_any(pcm, params) >= 0 &&
                         snd_pcm_hw_params_test_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
                         snd_pcm_hw_params_test_format(pcm, params, sample) == 0 &&
                         snd_pcm_hw_params_test_channels(pcm, params, f.channels) == 0 &&
                         snd_pcm_hw_params_test_rate(pcm, params, f.rate, 0) == 0;
        }
        snd_pcm_hw_params_free(params);
    }
    snd_pcm_close(pcm);
    return answers;
}

constexpr unsigned StandardRates[3] = {11025, 22050, 44100};

} // namespace

bool defaultOutputTakes(const PcmFormat &format)
{
    if (!validFormat(format))
        return false;
    if (chosenBackend() != Backend::Alsa)
        return true;
    // Without a device the null output plays, and it takes everything.
    const std::vector<bool> answer = alsaTakes({format});
    return answer.empty() || answer[0];
}

OutputCaps defaultOutputCaps()
{
    OutputCaps caps;
    switch (chosenBackend()) {
    case Backend::Null: caps.productName = "Null wave output"; break;
    case Backend::Capture: caps.productName = "Capture wave output"; break;
    case Backend::Alsa: caps.productName = "ALSA default"; break;
    }
    caps.driverVersion = 0x0100;
    std::vector<PcmFormat> standard;
    for (unsigned band = 0; band < 3; ++band)
        for (unsigned bits16 = 0; bits16 < 2; ++bits16)
            for (unsigned stereo = 0; stereo < 2; ++stereo)
                standard.push_back({StandardRates[band], stereo + 1, bits16 ? 16u : 8u});
    const std::vector<bool> answers =
        chosenBackend() == Backend::Alsa ? alsaTakes(standard) : std::vector<bool>{};
    for (size_t i = 0; i < standard.size(); ++i)
        if (answers.empty() || answers[i])
            caps.standardFormats |= 1u << i;
    return caps;
}

std::unique_ptr<AudioSink> openDefaultSink(const PcmFormat &format)
{
    const char *choice = std::getenv("TONEBRIDGE_AUDIO");
    std::string_view backend = choice ? choice : "";
    if (backend == "null")
        return std::make_unique<NullSink>(format);
    constexpr std::string_view capturePrefix = "capture:";
    if (backend.starts_with(capturePrefix))
        return std::make_unique<CaptureSink>(format, std::string(backend.substr(capturePrefix.size())));
    if (auto alsa = AlsaSink::open("default", format))
        return alsa;
    // No device: keep the program's timing as if one played.
    return std::make_unique<NullSink>(format);
}

} // namespace tb::audio
