// Threads and programs started while the calling thread is idle keep normal priority when they come from the
// lane, and inherit the idle policy when they do not (the second rows show that the first can fail).
#include "platform/NormalPriorityLane.h"

#include "platform/LaneProgramLauncher.h"
#include "platform/linux/LinuxProgramLauncher.h"
#include "platform/linux/LinuxThreadPriority.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdexcept>
#include <thread>

using vexlin::platform::LaneProgramLauncher;
using vexlin::platform::NormalPriorityLane;
using vexlin::platform::linux_impl::LinuxProgramLauncher;
using vexlin::platform::linux_impl::LinuxThreadPriority;

namespace {

// Runs `work` on a fresh thread lowered to idle, as the user-interface thread is after start-up.
template <typename Work> void onIdleThread(Work work) {
    std::thread([&] {
        LinuxThreadPriority().lowerCurrentThreadToIdle();
        ASSERT_EQ(sched_getscheduler(0), SCHED_IDLE);
        work();
    }).join();
}

struct ThreadRow {
    std::string name;
    bool fromLane;
    int expectedPolicy;
};

class LaneThreads : public testing::TestWithParam<ThreadRow> {};

TEST_P(LaneThreads, NewThreadsTakeTheirCreatorsPolicy) {
    NormalPriorityLane lane; // made while this thread still runs at normal priority
    int policy = -1;
    onIdleThread([&] {
        auto body = [&] { policy = sched_getscheduler(0); };
        std::thread started = GetParam().fromLane ? lane.startThread(body) : std::thread(body);
        started.join();
    });
    EXPECT_EQ(policy, GetParam().expectedPolicy);
}

INSTANTIATE_TEST_SUITE_P(Creators, LaneThreads,
                         testing::Values(ThreadRow{"FromTheLane", true, SCHED_OTHER},
                                         ThreadRow{"FromTheIdleThread", false, SCHED_IDLE}),
                         [](const testing::TestParamInfo<ThreadRow>& info) { return info.param.name; });

TEST(NormalPriorityLane, RunWaitsAndPassesExceptionsOn) {
    NormalPriorityLane lane;
    std::thread::id ranOn;
    lane.run([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_THROW(lane.run([] { throw std::runtime_error("failed on the lane"); }), std::runtime_error);
    // Still serving after a failure, and a call from the lane itself does not wait for itself.
    bool nested = false;
    lane.run([&] { lane.run([&] { nested = lane.onLane(); }); });
    EXPECT_TRUE(nested);
}

TEST(NormalPriorityLane, FinishesQueuedWorkBeforeItEnds) {
    int done = 0;
    {
        NormalPriorityLane lane;
        std::thread other([&] { lane.run([&] { ++done; }); });
        lane.run([&] { ++done; });
        other.join();
    }
    EXPECT_EQ(done, 2);
}

struct LaunchRow {
    std::string name;
    bool throughLane;
    int expectedPolicy;
};

class LaunchedPrograms : public testing::TestWithParam<LaunchRow> {
protected:
    vexlin::testing::TempDir temp_{"vexlin-lane-launch"};
    const std::filesystem::path dir_ = temp_.path();
};

// A tool of the tools menu started from the idle thread: its policy is read back while it runs.
TEST_P(LaunchedPrograms, RunAtTheLanesPriority) {
    const auto pidFile = dir_ / "pid";
    {
        std::ofstream tool(dir_ / "dconf-editor");
        tool << "#!/bin/sh\necho $$ > '" << pidFile.string() << ".tmp'\n/bin/mv '" << pidFile.string()
             << ".tmp' '" << pidFile.string() << "'\nexec /bin/sleep 5\n";
    }
    std::filesystem::permissions(dir_ / "dconf-editor", std::filesystem::perms::owner_all);

    NormalPriorityLane lane;
    bool launched = false;
    onIdleThread([&] {
        auto direct = std::make_unique<LinuxProgramLauncher>(std::vector<std::string>{dir_.string()});
        if (GetParam().throughLane) {
            LaneProgramLauncher launcher(std::move(direct), lane);
            launched = launcher.run("regedit").launched;
        } else {
            launched = direct->run("regedit").launched;
        }
    });
    ASSERT_TRUE(launched);
    for (int i = 0; i < 100 && !std::filesystem::exists(pidFile); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(sched_getscheduler(pid), GetParam().expectedPolicy);
    ::kill(pid, SIGTERM);
}

INSTANTIATE_TEST_SUITE_P(Launchers, LaunchedPrograms,
                         testing::Values(LaunchRow{"ThroughTheLane", true, SCHED_OTHER},
                                         LaunchRow{"FromTheIdleThread", false, SCHED_IDLE}),
                         [](const testing::TestParamInfo<LaunchRow>& info) { return info.param.name; });

} // namespace
