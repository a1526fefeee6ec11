#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::platform {

// What one of the machine's own batteries says about itself, as raw numbers in the units its gauge uses.
// A value the battery does not report, or reports as garbage, is empty: nothing is guessed.
struct BatteryFacts {
    enum class Units { Energy, Charge }; // µWh and µW, or µAh and µA
    enum class Status { Unknown, Charging, Discharging, NotCharging, Full };
    // What the owner or the firmware asked of the charger ("charge_behaviour"): discharging on mains is then
    // intended.
    enum class ChargeBehaviour { Auto, InhibitCharge, ForceDischarge };

    std::string name;         // the supply's name: "BAT0"
    std::string manufacturer; // UTF-8; bytes that are not are replaced by U+FFFD
    std::string model;
    std::string serial;
    std::string technology; // "Li-ion", "Li-poly", ...
    Units units = Units::Energy;
    std::optional<std::int64_t> designFull; // µWh or µAh
    std::optional<std::int64_t> full;
    std::optional<std::int64_t> now;
    std::optional<std::int64_t> rate;             // µW or µA, always the magnitude of the flow
    std::optional<std::int64_t> voltageMinDesign; // µV
    std::optional<std::int64_t> voltageNow;       // µV
    std::optional<int> cycleCount;                // empty also where the gauge writes 0 for "not counted"
    std::optional<int> capacityPercent;           // the gauge's own percent, 0..100
    Status status = Status::Unknown;
    std::optional<int> chargeEndThreshold; // percent where the firmware stops charging, when below 100
    ChargeBehaviour chargeBehaviour = ChargeBehaviour::Auto;
    bool conservationMode = false; // a vendor's mode that holds the charge below full (ideapad_laptop)
    bool silent = false;           // every value the slot reports reads 0: no pack answers in that bay

    bool operator==(const BatteryFacts&) const = default;
};

struct BatterySnapshot {
    std::vector<BatteryFacts> batteries; // in name order; peripherals' batteries left out
    std::optional<bool> mainsOnline;     // by the one rule of the power status; empty when nothing tells

    bool operator==(const BatterySnapshot&) const = default;
};

class BatteryHealth {
public:
    virtual ~BatteryHealth() = default;
    // Never fails: a machine without a battery gives an empty list.
    virtual BatterySnapshot read() const = 0;
};

} // namespace vexlin::platform
