// The wave output on an ALSA device (normally "default", which reaches the sound server).
#pragma once

#include "AudioSink.h"

#include <alsa/asoundlib.h>

namespace tb::audio {

class AlsaSink : public AudioSink {
public:
    // Null when the device cannot be opened for the format.
    static std::unique_ptr<AlsaSink> open(const std::string &device, const PcmFormat &format);
    ~AlsaSink() override;
    AlsaSink(const AlsaSink &) = delete;
    AlsaSink &operator=(const AlsaSink &) = delete;

    bool write(const void *data, size_t bytes) override;
    void pause(bool paused) override;
    void drop() override;
    void drain() override;
    uint64_t framesPlayed() override;
    const PcmFormat &format() const override { return format_; }
    std::string lastError() const override { return error_; }

private:
    AlsaSink(snd_pcm_t *pcm, const PcmFormat &format, bool canPause);

    snd_pcm_t *pcm_;
    PcmFormat format_;
    bool canPause_;
    bool paused_ = false;
    uint64_t written_ = 0;
    uint64_t dropped_ = 0; // frames discarded by drop(), which never played
    std::string error_;
};

} // namespace tb::audio
