#include "battery/ChargingCheck.h"

namespace vexlin::battery {

using Status = platform::BatteryFacts::Status;

void ChargingCheck::add(const ChargeReading& reading) {
    if (reading.percent) {
        percent_ = reading.percent;
    }
    if (judged()) {
        return;
    }
    if (!reading.mainsOnline) {
        // Pulled before anything could be judged: the next plug starts over.
        state_ = State::NoMains;
        secondsToStart_.reset();
        return;
    }
    if (state_ == State::NoMains) {
        state_ = State::Waiting;
        pluggedAt_ = reading.seconds;
    }
    onMains(reading);
}

bool ChargingCheck::rose(const ChargeReading& reading) const {
    if (startRemaining_ && reading.remaining) {
        return *reading.remaining > *startRemaining_;
    }
    // A gauge without a counter still shows the rise in its percent, only later.
    return startPercent_ && reading.percent && *reading.percent > *startPercent_;
}

void ChargingCheck::onMains(const ChargeReading& reading) {
    if (reading.status == Status::Charging) {
        if (state_ != State::Charging) {
            state_ = State::Charging;
            chargingSince_ = reading.seconds;
            startRemaining_ = reading.remaining;
            startPercent_ = reading.percent;
            if (!secondsToStart_) {
                secondsToStart_ = reading.seconds - pluggedAt_;
            }
            return;
        }
        if (rose(reading)) {
            state_ = State::Works;
            secondsToRise_ = reading.seconds - chargingSince_;
        } else if (reading.seconds - chargingSince_ > kRiseWithinSeconds) {
            state_ = State::NotRising;
        }
        return;
    }
    const bool pausing =
        state_ == State::Full || state_ == State::Held || state_ == State::Queued || state_ == State::Silent;
    if (reading.status == Status::Full) {
        state_ = State::Full;
        return;
    }
    if (reading.status == Status::NotCharging) {
        state_ = reading.otherCharging ? State::Queued : State::Held;
        return;
    }
    if (reading.otherCharging) {
        state_ = State::Queued;
        return;
    }
    if (reading.status == Status::Unknown) {
        state_ = State::Silent;
        return;
    }
    // Discharging although the mains is there: the charger has that long to take over, counted from the
    // plug or from the end of a pause that was no fault.
    if (pausing) {
        pluggedAt_ = reading.seconds;
    }
    state_ = State::Waiting;
    if (reading.seconds - pluggedAt_ > kStartWithinSeconds) {
        state_ = State::NotStarting;
    }
}

} // namespace vexlin::battery
