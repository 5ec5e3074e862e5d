// A wave output without hardware: it plays nothing but keeps real time by its own clock, so a
// player writing to it runs as long as it would on a real device.
#pragma once

#include "AudioSink.h"

#include <chrono>

namespace tb::audio {

class NullSink : public AudioSink {
public:
    // bufferAhead: how far the writer may run ahead of the clock, like a device's buffer.
    explicit NullSink(const PcmFormat &format, std::chrono::milliseconds bufferAhead = std::chrono::milliseconds(200));
    bool write(const void *data, size_t bytes) override;
    void pause(bool paused) override;
    void drop() override;
    void drain() override;
    uint64_t framesPlayed() override;
    const PcmFormat &format() const override { return format_; }
    std::string lastError() const override { return {}; }

private:
    using Clock = std::chrono::steady_clock;
    uint64_t playedAt(Clock::time_point now) const;
    void sleepUntilPlayed(uint64_t frames);

    PcmFormat format_;
    uint64_t aheadFrames_;
    uint64_t written_ = 0;      // frames queued since opening
    uint64_t anchorFrames_ = 0; // frames played at the anchor time
    Clock::time_point anchor_;
    bool paused_ = false;
};

} // namespace tb::audio
