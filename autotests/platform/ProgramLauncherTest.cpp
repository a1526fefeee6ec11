#include "platform/linux/LinuxProgramLauncher.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using vexlin::platform::linux_impl::candidatesFor;
using vexlin::platform::linux_impl::LinuxProgramLauncher;

namespace {

class LauncherTest : public testing::Test {
protected:
    // A fake tool that records its arguments in <name>.ran.  Written aside and renamed, so that the trace
    // never exists without its line: a reader polling for it would otherwise find it still empty.
    void installTool(const std::string& name, bool executable = true) {
        const auto file = dir_ / name;
        const std::string trace = (dir_ / (name + ".ran")).string();
        std::ofstream(file) << "#!/bin/sh\necho \"$@\" > '" << trace << ".part' && mv '" << trace
                            << ".part' '" << trace << "'\n";
        std::filesystem::permissions(file, executable ? std::filesystem::perms::owner_all
                                                      : std::filesystem::perms::owner_read);
    }

    // The tool runs detached; wait for its trace for a while.
    std::string waitForRun(const std::string& name) {
        const auto trace = dir_ / (name + ".ran");
        for (int i = 0; i < 100 && !std::filesystem::exists(trace); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::ifstream in(trace);
        std::string args;
        std::getline(in, args);
        return in ? args : "<not run>";
    }

    vexlin::testing::TempDir temp_{"vexlin-launch"};
    const std::filesystem::path dir_ = temp_.path();
};

TEST_F(LauncherTest, StartsTheFirstInstalledCandidateWithItsArguments) {
    installTool("gedit");
    installTool("kate");
    LinuxProgramLauncher launcher({dir_.string()});
    const auto result = launcher.run("sysedit");
    EXPECT_TRUE(result.launched);
    EXPECT_EQ(result.program, "gedit");
    EXPECT_EQ(result.lookedFor, (std::vector<std::string>{"gnome-text-editor", "gedit"}));
    EXPECT_EQ(waitForRun("gedit"), "/etc/fstab");
}

TEST_F(LauncherTest, MissingToolsAreReportedByName) {
    LinuxProgramLauncher launcher({dir_.string()});
    const auto result = launcher.run("regedit");
    EXPECT_FALSE(result.launched);
    EXPECT_EQ(result.lookedFor, (std::vector<std::string>{"dconf-editor", "kconfigeditor", "gconf-editor"}));
}

TEST_F(LauncherTest, AFileThatIsNotExecutableIsNotATool) {
    installTool("dconf-editor", false);
    installTool("gconf-editor");
    LinuxProgramLauncher launcher({dir_.string()});
    const auto result = launcher.run("regedit");
    EXPECT_EQ(result.program, "gconf-editor");
    EXPECT_EQ(waitForRun("gconf-editor"), "");
}

TEST_F(LauncherTest, UnknownCommandLineLooksForNothing) {
    LinuxProgramLauncher launcher({dir_.string()});
    const auto result = launcher.run("notepad.exe");
    EXPECT_FALSE(result.launched);
    EXPECT_TRUE(result.lookedFor.empty());
}

class MenuCommandLines : public testing::TestWithParam<const char*> {};

TEST_P(MenuCommandLines, EveryToolOfTheMenuHasLinuxCandidates) {
    const auto& candidates = candidatesFor(GetParam());
    ASSERT_FALSE(candidates.empty());
    for (const auto& candidate : candidates) {
        EXPECT_FALSE(candidate.argv.empty());
        EXPECT_EQ(candidate.argv.front().find('/'), std::string::npos) << "looked up in PATH, not a path";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Menu, MenuCommandLines,
    testing::Values("rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,3",
                    "rundll32.exe shell32.dll,Control_RunDLL appwiz.cpl", "drwtsn32", "dxdiag",
                    "mmc C:\\windows\\system32\\com\\comexp.msc", "regedit", "sysedit",
                    "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", "control"));

TEST(LauncherPath, SplitsPathAndSkipsEmptyParts) {
    ::setenv("PATH", "/a::/b/c:", 1);
    EXPECT_EQ(LinuxProgramLauncher::pathFromEnvironment(), (std::vector<std::string>{"/a", "/b/c"}));
}

} // namespace
