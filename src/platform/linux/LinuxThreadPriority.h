#pragma once

#include "platform/ThreadPriority.h"

namespace vexlin::platform::linux_impl {

// SCHED_IDLE for the user-interface thread; SCHED_FIFO for a measuring thread where the process may use it
// (root or CAP_SYS_NICE).  An unprivileged thread cannot leave SCHED_IDLE again, which is why measurements
// run on a thread of their own.
class LinuxThreadPriority final : public ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override;
    bool raiseCurrentThreadToRealtime() override;
};

} // namespace vexlin::platform::linux_impl
