#include "NullSink.h"

#include <algorithm>
#include <thread>

namespace tb::audio {

NullSink::NullSink(const PcmFormat &format, std::chrono::milliseconds bufferAhead)
    : format_(format), aheadFrames_(static_cast<uint64_t>(bufferAhead.count()) * format.rate / 1000),
      anchor_(Clock::now())
{
}

uint64_t NullSink::playedAt(Clock::time_point now) const
{
    if (paused_)
        return anchorFrames_;
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - anchor_).count();
    uint64_t played = anchorFrames_ + static_cast<uint64_t>(elapsed) * format_.rate / 1000000;
    return std::min(played, written_);
}

void NullSink::sleepUntilPlayed(uint64_t frames)
{
    while (!paused_) {
        uint64_t played = playedAt(Clock::now());
        if (played >= frames)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds((frames - played) * 1000000 / format_.rate + 1));
    }
}

bool NullSink::write(const void *, size_t bytes)
{
    auto now = Clock::now();
    if (!paused_ && playedAt(now) >= written_) {
        // The device ran dry: its clock restarts with the new data, as a real device's does.
        anchorFrames_ = written_;
        anchor_ = now;
    }
    written_ += bytes / format_.bytesPerFrame();
    if (written_ > aheadFrames_)
        sleepUntilPlayed(written_ - aheadFrames_);
    return true;
}

void NullSink::pause(bool paused)
{
    if (paused == paused_)
        return;
    if (paused) {
        anchorFrames_ = playedAt(Clock::now());
        paused_ = true;
    } else {
        paused_ = false;
        anchor_ = Clock::now();
    }
}

void NullSink::drop()
{
    anchorFrames_ = written_ = playedAt(Clock::now());
    anchor_ = Clock::now();
}

void NullSink::drain() { sleepUntilPlayed(written_); }

uint64_t NullSink::framesPlayed() { return playedAt(Clock::now()); }

} // namespace tb::audio
