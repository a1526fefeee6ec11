#pragma once

namespace vexlin {

// The main window's clock-measurement timer as the test windows see it.
class ClockTimerSwitch {
public:
    virtual ~ClockTimerSwitch() = default;
    // The options window's "Считать реальную частоту CPU".
    virtual bool measureOptionTicked() const = 0;
    virtual bool clockTimerRunning() const = 0;
    virtual void setClockTimerRunning(bool running) = 0;
};

// A test window that closes outside a full test starts the measurements again when the option is ticked.
inline void resumeClockAfterTest(ClockTimerSwitch& clock, bool fullTestRunning) {
    if (clock.measureOptionTicked() && !fullTestRunning) {
        clock.setClockTimerRunning(true);
    }
}

} // namespace vexlin
