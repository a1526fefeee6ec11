#pragma once

#include <memory>

#include "platform/InstanceGuard.h"
#include "platform/PowerSource.h"
#include "platform/ProgramLauncher.h"
#include "platform/ThreadPriority.h"

namespace vexlin::platform {

// The back ends of this operating system.
std::unique_ptr<PowerSource> makePowerSource();
std::unique_ptr<InstanceGuard> makeInstanceGuard();
std::unique_ptr<ThreadPriority> makeThreadPriority();
std::unique_ptr<ProgramLauncher> makeProgramLauncher();

} // namespace vexlin::platform
