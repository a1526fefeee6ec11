#pragma once

#include "ui/ClockTimerSwitch.h"

namespace vexlin::testing {

// The main window's clock timer and the option that drives it, as a test window sees them.
class FakeClock final : public ClockTimerSwitch {
public:
    explicit FakeClock(bool optionTicked = false) : ticked(optionTicked) {}
    bool measureOptionTicked() const override { return ticked; }
    void setClockTimerRunning(bool on) override { running = on; }

    bool ticked = false;
    bool running = false;
};

} // namespace vexlin::testing
