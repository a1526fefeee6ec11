#include "app/shared/AppServices.h"

#include "platform/Factory.h"

namespace vexlin {

AppServices AppServices::forThisSystem(const std::filesystem::path& sysfsRoot) {
    AppServices services;
    services.power = platform::makePowerSource();
    services.launcher = platform::makeProgramLauncher();
    services.priority = platform::makeThreadPriority();
    services.keyboard = platform::makeKeyboardInfo();
    services.system = platform::makeSystemFacts();
    services.partitions = platform::makeDiskPartitions();
    services.display = platform::makeDisplayInfo();
    services.processor = platform::makeProcessor();
    services.thermal = platform::makeThermalSensors(sysfsRoot);
    return services;
}

} // namespace vexlin
