#include "platform/linux/LinuxThreadPriority.h"

#include <pthread.h>
#include <sched.h>

namespace vexlin::platform::linux_impl {

void LinuxThreadPriority::lowerCurrentThreadToIdle() {
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

bool LinuxThreadPriority::raiseCurrentThreadToRealtime() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

} // namespace vexlin::platform::linux_impl
