#include "platform/Factory.h"

#include "platform/LaneDocumentOpener.h"
#include "platform/LaneProgramLauncher.h"

#if defined(__linux__)
#include "platform/linux/LinuxBatteryHealth.h"
#include "platform/linux/LinuxDiskPartitions.h"
#include "platform/linux/LinuxDisplayInfo.h"
#include "platform/linux/LinuxDocumentOpener.h"
#include "platform/linux/LinuxInstanceGuard.h"
#include "platform/linux/LinuxKeyboardInfo.h"
#include "platform/linux/LinuxPowerSource.h"
#include "platform/linux/LinuxProcessor.h"
#include "platform/linux/LinuxProgramLauncher.h"
#include "platform/linux/LinuxRunEnvironment.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/LinuxThermalSensors.h"
#include "platform/linux/LinuxThreadPriority.h"
namespace impl = vexlin::platform::linux_impl;
#else
#error "Vexlin has no back end for this operating system yet"
#endif

namespace vexlin::platform {
std::unique_ptr<PowerSource> makePowerSource(const std::filesystem::path& sysfsRoot) {
    return std::make_unique<impl::LinuxPowerSource>(sysfsRoot);
}

std::unique_ptr<InstanceGuard> makeInstanceGuard() {
    return std::make_unique<impl::LinuxInstanceGuard>(impl::LinuxInstanceGuard::defaultDirectories(),
                                                      "one_example");
}

std::unique_ptr<KeyboardInfo> makeKeyboardInfo() {
    return std::make_unique<impl::LinuxKeyboardInfo>("/");
}

std::unique_ptr<ThreadPriority> makeThreadPriority() {
    return std::make_unique<impl::LinuxThreadPriority>();
}

std::unique_ptr<ProgramLauncher> makeProgramLauncher(NormalPriorityLane& lane) {
    return std::make_unique<LaneProgramLauncher>(
        std::make_unique<impl::LinuxProgramLauncher>(impl::LinuxProgramLauncher::pathFromEnvironment()),
        lane);
}

std::unique_ptr<SystemFacts> makeSystemFacts() {
    return std::make_unique<impl::LinuxSystemFacts>("/");
}

std::unique_ptr<DiskPartitions> makeDiskPartitions() {
    return std::make_unique<impl::LinuxDiskPartitions>("/");
}

std::unique_ptr<DisplayInfo> makeDisplayInfo() {
    return std::make_unique<impl::LinuxDisplayInfo>("/", impl::LinuxDisplayInfo::Options{});
}

std::unique_ptr<Processor> makeProcessor() {
    return std::make_unique<impl::LinuxProcessor>();
}

std::unique_ptr<DocumentOpener> makeDocumentOpener(NormalPriorityLane& lane) {
    return std::make_unique<LaneDocumentOpener>(
        std::make_unique<impl::LinuxDocumentOpener>(
            impl::LinuxProgramLauncher(impl::LinuxProgramLauncher::pathFromEnvironment())),
        lane);
}

std::unique_ptr<RunEnvironment> makeRunEnvironment() {
    return std::make_unique<impl::LinuxRunEnvironment>("/",
                                                       impl::LinuxRunEnvironment::sessionFromEnvironment());
}

std::unique_ptr<BatteryHealth> makeBatteryHealth(const std::filesystem::path& sysfsRoot) {
    return std::make_unique<impl::LinuxBatteryHealth>(sysfsRoot);
}

std::unique_ptr<ThermalSensors> makeThermalSensors(const std::filesystem::path& sysfsRoot) {
    return std::make_unique<impl::LinuxThermalSensors>(sysfsRoot);
}

} // namespace vexlin::platform
