#include "battery/HealthFigures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vexlin::battery {
namespace {

constexpr double kMicro = 1e-6;

// Zero or less is a gauge that does not know, whichever back end read it.
std::optional<double> scaled(const std::optional<std::int64_t>& value, double factor) {
    if (!value || *value <= 0) {
        return std::nullopt;
    }
    return static_cast<double>(*value) * factor;
}

// µAh × V gives µWh; the design voltage is the one the label's Wh figure is computed with.
std::optional<double> chargeToWh(const std::optional<double>& mah, const std::optional<double>& volts) {
    if (!mah || !volts) {
        return std::nullopt;
    }
    return *mah * *volts / 1000.0;
}

} // namespace

HealthFigures healthFigures(const platform::BatteryFacts& facts) {
    HealthFigures figures;
    figures.cycles = facts.cycleCount;
    figures.designVoltage = scaled(facts.voltageMinDesign, kMicro);
    if (facts.units == platform::BatteryFacts::Units::Energy) {
        figures.designWh = scaled(facts.designFull, kMicro);
        figures.fullWh = scaled(facts.full, kMicro);
    } else {
        figures.chargeUnits = true;
        figures.designMah = scaled(facts.designFull, 1e-3);
        figures.fullMah = scaled(facts.full, 1e-3);
        figures.designWh = chargeToWh(figures.designMah, figures.designVoltage);
        figures.fullWh = chargeToWh(figures.fullMah, figures.designVoltage);
    }
    // Wear compares the gauge's own two numbers, so it needs no voltage even for a charge-counting pack.
    if (facts.designFull && facts.full && *facts.designFull > 0 && *facts.full > 0) {
        const double ratio = static_cast<double>(*facts.full) / static_cast<double>(*facts.designFull);
        figures.fullToDesign = ratio;
        figures.wearPercent = std::max(0.0, (1.0 - ratio) * 100.0);
    }
    return figures;
}

ShownPercent shownPercent(const platform::BatteryFacts& facts) {
    ShownPercent shown;
    const auto percentOf = [&](const std::optional<std::int64_t>& whole) -> std::optional<int> {
        if (!facts.now || !whole || *whole <= 0 || *facts.now < 0) {
            return std::nullopt;
        }
        const double percent = static_cast<double>(*facts.now) * 100.0 / static_cast<double>(*whole);
        return static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0)));
    };
    const auto counter = percentOf(facts.full);
    if (!counter) {
        shown.percent = facts.capacityPercent;
        return shown;
    }
    shown.percent = counter;
    shown.fromCounter = true;
    if (facts.capacityPercent && std::abs(*facts.capacityPercent - *counter) > kPercentTolerance) {
        shown.gaugePercent = facts.capacityPercent;
        const auto ofDesign = percentOf(facts.designFull);
        // Only where the two readings are far enough apart to tell one from the other.
        shown.gaugeOfDesign = ofDesign && std::abs(*ofDesign - *counter) > 2 * kPercentTolerance &&
                              std::abs(*facts.capacityPercent - *ofDesign) <= kPercentTolerance;
    }
    return shown;
}

std::string decimalText(double value, int decimals, std::string_view separator) {
    if (!std::isfinite(value)) {
        return "?";
    }
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0) {
        rounded = 0.0; // no "-0,0"
    }
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
    if (error != std::errc{}) {
        return "?";
    }
    std::string text(buffer, end);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, separator);
    }
    return text;
}

} // namespace vexlin::battery
