#pragma once

#include "platform/ThermalSensors.h"
#include "sysinfo/ThermalChoice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexlin::sysinfo {

// A processor this close to its limit (millidegrees) counts as hot.
inline constexpr std::int64_t kNearLimitMilliCelsius = 5000;
// Throttling that lasted less than this in all (the kernel's *_throttle_total_time_ms) was a passing spike.
inline constexpr std::int64_t kShortThrottleMs = 100;
// Where no limit is told, a processor this warm counts as hot: laptop fans run well before it, and the clock
// falling this far below the run's own highest (percent) is no idle core clocking down.
inline constexpr std::int64_t kHotWithoutLimitMilliCelsius = 80000;
inline constexpr std::int64_t kClockFallPercent = 80;
// A fan that reads 0 rpm while the processor is at least this warm and has warmed by this much since the fan
// last turned is stopped when it should turn.
inline constexpr std::int64_t kFanNeededMilliCelsius = 70000;
inline constexpr std::int64_t kFanNeededRiseMilliCelsius = 5000;

// A fan that stood while the processor heated: the processor's temperature when the fan was first seen
// standing and the hottest it reached while the fan still stood.
struct StoppedFan {
    std::int64_t fromMilliCelsius = 0;
    std::int64_t toMilliCelsius = 0;
};

// The clock falling while the processor was hot: the run's highest clock before it, the low, and the
// processor's temperature then.
struct ClockFall {
    std::int64_t fromKhz = 0;
    std::int64_t toKhz = 0;
    std::int64_t milliCelsius = 0;
};

struct TemperatureSummary {
    SensorGroup group = SensorGroup::Processor;
    std::string key;
    std::string name;
    std::optional<std::int64_t> maxMilliCelsius; // absent when no reading of the run could be believed
    std::optional<std::int64_t> limitMilliCelsius;
    std::string sensor;      // the sensor that gave the maximum: "k10temp Tdie"
    std::string limitSource; // where the limit was read
};

struct FanSummary {
    std::string key;
    std::string name;
    std::optional<std::int64_t> minRpm;
    std::optional<std::int64_t> maxRpm;
    std::optional<StoppedFan> stoppedWhileHeating;
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
    // The largest rise of any one *_throttle_total_time_ms during the run, where the kernel keeps them.
    std::optional<std::int64_t> throttleTimeRiseMs;
    bool clockRuleApplies = false; // at some reading base clock, clock, temperature and limit were known
    bool slowedWhileHot = false;   // the fastest core below base while the processor was near its limit
    // Where throttling cannot be observed: the largest fall of the clock while the processor was hot.
    std::optional<ClockFall> clockFellWhileHot;

    // Whether the processor throttled; absent when neither a counter nor the clock rule can tell.
    std::optional<bool> throttled() const;
    // Throttled only in passing: the counters rose, the kernel's time spent throttled stayed a few
    // milliseconds, and the clock never stayed below base while hot.
    bool throttledBriefly() const;
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
    // The hottest believed value of an entry's sources now, and the source it came from.
    std::optional<std::pair<std::int64_t, std::size_t>>
    hottest(const WatchedTemperature& entry, const platform::ThermalReading& reading) const;
    void addClocks(const platform::ThermalReading& reading);
    void addCounters(const platform::ThermalReading& reading);
    void addFan(std::size_t fan, std::optional<std::int64_t> rpm);

    ThermalChoice choice_;
    int readings_ = 0;
    std::vector<std::optional<std::int64_t>> maxMilli_; // per watched temperature entry
    std::vector<std::size_t> maxSource_;                // the source of each maximum
    std::vector<std::optional<std::int64_t>> minRpm_;
    std::vector<std::optional<std::int64_t>> maxRpm_;
    std::optional<std::int64_t> minKhz_;
    std::optional<std::int64_t> maxKhz_;
    std::vector<std::optional<std::int64_t>> counterBase_; // per counter: its value when the run began
    std::int64_t counterRise_ = 0;
    std::optional<std::int64_t> timeRise_;
    bool countersRead_ = false;
    std::optional<std::int64_t> peakKhz_;
    std::optional<ClockFall> clockFall_;
    std::vector<std::optional<std::int64_t>> fanStandingFrom_; // per fan: processor when it was seen standing
    std::vector<std::optional<StoppedFan>> stoppedFans_;
    bool clockRuleChecked_ = false;
    bool slowedWhileHot_ = false;
    LiveValues latest_;
};

} // namespace vexlin::sysinfo
