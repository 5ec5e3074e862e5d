// Waiting in the event loop for something the program does on its own time (a codec finishing,
// a batch ending), without spinning: the loop sleeps until an event arrives or a check is due.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tb::test {

// Runs the event loop until done() holds; the guard only keeps a broken build from hanging the
// suite. Returns done().
inline bool waitUntil(const std::function<bool()> &done, int guardMs = 300000)
{
    QElapsedTimer guard;
    guard.start();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || guard.elapsed() > guardMs)
            loop.quit();
    });
    check.start(5);
    if (!done())
        loop.exec();
    return done();
}

} // namespace tb::test
