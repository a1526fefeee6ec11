#include "battery/ChargingCheck.h"

namespace vexlin::battery {

using Status = platform::BatteryFacts::Status;
using Behaviour = platform::BatteryFacts::ChargeBehaviour;

void ChargingCheck::add(const ChargeReading& reading) {
    if (reading.percent) {
        percent_ = reading.percent;
    }
    threshold_ = reading.endThreshold;
    behaviour_ = reading.behaviour;
    if (state_ == State::Works) {
        return; // a charge that rose on the mains has shown the charger works
    }
    if (!reading.mainsOnline) {
        // What was seen on the mains stays until the mains says otherwise; a wait just ends.
        if (state_ != State::DischargingOnMains && state_ != State::NotRising) {
            state_ = State::NoMains;
            secondsToStart_.reset();
        }
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
        if (state_ != State::Charging && state_ != State::NotRising && state_ != State::Conserving) {
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
            state_ = reading.conservation ? State::Conserving : State::NotRising;
        }
        return;
    }
    if (reading.conservation && reading.status != Status::Full) {
        state_ = State::Conserving;
        return;
    }
    const bool pausing = state_ == State::Full || state_ == State::Held || state_ == State::Queued ||
                         state_ == State::Silent || state_ == State::Told || state_ == State::Conserving;
    if (reading.behaviour != Behaviour::Auto) {
        state_ = State::Told;
        return;
    }
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
    // Some firmware lets the pack run down to a threshold set below its charge, saying "Discharging".
    if (reading.endThreshold && reading.percent && *reading.percent >= *reading.endThreshold) {
        state_ = State::Held;
        return;
    }
    if (state_ == State::DischargingOnMains) {
        return;
    }
    // Discharging although the mains is there: the charger has that long to take over, counted from the
    // plug or from the end of a pause that was no fault.
    if (pausing || state_ == State::Charging || state_ == State::NotRising) {
        pluggedAt_ = reading.seconds;
    }
    state_ = State::Waiting;
    if (reading.seconds - pluggedAt_ > kStartWithinSeconds) {
        state_ = State::DischargingOnMains;
    }
}

} // namespace vexlin::battery
