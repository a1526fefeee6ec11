#pragma once

#include "battery/CapacityEstimate.h"
#include "battery/ChargingCheck.h"
#include "platform/BatteryHealth.h"
#include "results/ResultsStore.h"

#include <map>
#include <string>
#include <vector>

// Folds each once-a-second snapshot of the batteries into their capacity measurement and charging check,
// and keeps the store's battery lines up to date: a line is written again only when it changed, so the
// page "Итоги" refills itself only for news.
namespace vexlin::battery {

class BatteryHealthMonitor {
public:
    BatteryHealthMonitor(results::ResultsStore& store, std::string decimalSeparator)
        : store_(store), separator_(std::move(decimalSeparator)) {}

    // `seconds` comes from a steady clock: the drain is integrated over it.
    void refresh(const platform::BatterySnapshot& snapshot, double seconds);
    void tick(const platform::BatteryHealth& source, double seconds) { refresh(source.read(), seconds); }

    const CapacityEstimate* estimate(const std::string& battery) const;
    const ChargingCheck* charging(const std::string& battery) const;

private:
    struct Tracked {
        CapacityEstimate estimate;
        ChargingCheck charging;
        int absent = 0; // snapshots in a row without this battery
    };
    static constexpr int kReadingsTakenOut = 3;

    Tracked& trackedFor(const platform::BatteryFacts& facts);
    void put(results::ResultLine line);

    results::ResultsStore& store_;
    std::string separator_;
    std::map<std::string, Tracked> tracked_;
    std::vector<std::string> shown_; // the batteries whose lines the store holds, in order
    bool shownNone_ = false;
};

// What the capacity measurement and the charging check take from one snapshot of one battery.
GaugeReading gaugeReading(const platform::BatteryFacts& facts, double seconds);
ChargeReading chargeReading(const platform::BatteryFacts& facts, bool mainsOnline, double seconds);
// The percent is the gauge's own where it reports one, else whole points of remaining ÷ full.
bool percentFromCounter(const platform::BatteryFacts& facts);

} // namespace vexlin::battery
