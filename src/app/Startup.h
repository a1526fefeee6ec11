#pragma once

#include "platform/InstanceGuard.h"
#include "ui/AppServices.h"

#include <filesystem>

namespace vexlin {

// When another copy runs: tells the user and answers true (the start ends with exit code 0).
bool refuseSecondInstance(platform::InstanceGuard& guard);

// Creates the windows once, main window first, and sets their global references.
void createWindows(AppServices& services);
// Destroys them again (the main window owns the others) and clears the references.
void destroyWindows();

// The services of this system with the sound service, made before the user-interface thread is lowered.
AppServices startServices(const std::filesystem::path& sysfsRoot = "/");

// The whole program: guard, splash, idle priority, windows, message loop.  Returns the exit code.
// sysfsRoot is where /sys is read from: "/" but for a look at a copied tree.
int runVexlin(int& argc, char** argv, const std::filesystem::path& sysfsRoot = "/");

} // namespace vexlin
