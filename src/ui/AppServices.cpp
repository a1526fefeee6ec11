#include "ui/AppServices.h"

#include "platform/Factory.h"

namespace vexlin {

AppServices AppServices::forThisSystem(const std::filesystem::path& sysfsRoot) {
    AppServices services;
    services.sysfsRoot = sysfsRoot;
    services.power = platform::makePowerSource(sysfsRoot);
    services.lane = std::make_unique<platform::NormalPriorityLane>();
    services.launcher = platform::makeProgramLauncher(*services.lane);
    services.priority = platform::makeThreadPriority();
    services.keyboard = platform::makeKeyboardInfo();
    services.system = platform::makeSystemFacts();
    services.partitions = platform::makeDiskPartitions();
    services.display = platform::makeDisplayInfo();
    services.processor = platform::makeProcessor();
    services.documents = platform::makeDocumentOpener(*services.lane);
    services.environment = platform::makeRunEnvironment();
    services.batteryHealth = platform::makeBatteryHealth(sysfsRoot);
    services.thermal = platform::makeThermalSensors(sysfsRoot);
    return services;
}

} // namespace vexlin
