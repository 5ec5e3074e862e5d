// A polling timer of the player on a QTimer: every interval while started, on the thread that
// created it.
#pragma once

#include "PlayerPorts.h"

#include <QTimer>
#include <functional>

namespace tb {

class QtPollTimer : public PollTimer {
public:
    static constexpr int IntervalMs = 100;

    explicit QtPollTimer(std::function<void()> tick)
    {
        timer_.setInterval(IntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [tick = std::move(tick)] { tick(); });
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace tb
