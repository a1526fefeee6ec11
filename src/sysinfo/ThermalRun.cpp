#include "sysinfo/ThermalRun.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace vexlin::sysinfo {
namespace {

using Values = std::vector<std::optional<std::int64_t>>;

// A value of the reading; a reading shorter than its layout (it should never be) has the rest absent.
std::optional<std::int64_t> at(const Values& values, std::size_t index) {
    return index < values.size() ? values[index] : std::nullopt;
}

void keepMax(std::optional<std::int64_t>& kept, std::int64_t value) {
    kept = kept ? std::max(*kept, value) : value;
}

void keepMin(std::optional<std::int64_t>& kept, std::int64_t value) {
    kept = kept ? std::min(*kept, value) : value;
}

bool believedRpm(std::int64_t rpm) {
    return rpm >= 0 && rpm <= kHighestBelievedRpm;
}

bool isTimeCounter(std::string_view name) {
    return name.ends_with("_throttle_total_time_ms");
}

} // namespace

std::optional<bool> ThermalSummary::throttled() const {
    if (throttleCountRise > 0 || slowedWhileHot) {
        return true;
    }
    if (countersWatched || clockRuleApplies) {
        return false;
    }
    return std::nullopt;
}

bool ThermalSummary::throttledBriefly() const {
    return throttleCountRise > 0 && !slowedWhileHot && throttleTimeRiseMs && *throttleTimeRiseMs > 0 &&
           *throttleTimeRiseMs < kShortThrottleMs;
}

const TemperatureSummary* ThermalSummary::processor() const {
    for (const auto& entry : temperatures) {
        if (entry.group == SensorGroup::Processor) {
            return &entry;
        }
    }
    return nullptr;
}

ThermalRun::ThermalRun(ThermalChoice choice)
    : choice_(std::move(choice)), maxMilli_(choice_.temperatures.size()),
      maxSource_(choice_.temperatures.size()), minRpm_(choice_.fans.size()), maxRpm_(choice_.fans.size()),
      counterBase_(choice_.watched.throttleCounters.size()), fanStandingFrom_(choice_.fans.size()),
      stoppedFans_(choice_.fans.size()) {}

std::optional<std::pair<std::int64_t, std::size_t>>
ThermalRun::hottest(const WatchedTemperature& entry, const platform::ThermalReading& reading) const {
    std::optional<std::pair<std::int64_t, std::size_t>> result;
    for (const std::size_t source : entry.sources) {
        const auto value = at(reading.milliCelsius, source);
        if (value && believedTemperature(*value) && (!result || *value > result->first)) {
            result = std::make_pair(*value, source);
        }
    }
    return result;
}

void ThermalRun::add(const platform::ThermalReading& reading) {
    ++readings_;
    latest_ = {};
    for (std::size_t i = 0; i < choice_.temperatures.size(); ++i) {
        const auto& entry = choice_.temperatures[i];
        const auto now = hottest(entry, reading);
        if (!now) {
            continue;
        }
        if (!maxMilli_[i] || now->first > *maxMilli_[i]) {
            maxMilli_[i] = now->first;
            maxSource_[i] = now->second;
        }
        if (entry.group == SensorGroup::Processor) {
            latest_.processorMilliCelsius = now->first;
        }
    }
    for (std::size_t i = 0; i < choice_.fans.size(); ++i) {
        auto rpm = at(reading.fanRpm, choice_.fans[i].source);
        if (rpm && !believedRpm(*rpm)) {
            rpm.reset();
        }
        if (rpm) {
            keepMin(minRpm_[i], *rpm);
            keepMax(maxRpm_[i], *rpm);
        }
        addFan(i, rpm);
        latest_.fanRpm.push_back(rpm);
    }
    addClocks(reading);
    addCounters(reading);
}

