#include "app/Startup.h"
#include "platform/Factory.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
#ifdef VEXLIN_DEBUG_SYSFS_ROOT
    // Developer builds only: the batteries of a fixture tree instead of this machine's.
    if (const char* root = std::getenv("VEXLIN_SYSFS_ROOT"); root != nullptr && *root != '\0') {
        vexlin::platform::usePowerSupplyRoot(root);
    }
#endif
    try {
        return vexlin::runVexlin(argc, argv);
    } catch (const std::exception& error) {
        // An error while the windows are created ends the program, as an unhandled error does.
        std::fprintf(stderr, "vexlin: %s\n", error.what());
        return 1;
    }
}
