#include "platform/Factory.h"

#if defined(__linux__)
#include "platform/linux/LinuxInstanceGuard.h"
#include "platform/linux/LinuxPowerSource.h"
#include "platform/linux/LinuxProgramLauncher.h"
#include "platform/linux/LinuxThreadPriority.h"
namespace impl = vexlin::platform::linux_impl;
#else
#error "Vexlin has no back end for this operating system yet"
#endif

namespace vexlin::platform {

std::unique_ptr<PowerSource> makePowerSource() { return std::make_unique<impl::LinuxPowerSource>("/"); }

std::unique_ptr<InstanceGuard> makeInstanceGuard() {
    return std::make_unique<impl::LinuxInstanceGuard>(impl::LinuxInstanceGuard::defaultDirectory(), "one_example");
}

std::unique_ptr<ThreadPriority> makeThreadPriority() { return std::make_unique<impl::LinuxThreadPriority>(); }

std::unique_ptr<ProgramLauncher> makeProgramLauncher() {
    return std::make_unique<impl::LinuxProgramLauncher>(impl::LinuxProgramLauncher::pathFromEnvironment());
}

} // namespace vexlin::platform
