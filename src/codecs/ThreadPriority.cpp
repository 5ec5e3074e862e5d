#include "ThreadPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tb {

namespace {
int niceValue(TThreadPriority priority)
{
    switch (priority) {
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -20;
    default: return 0;
    }
}
} // namespace

void applyThreadPriority(pid_t tid, TThreadPriority priority)
{
    if (tid <= 0)
        return;
    sched_param param{};
    if (priority == tpIdle) {
        sched_setscheduler(tid, SCHED_IDLE, &param);
        return;
    }
    sched_setscheduler(tid, SCHED_OTHER, &param);
    // On Linux the nice value of PRIO_PROCESS with a thread id belongs to that thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceValue(priority));
}

pid_t currentThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

} // namespace tb
