#pragma once

#include <memory>

#include "platform/InstanceGuard.h"
#include "platform/PowerSource.h"
#include "platform/ProgramLauncher.h"
#include "platform/ThreadPriority.h"

namespace vexlin {

class ClockTimerSwitch;

// What the windows need of the system, handed to them at creation so a test can pass fakes.
// Later subsystems add their sources here.
struct AppServices {
    std::unique_ptr<platform::PowerSource> power;
    std::unique_ptr<platform::ProgramLauncher> launcher;
    std::unique_ptr<platform::ThreadPriority> priority;

    // Set once the main window exists; the test windows resume the clock measurement through it.
    ClockTimerSwitch* clock = nullptr;

    static AppServices forThisSystem();
};

} // namespace vexlin
