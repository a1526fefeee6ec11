#pragma once

#include "platform/BatteryHealth.h"

#include <optional>

// Whether a battery charges once the mains is connected: it must say "charging" within kStartWithinSeconds
// and its charge must then rise within kRiseWithinSeconds.  A pack held at a charge threshold ("Not
// charging", or discharging above the stop-charge threshold the kernel shows), already full, waiting while
// another battery charges, told not to charge ("charge_behaviour"), held by a vendor's conservation mode
// (which some firmware reports as "Charging" at 0 W), or not saying at all ("Unknown", as some
// firmware writes at a threshold) is not judged; the wait simply goes on while it says so.
//
// A pack that keeps discharging on the mains is what was seen, not a fault of the battery: an adapter weaker
// than the load, or charging limited by the firmware, does the same.  Only a rise of the charge is final;
// everything else is judged again on later readings.
namespace vexlin::battery {

struct ChargeReading {
    double seconds = 0;
    bool mainsOnline = false;
    platform::BatteryFacts::Status status = platform::BatteryFacts::Status::Unknown;
    std::optional<double> remaining; // the gauge's counter, any units
    std::optional<int> percent;
    bool otherCharging = false;      // another battery of the machine charges now: two are charged in turn
    std::optional<int> endThreshold; // the stop-charge threshold, where the kernel shows one
    platform::BatteryFacts::ChargeBehaviour behaviour = platform::BatteryFacts::ChargeBehaviour::Auto;
    bool conservation = false; // the vendor's conservation mode holds the charge below full
};

class ChargingCheck {
public:
    // Embedded controllers switch charging on within a few seconds of the plug; 30 s leaves room for the
    // slow ones without letting a dead charger pass.
    static constexpr double kStartWithinSeconds = 30.0;
    // A gauge that counts in steps of 1 % of a 60 Wh pack shows its first step after 0.6 Wh, which even a
    // 7.2 W trickle delivers within five minutes.
    static constexpr double kRiseWithinSeconds = 300.0;

    enum class State {
        NoMains,            // the mains has not been connected (or was pulled before a verdict)
        Waiting,            // connected, waiting for the battery to say "charging"
        Full,               // connected, the battery says it is full
        Held,               // connected, the battery says "not charging", or discharges above its threshold
        Told,               // connected, charging inhibited or discharge forced by charge_behaviour
        Conserving,         // connected, the vendor's conservation mode holds the charge
        Queued,             // connected, another battery charges first
        Silent,             // connected, the battery does not say whether it charges
        Charging,           // says "charging", waiting for the charge to rise
        Works,              // charging and the charge rose
        DischargingOnMains, // connected, but discharging beyond the time
        NotRising,          // says "charging" but the charge did not rise within the time
    };

    void add(const ChargeReading& reading);

    State state() const { return state_; }
    bool judged() const {
        return state_ == State::Works || state_ == State::DischargingOnMains || state_ == State::NotRising;
    }
    // Seconds from the plug (or the first reading on mains) to "charging".
    std::optional<double> secondsToStart() const { return secondsToStart_; }
    // Seconds from "charging" to the first rise of the charge.
    std::optional<double> secondsToRise() const { return secondsToRise_; }
    std::optional<int> percent() const { return percent_; } // the last one seen, for the threshold text
    std::optional<int> threshold() const { return threshold_; }
    platform::BatteryFacts::ChargeBehaviour behaviour() const { return behaviour_; }

private:
    void onMains(const ChargeReading& reading);
    bool rose(const ChargeReading& reading) const;

    State state_ = State::NoMains;
    double pluggedAt_ = 0;
    double chargingSince_ = 0;
    std::optional<double> startRemaining_;
    std::optional<int> startPercent_;
    std::optional<double> secondsToStart_;
    std::optional<double> secondsToRise_;
    std::optional<int> percent_;
    std::optional<int> threshold_;
    platform::BatteryFacts::ChargeBehaviour behaviour_ = platform::BatteryFacts::ChargeBehaviour::Auto;
};

} // namespace vexlin::battery