// Many laptops stop their fans at rest, so 0 rpm alone says nothing; 0 rpm while the processor is hot and
// still warming is a fan that does not start.
void ThermalRun::addFan(std::size_t fan, std::optional<std::int64_t> rpm) {
    const auto processor = latest_.processorMilliCelsius;
    if (!rpm || !processor) {
        return;
    }
    auto& from = fanStandingFrom_[fan];
    if (*rpm > 0) {
        from.reset();
        return;
    }
    if (!from) {
        from = processor;
    }
    if (*processor >= kFanNeededMilliCelsius && *processor - *from >= kFanNeededRiseMilliCelsius) {
        auto& stopped = stoppedFans_[fan];
        if (!stopped || *processor - *from > stopped->toMilliCelsius - stopped->fromMilliCelsius) {
            stopped = StoppedFan{*from, *processor};
        }
    }
}

void ThermalRun::addClocks(const platform::ThermalReading& reading) {
    std::optional<std::int64_t> fastest;
    for (std::size_t i = 0; i < choice_.watched.clocks.size(); ++i) {
        const auto khz = at(reading.clockKhz, i);
        if (khz && *khz > 0) {
            keepMax(fastest, *khz);
        }
    }
    if (!fastest) {
        return;
    }
    keepMin(minKhz_, *fastest);
    keepMax(maxKhz_, *fastest);
    const auto temperature = latest_.processorMilliCelsius;
    if (peakKhz_ && temperature && *temperature >= kHotWithoutLimitMilliCelsius &&
        *fastest * 100 < *peakKhz_ * kClockFallPercent && (!clockFall_ || *fastest < clockFall_->toKhz)) {
        clockFall_ = ClockFall{*peakKhz_, *fastest, *temperature};
    }
    keepMax(peakKhz_, *fastest);
    const WatchedTemperature* processor = choice_.processor();
    if (!choice_.baseKhz || processor == nullptr || !processor->limitMilliCelsius ||
        !latest_.processorMilliCelsius) {
        return;
    }
    clockRuleChecked_ = true;
    const bool hot = *latest_.processorMilliCelsius >= *processor->limitMilliCelsius - kNearLimitMilliCelsius;
    if (hot && *fastest < *choice_.baseKhz) {
        slowedWhileHot_ = true;
    }
}

void ThermalRun::addCounters(const platform::ThermalReading& reading) {
    for (std::size_t i = 0; i < counterBase_.size(); ++i) {
        const auto count = at(reading.throttleCounts, i);
        if (!count || *count < 0) {
            continue;
        }
        // A counter that went back (its processor was taken offline and back) counts afresh from there.
        if (!counterBase_[i] || *count < *counterBase_[i]) {
            counterBase_[i] = count;
        }
        const std::int64_t rise = *count - *counterBase_[i];
        if (isTimeCounter(choice_.watched.throttleCounters[i].name)) {
            timeRise_ = std::max(timeRise_.value_or(0), rise);
            continue;
        }
        countersRead_ = true;
        counterRise_ = std::max(counterRise_, rise);
    }
}

ThermalSummary ThermalRun::summary() const {
    ThermalSummary summary;
    summary.readings = readings_;
    summary.sensorsReported = !choice_.empty();
    for (std::size_t i = 0; i < choice_.temperatures.size(); ++i) {
        const auto& entry = choice_.temperatures[i];
        const std::string sensor =
            maxMilli_[i] ? sensorName(choice_.watched.temperatures[maxSource_[i]]) : std::string();
        summary.temperatures.push_back({entry.group, entry.key, entry.name, maxMilli_[i],
                                        entry.limitMilliCelsius, sensor, entry.limitSource});
    }
    for (std::size_t i = 0; i < choice_.fans.size(); ++i) {
        summary.fans.push_back(
            {choice_.fans[i].key, choice_.fans[i].name, minRpm_[i], maxRpm_[i], stoppedFans_[i]});
    }
    summary.minKhz = minKhz_;
    summary.maxKhz = maxKhz_;
    summary.baseKhz = choice_.baseKhz;
    summary.countersWatched = countersRead_;
    summary.throttleCountRise = counterRise_;
    summary.throttleTimeRiseMs = timeRise_;
    summary.clockRuleApplies = clockRuleChecked_;
    summary.slowedWhileHot = slowedWhileHot_;
    if (!summary.throttled()) {
        summary.clockFellWhileHot = clockFall_;
    }
    return summary;
}

} // namespace vexlin::sysinfo
