#pragma once

#include "battery/CapacityEstimate.h"
#include "battery/ChargingCheck.h"
#include "battery/HealthFigures.h"
#include "platform/BatteryHealth.h"
#include "results/ResultsStore.h"

#include <string_view>
#include <vector>

// The results of the battery-health check as the page "Итоги", the report and the JSON read them: per
// battery the lines "<name>.identity", ".charge", ".capacity", ".wear", ".cycles", ".sensor_check" and
// ".charging" of the source "battery"; a slot that answers nothing gets its ".identity" line alone, and a
// machine without a battery gets the one line "none".
namespace vexlin::battery {

inline constexpr std::string_view kHealthSource = "battery";

// Wear up to this is what a year or two of normal use leaves; beyond kWearBad a pack runs a fraction of
// its labelled time and is worth replacing.
inline constexpr double kWearWarning = 20.0;
inline constexpr double kWearBad = 40.0;

std::vector<results::ResultLine> healthLines(const platform::BatteryFacts& facts,
                                             const CapacityEstimate& estimate, const ChargingCheck& charging,
                                             std::string_view decimalSeparator);

results::ResultLine noBatteryLine();

} // namespace vexlin::battery
