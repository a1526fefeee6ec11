#pragma once

#include <cstdint>
#include <string>

namespace vexlin {

struct SplashBattery {
    std::string text; // UTF-8
    int barSteps = 0; // how far the charge bar advances
};

// The splash's battery line: the system reports 255 (anything above 100) when it cannot tell.
SplashBattery splashBattery(std::uint8_t percent);

} // namespace vexlin
