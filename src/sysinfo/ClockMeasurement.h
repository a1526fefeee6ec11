#pragma once

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

// Counter ticks per microsecond over the 500 ms window.  Only the low 32 bits of the difference count, so
// a counter faster than about 8590 MHz wraps and reads too low.
double clockMhz(std::uint64_t t0, std::uint64_t t1);

// Fixed point with two decimals and the given decimal separator, no grouping: "1596,03".
std::string clockNumberText(double mhz, std::string_view decimalSeparator);
// The same followed by " MHz".
std::string clockText(double mhz, std::string_view decimalSeparator);

using SleepFor = std::function<void(std::chrono::milliseconds)>;
void sleepFor(std::chrono::milliseconds duration);

// One measurement on a short-lived thread of its own, raised to real-time priority where the system allows
// it, while the caller waits.  The user-interface thread runs at idle priority, which an unprivileged
// thread can never leave again, so raising and restoring it in place is not an option.
double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       const SleepFor& sleep = sleepFor);

} // namespace vexlin::sysinfo
