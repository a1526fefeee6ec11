#include "platform/linux/LinuxThreadPriority.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <thread>

using vexlin::platform::linux_impl::LinuxThreadPriority;

namespace {

int currentPolicy() {
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    return policy;
}

// Each case runs on a thread of its own: an unprivileged thread cannot leave SCHED_IDLE again.
TEST(ThreadPriority, UserInterfaceThreadGoesIdle) {
    int policy = -1;
    std::thread([&] {
        LinuxThreadPriority priority;
        priority.lowerCurrentThreadToIdle();
        policy = currentPolicy();
    }).join();
    EXPECT_EQ(policy, SCHED_IDLE);
    EXPECT_NE(currentPolicy(), SCHED_IDLE) << "only the calling thread is lowered";
}

TEST(ThreadPriority, RaisingSaysWhetherItHappened) {
    bool raised = false;
    int before = -1;
    int after = -1;
    std::thread([&] {
        LinuxThreadPriority priority;
        before = currentPolicy();
        raised = priority.raiseCurrentThreadToRealtime();
        after = currentPolicy();
    }).join();
    if (raised) {
        EXPECT_EQ(after, SCHED_FIFO);
    } else {
        EXPECT_EQ(after, before);
    }
}

} // namespace
