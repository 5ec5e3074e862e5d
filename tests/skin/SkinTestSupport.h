// What the skin tests share: a widget application and a timer the test ticks by hand.
#pragma once

#include "support/TestApplication.h"

#include "skin/SkinTimer.h"

#include <QApplication>

namespace tb::test {

inline QApplication &skinApplication() { return application(); }

class ManualTimer : public SkinTimer {
public:
    void start(int milliseconds) override
    {
        active = true;
        interval = milliseconds;
        ++starts;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    // One tick, as the event loop would deliver it while the timer runs.
    void fire()
    {
        if (active && onTimeout)
            onTimeout();
    }
    bool active = false;
    int interval = 0;
    int starts = 0;
};

} // namespace tb::test
