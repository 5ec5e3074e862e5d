// What the binding's tests share: the Qt application the events travel through, waiting for
// events, and a record of the events an encoder raised.
#pragma once

#include "codecs/GogoTea.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tb::test {

// Delivers events until the condition holds; false when it still does not after a long while
// (a guard against a hang, not a measure of speed).
inline bool processUntil(const std::function<bool()> &condition, int guardSeconds = 120)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(guardSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(500);
    }
    return true;
}

// Delivers whatever arrives during the given time.
inline void processFor(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(500);
    }
}

struct EncoderEvents {
    struct Progress {
        int now, all;
        bool operator==(const Progress &) const = default;
    };
    std::vector<Progress> progress;
    std::vector<int> errors;
    std::vector<bool> finishes;
    std::vector<std::string> order; // "progress", "error", "finish" as they came
    bool senderWrong = false;

    void attach(TGogoTea &encoder)
    {
        TGogoTea *expected = &encoder;
        encoder.OnProgress = [this, expected](TGogoTea *sender, int now, int all) {
            senderWrong |= sender != expected;
            progress.push_back({now, all});
            order.push_back("progress");
        };
        encoder.OnError = [this, expected](TGogoTea *sender, int code) {
            senderWrong |= sender != expected;
            errors.push_back(code);
            order.push_back("error");
        };
        encoder.OnFinish = [this, expected](TGogoTea *sender, bool aborted) {
            senderWrong |= sender != expected;
            finishes.push_back(aborted);
            order.push_back("finish");
        };
    }
    size_t count() const { return order.size(); }
    bool finished() const { return !finishes.empty(); }
};

} // namespace tb::test
