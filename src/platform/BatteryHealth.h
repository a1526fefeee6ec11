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

    std::string name; // the supply's name: "BAT0"
    std::string manufacturer;
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

    bool operator==(const BatteryFacts&) const = default;
};

struct BatterySnapshot {
    std::vector<BatteryFacts> batteries; // in name order; peripherals' batteries left out
    std::optional<bool> mainsOnline;     // empty when the machine has no mains supply to ask

    bool operator==(const BatterySnapshot&) const = default;
};

class BatteryHealth {
public:
    virtual ~BatteryHealth() = default;
    // Never fails: a machine without a battery gives an empty list.
    virtual BatterySnapshot read() const = 0;
};

} // namespace vexlin::platform
