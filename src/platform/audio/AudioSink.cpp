#include "AudioSink.h"

#include "AlsaSink.h"
#include "CaptureSink.h"
#include "NullSink.h"

#include <cstdlib>
#include <string_view>

namespace tb::audio {

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
