#pragma once

#include "platform/ThermalSensors.h"
#include "sysinfo/ThermalChoice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::sysinfo {

// A processor this close to its limit (millidegrees) counts as hot.
inline constexpr std::int64_t kNearLimitMilliCelsius = 5000;

struct TemperatureSummary {
    SensorGroup group = SensorGroup::Processor;
    std::string key;
    std::string name;
    std::optional<std::int64_t> maxMilliCelsius; // absent when no reading of the run could be believed
    std::optional<std::int64_t> limitMilliCelsius;
};

struct FanSummary {
    std::string key;
    std::string name;
    std::optional<std::int64_t> minRpm;
    std::optional<std::int64_t> maxRpm;
};

// What a run saw, from its first reading to its last.
struct ThermalSummary {
    int readings = 0;
    bool sensorsReported = false; // anything at all to watch
    std::vector<TemperatureSummary> temperatures;
    std::vector<FanSummary> fans;
    // The processor's clock is its fastest core's at each reading: under a load of one thread the idle cores
    // clock down, which is no slowdown.
    std::optional<std::int64_t> minKhz;
    std::optional<std::int64_t> maxKhz;
    std::optional<std::int64_t> baseKhz;
    bool countersWatched = false;       // at least one kernel throttle counter could be read
    std::int64_t throttleCountRise = 0; // the largest rise of any one kernel counter during the run
    bool clockRuleApplies = false;      // at some reading base clock, clock, temperature and limit were known
    bool slowedWhileHot = false;        // the fastest core below base while the processor was near its limit

    // Whether the processor throttled; absent when neither a counter nor the clock rule can tell.
    std::optional<bool> throttled() const;
    const TemperatureSummary* processor() const;
};

// The latest values, for the line the performance window shows once a second.
struct LiveValues {
    std::optional<std::int64_t> processorMilliCelsius; // the hottest processor sensor
    std::vector<std::optional<std::int64_t>> fanRpm;
};

// One run of watching: running maxima and minima, the throttle counters against their first reading, and the
// clock rule at every reading.
class ThermalRun {
public:
    explicit ThermalRun(ThermalChoice choice);

    void add(const platform::ThermalReading& reading);

    const ThermalChoice& choice() const { return choice_; }
    const LiveValues& latest() const { return latest_; }
    ThermalSummary summary() const;

private:
    std::optional<std::int64_t> hottest(const WatchedTemperature& entry,
                                        const platform::ThermalReading& reading) const;
    void addClocks(const platform::ThermalReading& reading);
    void addCounters(const platform::ThermalReading& reading);

    ThermalChoice choice_;
    int readings_ = 0;
    std::vector<std::optional<std::int64_t>> maxMilli_; // per watched temperature entry
    std::vector<std::optional<std::int64_t>> minRpm_;
    std::vector<std::optional<std::int64_t>> maxRpm_;
    std::optional<std::int64_t> minKhz_;
    std::optional<std::int64_t> maxKhz_;
    std::vector<std::optional<std::int64_t>> counterBase_; // per counter: its value when the run began
    std::int64_t counterRise_ = 0;
    bool countersRead_ = false;
    bool clockRuleChecked_ = false;
    bool slowedWhileHot_ = false;
    LiveValues latest_;
};

} // namespace vexlin::sysinfo
