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
    std::optional<double> fullToDesign;  // full ÷ design
    std::optional<int> cycles;           // only where the gauge counts them
};

// A new pack holds a little more or less than its label; a full figure far above it is a gauge that was
// never calibrated, or a pack that is not the one the label describes.
inline constexpr double kAsNewTolerance = 0.05;

HealthFigures healthFigures(const platform::BatteryFacts& facts);

// The charge percent shown on the page "Батарея" and in the results: remaining ÷ full, as the power status
// computes it, where the gauge reports both; else the gauge's own percent.  Some firmware writes its
// percent against the design capacity, so the gauge's own figure is kept beside it when they differ.
struct ShownPercent {
    std::optional<int> percent;
    bool fromCounter = false;
    std::optional<int> gaugePercent; // the gauge's own, when it differs from the shown one
    bool gaugeOfDesign = false;      // ... and matches remaining ÷ design instead
};
inline constexpr int kPercentTolerance = 2; // points: the kernel's rounding and a tick between two reads
ShownPercent shownPercent(const platform::BatteryFacts& facts);

// A number with a fixed count of decimals and the given decimal separator, no grouping: "38,2".
std::string decimalText(double value, int decimals, std::string_view separator);

} // namespace vexlin::battery
