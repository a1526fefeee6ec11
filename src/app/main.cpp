#include "app/Startup.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    // For developers, in a build configured with VEXLIN_DEBUG_SYSFS_ROOT only: /sys is read below the
    // directory VEXLIN_SYSFS_ROOT names (a copied sys/ of another machine; the test fixtures have some), so
    // its batteries and sensors can be looked at on this one.  The product never reads the variable.
    const char* sysfsRoot = nullptr;
#ifdef VEXLIN_DEBUG_SYSFS_ROOT
    sysfsRoot = std::getenv("VEXLIN_SYSFS_ROOT");
#endif
    try {
        return vexlin::runVexlin(argc, argv, sysfsRoot != nullptr && *sysfsRoot != '\0' ? sysfsRoot : "/");
    } catch (const std::exception& error) {
        // An error while the windows are created ends the program, as an unhandled error does.
        std::fprintf(stderr, "vexlin: %s\n", error.what());
        return 1;
    }
}
