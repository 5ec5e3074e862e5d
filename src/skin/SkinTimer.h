// The timers of the skin's controls (a hover button's fade, a slider's repeat) behind one small
// interface, so tests can drive them tick by tick instead of waiting.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>

namespace tb {

class SkinTimer {
public:
    virtual ~SkinTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Called on the user-interface thread at every tick.
    std::function<void()> onTimeout;
};

// The real one, on the event loop.
class QtSkinTimer : public SkinTimer {
public:
    QtSkinTimer()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void start(int milliseconds) override { timer_.start(milliseconds); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace tb
