#include "platform/linux/LinuxProgramLauncher.h"
#include "support/TempDir.h"
#include "support/TraceFile.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using vexlin::platform::linux_impl::candidatesFor;
using vexlin::platform::linux_impl::LinuxProgramLauncher;

namespace {

class LauncherTest : public testing::Test {
protected:
    // A fake tool that records its arguments in <name>.ran.
    void installTool(const std::string& name, bool executable = true) {
        const auto file = dir_ / name;
        std::ofstream(file) << "#!/bin/sh\necho \"$@\" > '" << (dir_ / (name + ".ran")).string() << "'\n";
        std::filesystem::permissions(file, executable ? std::filesystem::perms::owner_all
                                                      : std::filesystem::perms::owner_read);
    }

    // The tool runs detached: its arguments, once it has written them.
    std::string waitForRun(const std::string& name) {
        std::string args = vexlin::testing::traceWithin(dir_ / (name + ".ran"));
        if (args.empty()) {
            return "<not run>";
        }
        args.pop_back();
        return args;
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
                    "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", "control"),
    // Named after the last word of the command line, which is what tells the tools apart.
    [](const auto& info) {
        const std::string line = info.param;
        std::string name;
        for (char c : line.substr(line.find_last_of(" \\") + 1)) {
            if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
                name += c;
            }
        }
        return name;
    });

TEST(LauncherPath, SplitsPathAndSkipsEmptyParts) {
    ::setenv("PATH", "/a::/b/c:", 1);
    EXPECT_EQ(LinuxProgramLauncher::pathFromEnvironment(), (std::vector<std::string>{"/a", "/b/c"}));
}

} // namespace
