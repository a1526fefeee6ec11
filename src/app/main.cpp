#include "app/Startup.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        return vexlin::runVexlin(argc, argv);
    } catch (const std::exception& error) {
        // An error while the windows are created ends the program, as an unhandled error does.
        std::fprintf(stderr, "vexlin: %s\n", error.what());
        return 1;
    }
}
