#include "battery/BatteryHealthMonitor.h"

#include "battery/HealthFigures.h"
#include "battery/HealthLines.h"

#include <algorithm>
#include <cmath>

namespace vexlin::battery {

using Facts = platform::BatteryFacts;

bool percentFromCounter(const Facts& facts) {
    const ShownPercent shown = shownPercent(facts);
    return shown.fromCounter && (!facts.capacityPercent || shown.gaugeOfDesign);
}

namespace {

// The percent the sensor check follows: the gauge's own, a sensor apart from the counter, unless it is
// written against the design capacity; then remaining ÷ full, which the counter check cannot use.
std::optional<int> checkedPercent(const Facts& facts) {
    const ShownPercent shown = shownPercent(facts);
    if (facts.capacityPercent && !shown.gaugeOfDesign) {
        return facts.capacityPercent;
    }
    return shown.percent;
}

std::optional<double> asDouble(const std::optional<std::int64_t>& value) {
    if (!value) {
        return std::nullopt;
    }
    return static_cast<double>(*value);
}

} // namespace

GaugeReading gaugeReading(const Facts& facts, double seconds) {
    GaugeReading reading;
    reading.seconds = seconds;
    reading.percent = checkedPercent(facts);
    reading.remaining = asDouble(facts.now);
    reading.discharging = facts.status == Facts::Status::Discharging;
    // A pack that discharges draws something: a zero is a gauge that has not measured, not an idle load.
    if (facts.rate && !(reading.discharging && *facts.rate == 0)) {
        reading.rate = static_cast<double>(*facts.rate);
    }
    return reading;
}

ChargeReading chargeReading(const Facts& facts, bool mainsOnline, double seconds) {
    ChargeReading reading;
    reading.seconds = seconds;
    reading.mainsOnline = mainsOnline;
    reading.status = facts.status;
    reading.remaining = asDouble(facts.now);
    reading.percent = shownPercent(facts).percent;
    reading.endThreshold = facts.chargeEndThreshold;
    reading.behaviour = facts.chargeBehaviour;
    reading.conservation = facts.conservationMode;
    return reading;
}

BatteryHealthMonitor::Tracked& BatteryHealthMonitor::trackedFor(const Facts& facts) {
    auto found = tracked_.find(facts.name);
    if (found == tracked_.end()) {
        found = tracked_.emplace(facts.name, Tracked{CapacityEstimate(percentFromCounter(facts)), {}}).first;
    }
    return found->second;
}

void BatteryHealthMonitor::put(results::ResultLine line) {
    const auto* existing = store_.find(line.source, line.key);
    if (existing == nullptr || !(*existing == line)) {
        store_.put(std::move(line));
    }
}

void BatteryHealthMonitor::refresh(const platform::BatterySnapshot& snapshot, double seconds) {
    std::vector<std::string> names;
    names.reserve(snapshot.batteries.size());
    for (const auto& facts : snapshot.batteries) {
        names.push_back(facts.name);
    }
    // A battery taken out keeps its lines: what was measured stays measured.  Its measurement does not go on
    // when a pack comes back in that bay, which may be another pack, and the charge it lost or gained while
    // out was never seen; one reading without it is an ACPI re-read, not a pack taken out.  Only the "none"
    // line goes when a battery appears.
    for (auto it = tracked_.begin(); it != tracked_.end();) {
        const bool present = std::find(names.begin(), names.end(), it->first) != names.end();
        it->second.absent = present ? 0 : it->second.absent + 1;
        it = it->second.absent >= kReadingsTakenOut ? tracked_.erase(it) : std::next(it);
    }
    if (shownNone_ && !names.empty()) {
        store_.clearSource(kHealthSource);
        shownNone_ = false;
    }
    if (snapshot.batteries.empty()) {
        if (shown_.empty() && !shownNone_) {
            put(noBatteryLine());
            shownNone_ = true;
        }
        return;
    }
    const bool mains = snapshot.mainsOnline.value_or(false);
    const auto charging = [](const Facts& facts) { return facts.status == Facts::Status::Charging; };
    for (const auto& facts : snapshot.batteries) {
        Tracked& tracked = trackedFor(facts);
        tracked.estimate.add(gaugeReading(facts, seconds));
        ChargeReading reading = chargeReading(facts, mains, seconds);
        reading.otherCharging =
            std::any_of(snapshot.batteries.begin(), snapshot.batteries.end(),
                        [&](const Facts& other) { return &other != &facts && charging(other); });
        tracked.charging.add(reading);
        for (auto& line : healthLines(facts, tracked.estimate, tracked.charging, separator_)) {
            put(std::move(line));
        }
        if (std::find(shown_.begin(), shown_.end(), facts.name) == shown_.end()) {
            shown_.push_back(facts.name);
        }
    }
}

const CapacityEstimate* BatteryHealthMonitor::estimate(const std::string& battery) const {
    const auto found = tracked_.find(battery);
    return found == tracked_.end() ? nullptr : &found->second.estimate;
}

const ChargingCheck* BatteryHealthMonitor::charging(const std::string& battery) const {
    const auto found = tracked_.find(battery);
    return found == tracked_.end() ? nullptr : &found->second.charging;
}

} // namespace vexlin::battery
