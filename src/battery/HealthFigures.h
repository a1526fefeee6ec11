#pragma once

#include "platform/BatteryHealth.h"

#include <optional>
#include <string>
#include <string_view>

// The figures of a battery's health as its gauge reports them: capacities in Wh (and in mAh for a pack that
// counts charge), wear and cycles.
namespace vexlin::battery {

struct HealthFigures {
    bool chargeUnits = false;            // the gauge counts mAh; Wh need the design voltage
    std::optional<double> designWh;      // as built
    std::optional<double> fullWh;        // what a full charge holds now, by the gauge
    std::optional<double> designMah;     // charge-counting packs only
    std::optional<double> fullMah;       //
    std::optional<double> designVoltage; // V
    std::optional<double> wearPercent;   // 1 − full ÷ design, never below 0
    bool fullAboveDesign = false;        // a new pack often holds a little more than its label
    std::optional<int> cycles;           // only where the gauge counts them
};

HealthFigures healthFigures(const platform::BatteryFacts& facts);

// A number with a fixed count of decimals and the given decimal separator, no grouping: "38,2".
std::string decimalText(double value, int decimals, std::string_view separator);

} // namespace vexlin::battery
