#include "app/SplashText.h"

namespace vexlin {

SplashBattery splashBattery(std::uint8_t percent) {
    if (percent > 100) {
        return {"Батарея не обнаружена", 0};
    }
    return {"Батарея заряжена на " + std::to_string(percent) + " %", percent};
}

} // namespace vexlin
