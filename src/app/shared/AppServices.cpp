#include "app/shared/AppServices.h"

#include "platform/Factory.h"

namespace vexlin {

AppServices AppServices::forThisSystem() {
    AppServices services;
    services.power = platform::makePowerSource();
    services.launcher = platform::makeProgramLauncher();
    services.priority = platform::makeThreadPriority();
    return services;
}

} // namespace vexlin
