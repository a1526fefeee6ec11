#pragma once

#include "platform/NormalPriorityLane.h"
#include "platform/Processor.h"
#include "platform/ThreadPriority.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vexlin::sysinfo {

// The counting window is a plain sleep, not a busy loop; the settle sleep lets the raised priority take
// effect before the first reading.
inline constexpr std::chrono::milliseconds kClockSettle{10};
inline constexpr std::chrono::milliseconds kClockWindow{500};

// Counter ticks per microsecond over the window, 500 ms unless the time that really passed is given.  Only
// the low 32 bits of the difference count, so a counter faster than about 8590 MHz wraps and reads too low.
double clockMhz(std::uint64_t t0, std::uint64_t t1, double windowMicroseconds = 500000.0);

// Fixed point with two decimals and the given decimal separator, no grouping: "1596,03".
std::string clockNumberText(double mhz, std::string_view decimalSeparator);
// The same followed by " MHz".
std::string clockText(double mhz, std::string_view decimalSeparator);

// What a measurement needs of time; tests pass their own.
struct ClockTime {
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<std::chrono::nanoseconds()> now; // a monotonic clock
    static ClockTime real();
};

// One measurement on a short-lived thread of its own, raised to real-time priority where the system allows
// it, while the caller waits.  The user-interface thread runs at idle priority, which an unprivileged
// thread can never leave again, so raising and restoring it in place is not an option; and a thread it
// created itself would start idle too, so the measuring thread comes from the normal-priority lane when one
// is given.
// The ticks are divided by the time that really passed between the two readings, not by the nominal
// 500 ms: a thread the system does not raise may wake well after its sleep ends, and dividing by 500 ms
// would then report that delay as a faster clock.
double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       platform::NormalPriorityLane* lane, const ClockTime& time = ClockTime::real());
// As above with the measuring thread created by the caller.
double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       const ClockTime& time = ClockTime::real());

} // namespace vexlin::sysinfo
