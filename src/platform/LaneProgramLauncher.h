#pragma once

#include "platform/NormalPriorityLane.h"
#include "platform/ProgramLauncher.h"

#include <memory>
#include <string>

namespace vexlin::platform {

// Starts programs from the normal-priority lane, so that a tool opened from the idle user-interface thread
// does not inherit its idle priority.
class LaneProgramLauncher final : public ProgramLauncher {
public:
    LaneProgramLauncher(std::unique_ptr<ProgramLauncher> launcher, NormalPriorityLane& lane)
        : launcher_(std::move(launcher)), lane_(lane) {}

    LaunchResult run(std::string_view windowsCommandLine) override {
        const std::string commandLine(windowsCommandLine);
        LaunchResult result;
        lane_.run([&] { result = launcher_->run(commandLine); });
        return result;
    }

private:
    std::unique_ptr<ProgramLauncher> launcher_;
    NormalPriorityLane& lane_;
};

} // namespace vexlin::platform
