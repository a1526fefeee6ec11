#include "platform/linux/LinuxInstanceGuard.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using vexlin::platform::InstanceGuard;
using vexlin::platform::linux_impl::LinuxInstanceGuard;

namespace {

class InstanceGuardTest : public testing::Test {
protected:
    void TearDown() override {
        if (holder_ > 0) {
            ::kill(holder_, SIGKILL);
            ::waitpid(holder_, nullptr, 0);
        }
    }

    // Another process that takes the guard and keeps it until it is killed.
    void startHolder() {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        holder_ = ::fork();
        ASSERT_GE(holder_, 0);
        if (holder_ == 0) {
            LinuxInstanceGuard guard(dir_, "one_example");
            const char state = guard.acquire() == InstanceGuard::State::Acquired ? 'A' : 'X';
            [[maybe_unused]] auto written = ::write(ready[1], &state, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        char state = 0;
        ASSERT_EQ(::read(ready[0], &state, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(state, 'A');
    }

    vexlin::testing::TempDir temp_{"vexlin-guard"};
    const std::filesystem::path dir_ = temp_.path();
    pid_t holder_ = -1;
};

TEST_F(InstanceGuardTest, SecondStartSeesTheFirstAndAStartAfterAKillProceeds) {
    startHolder();
    LinuxInstanceGuard second(dir_, "one_example");
    EXPECT_EQ(second.acquire(), InstanceGuard::State::AlreadyRunning);

    // A crashed first copy leaves its file behind, but not its lock.
    ::kill(holder_, SIGKILL);
    ::waitpid(holder_, nullptr, 0);
    holder_ = -1;
    EXPECT_TRUE(std::filesystem::exists(dir_ / "one_example"));
    LinuxInstanceGuard third(dir_, "one_example");
    EXPECT_EQ(third.acquire(), InstanceGuard::State::Acquired);
}

TEST_F(InstanceGuardTest, GuardIsReleasedWhenItsOwnerGoesAway) {
    {
        LinuxInstanceGuard first(dir_, "one_example");
        ASSERT_EQ(first.acquire(), InstanceGuard::State::Acquired);
    }
    LinuxInstanceGuard next(dir_, "one_example");
    EXPECT_EQ(next.acquire(), InstanceGuard::State::Acquired);
}

TEST_F(InstanceGuardTest, UnwritablePlaceDoesNotBlockTheStart) {
    LinuxInstanceGuard guard(dir_ / "no" / "such" / "dir", "one_example");
    EXPECT_EQ(guard.acquire(), InstanceGuard::State::Unavailable);
}

} // namespace
