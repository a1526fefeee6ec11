#include "keyboard/EventClock.h"

namespace vexlin {

std::int64_t EventClock::eventTime(std::uint32_t stamp, std::int64_t steadyMs) {
    if (stamp == 0) {
        lastTime_ = now(steadyMs);
        lastSteady_ = steadyMs;
        started_ = true;
        return lastTime_;
    }
    if (!stamped_) {
        lastTime_ = now(steadyMs); // the first stamp continues the timeline where it stands
    } else {
        // The difference of two stamps modulo 2^32, read as signed: a wrap is a small step forward, and an
        // event stamped a little earlier than the last one is a small step back.
        lastTime_ += static_cast<std::int32_t>(stamp - lastStamp_);
    }
    stamped_ = true;
    started_ = true;
    lastStamp_ = stamp;
    lastSteady_ = steadyMs;
    return lastTime_;
}

std::int64_t EventClock::now(std::int64_t steadyMs) const {
    if (!started_) {
        return steadyMs;
    }
    return lastTime_ + (steadyMs - lastSteady_);
}

} // namespace vexlin
