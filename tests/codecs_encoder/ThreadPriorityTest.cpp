// Thread priorities on Linux threads: the idle scheduler for tpIdle, nice values for the rest.
#include "codecs/ThreadPriority.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <sched.h>
#include <sys/resource.h>
#include <thread>

using namespace tb;

namespace {

struct Expected {
    TThreadPriority priority;
    int policy;
    int nice;
};

TEST(ThreadPriority, EachPriorityReachesTheThreadAndOnlyIt)
{
    const Expected table[] = {{tpIdle, SCHED_IDLE, 0},       {tpLowest, SCHED_OTHER, 10}, {tpLower, SCHED_OTHER, 5},
                              {tpNormal, SCHED_OTHER, 0},     {tpHigher, SCHED_OTHER, -5}, {tpHighest, SCHED_OTHER, -10},
                              {tpTimeCritical, SCHED_OTHER, -20}, {tpNormal, SCHED_OTHER, 0}};
    if (geteuid() != 0)
        GTEST_SKIP() << "raising a priority needs the right to";
    std::mutex lock;
    std::condition_variable changed;
    pid_t tid = 0;
    bool done = false;
    std::thread other([&] {
        std::unique_lock<std::mutex> hold(lock);
        tid = currentThreadId();
        changed.notify_all();
        changed.wait(hold, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return tid != 0; });
    }
    const int ownPolicy = sched_getscheduler(0), ownNice = getpriority(PRIO_PROCESS, 0);
    for (const Expected &e : table) {
        applyThreadPriority(tid, e.priority);
        EXPECT_EQ(sched_getscheduler(tid), e.policy) << e.priority;
        if (e.policy != SCHED_IDLE) {
            EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(tid)), e.nice) << e.priority;
        }
    }
    EXPECT_EQ(sched_getscheduler(0), ownPolicy);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), ownNice);
    {
        std::lock_guard<std::mutex> hold(lock);
        done = true;
    }
    changed.notify_all();
    other.join();
}

} // namespace
