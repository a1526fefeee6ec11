#include "app/Startup.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    // For developers: VEXLIN_SYSFS_ROOT is the root below which /sys is read, a directory that holds a copied
    // sys/ of another machine (the test fixtures have some), so its sensors can be looked at on this one.
    const char* sysfsRoot = std::getenv("VEXLIN_SYSFS_ROOT");
    try {
        return vexlin::runVexlin(argc, argv, sysfsRoot != nullptr && *sysfsRoot != '\0' ? sysfsRoot : "/");
    } catch (const std::exception& error) {
        // An error while the windows are created ends the program, as an unhandled error does.
        std::fprintf(stderr, "vexlin: %s\n", error.what());
        return 1;
    }
}
