#pragma once

#include "ui/Globals.h"

namespace vexlin {

// The main window's clock-measurement timer as the test windows see it.
class ClockTimerSwitch {
public:
    virtual ~ClockTimerSwitch() = default;
    // The options window's "Считать реальную частоту CPU".
    virtual bool measureOptionTicked() const = 0;
    virtual void setClockTimerRunning(bool running) = 0;
};

// A test window that closes outside a full test starts the measurements again when the option is ticked.
inline void resumeClockAfterTest(ClockTimerSwitch& clock, bool fullTestRunning) {
    if (clock.measureOptionTicked() && !fullTestRunning) {
        clock.setClockTimerRunning(true);
    }
}

// How a test window closes: during a full test it moves the sequence on to the step after it; outside one it
// starts the clock measurements again when the option is ticked.
inline void closeTestWindow(ClockTimerSwitch* clock, int nextFullTestStep) {
    if (FullTestRunning) {
        FullTestStep = nextFullTestStep;
    } else if (clock != nullptr) {
        resumeClockAfterTest(*clock, FullTestRunning);
    }
}

} // namespace vexlin
