#pragma once

#include "ui/AppServices.h"

#include <string>
#include <vector>

namespace vexlin::testing {

class FakePowerSource final : public platform::PowerSource {
public:
    platform::PowerStatus read() const override { return status; }
    platform::PowerStatus status;
};

class FakeLauncher final : public platform::ProgramLauncher {
public:
    platform::LaunchResult run(std::string_view commandLine) override {
        commandLines.emplace_back(commandLine);
        return result;
    }
    platform::LaunchResult result;
    std::vector<std::string> commandLines;
};

class FakePriority final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override { ++lowered; }
    bool raiseCurrentThreadToRealtime() override { return false; }
    int lowered = 0;
};

// The shell's own services are fakes, with pointers kept for the test to steer and inspect them; the sources
// of the pages come from this system, whose values the shell tests do not read.
struct FakeServices {
    FakeServices() : services(AppServices::forThisSystem()) {
        auto powerFake = std::make_unique<FakePowerSource>();
        auto launcherFake = std::make_unique<FakeLauncher>();
        auto priorityFake = std::make_unique<FakePriority>();
        power = powerFake.get();
        launcher = launcherFake.get();
        priority = priorityFake.get();
        services.power = std::move(powerFake);
        services.launcher = std::move(launcherFake);
        services.priority = std::move(priorityFake);
    }
    AppServices services;
    FakePowerSource* power;
    FakeLauncher* launcher;
    FakePriority* priority;
};

} // namespace vexlin::testing
