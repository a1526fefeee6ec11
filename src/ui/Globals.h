#pragma once

#include "platform/PowerStatus.h"

#include <cstdint>

// Program-wide state shared by the windows; plain values, no Qt.
namespace vexlin {

// True while the full-test sequence runs: set by its start button, cleared when the full-test window closes
// and when the main window is created.  Every test window's close handler reads it.
inline bool FullTestRunning = false;

// The full-test sequencer's step.  While a full test runs, the performance window's close handler sets it to
// 14, the keyboard window's to 16 and the audio window's to 28.
inline int FullTestStep = 0;

// Running averages of the full test: zero at start, never reset.
inline long double AverageFps = 0.0L;
inline long double AverageCpuMhz = 0.0L;

// The status last polled by the battery monitor, read by the discharge analysis between ticks.
inline platform::PowerStatus PowerStatus{};

// Battery-monitor ticks since start: the chart's X value and the elapsed-time text.
inline std::int32_t BatteryTicks = 0;

} // namespace vexlin
