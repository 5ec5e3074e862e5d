// Thread priorities as the components name them, carried out on Linux threads: tpIdle runs the
// thread under SCHED_IDLE, the others under the normal scheduler with a nice value.
#pragma once

#include <sys/types.h>

namespace tb {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Applies the priority to the thread with the kernel id tid. A change the system refuses
// (raising the priority without the right to) is ignored.
void applyThreadPriority(pid_t tid, TThreadPriority priority);

// The kernel id of the calling thread.
pid_t currentThreadId();

} // namespace tb
