#include "battery/HealthFigures.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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
        figures.fullAboveDesign = ratio > 1.0;
        figures.wearPercent = std::max(0.0, (1.0 - ratio) * 100.0);
    }
    return figures;
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
