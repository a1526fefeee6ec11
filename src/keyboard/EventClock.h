#pragma once

#include <cstdint>

namespace vexlin {

// One millisecond timeline for key events and timer ticks.  Events carry the windowing system's time stamp
// (X11: milliseconds that wrap at 2^32), which tells how far apart keys really went down even when the
// program was busy and handled them in one go; ticks only have the program's steady clock.  The timeline
// follows the stamps and runs on with the steady clock between events.  Unstamped events (0) take the
// steady clock.
class EventClock {
public:
    std::int64_t eventTime(std::uint32_t stamp, std::int64_t steadyMs);
    std::int64_t now(std::int64_t steadyMs) const;

private:
    bool started_ = false;
    bool stamped_ = false;
    std::uint32_t lastStamp_ = 0;
    std::int64_t lastTime_ = 0;
    std::int64_t lastSteady_ = 0;
};

} // namespace vexlin
