#include "battery/CapacityEstimate.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vexlin::battery {
namespace {

constexpr double kSecondsPerHour = 3600.0;

void keepSmallest(std::optional<double>& smallest, double step) {
    if (step > 0 && (!smallest || step < *smallest)) {
        smallest = step;
    }
}

} // namespace

void CapacityEstimate::noteSteps(const GaugeReading& reading) {
    if (reading.remaining && last_.remaining) {
        keepSmallest(counterStep_, std::fabs(*reading.remaining - *last_.remaining));
    }
    if (reading.rate && last_.rate) {
        keepSmallest(rateStep_, std::fabs(*reading.rate - *last_.rate));
    }
}

void CapacityEstimate::add(const GaugeReading& reading) {
    const bool usable = reading.discharging && reading.percent.has_value();
    if (inStretch_) {
        const double dt = reading.seconds - last_.seconds;
        if (!usable || dt <= 0 || dt > kMaxGapSeconds) {
            endStretch();
        }
    }
    if (!usable) {
        return;
    }
    sawDischarge_ = true;
    if (!inStretch_) {
        inStretch_ = true;
        last_ = reading;
        integral_ = 0;
        integralOk_ = reading.rate.has_value();
        counterOk_ = reading.remaining.has_value();
        readingsSinceFirstEdge_ = 0;
        firstEdge_.reset();
        lastEdge_.reset();
        return;
    }

    noteSteps(reading);
    if (reading.rate && last_.rate) {
        integral_ +=
            (*reading.rate + *last_.rate) / 2.0 * (reading.seconds - last_.seconds) / kSecondsPerHour;
    } else {
        integralOk_ = false;
    }
    // A counter that goes up while the pack discharges has been rewritten by the gauge.
    if (!reading.remaining || (last_.remaining && *reading.remaining > *last_.remaining)) {
        counterOk_ = false;
    }
    if (firstEdge_) {
        ++readingsSinceFirstEdge_;
    }
    if (*reading.percent != *last_.percent) {
        if (!firstEdge_) {
            // Only what happens after the first change counts for this stretch.
            counterOk_ = reading.remaining.has_value();
            integralOk_ = reading.rate.has_value();
        }
        const Edge edge{reading.seconds,         *reading.percent, reading.remaining, integral_,
                        readingsSinceFirstEdge_, counterOk_,       integralOk_};
        if (!firstEdge_) {
            firstEdge_ = edge;
        } else {
            lastEdge_ = edge;
        }
    }
    last_ = reading;
}

void CapacityEstimate::addStretch(Totals& sum) const {
    if (!firstEdge_ || !lastEdge_) {
        return;
    }
    sum.drop += firstEdge_->percent - lastEdge_->percent;
    sum.stretches += 1;
    sum.readings += lastEdge_->readings;
    sum.seconds += lastEdge_->seconds - firstEdge_->seconds;
    sum.integralDrawn += lastEdge_->integral - firstEdge_->integral;
    sum.integralUsable = sum.integralUsable && lastEdge_->integralOk;
    if (lastEdge_->counterOk && firstEdge_->remaining && lastEdge_->remaining) {
        sum.counterDrawn += *firstEdge_->remaining - *lastEdge_->remaining;
    } else {
        sum.counterUsable = false;
    }
}

void CapacityEstimate::endStretch() {
    addStretch(done_);
    inStretch_ = false;
    firstEdge_.reset();
    lastEdge_.reset();
}

CapacityEstimate::Totals CapacityEstimate::totals() const {
    Totals sum = done_;
    if (inStretch_) {
        addStretch(sum);
    }
    return sum;
}

int CapacityEstimate::dropPoints() const {
    return totals().drop;
}

std::optional<CapacityEstimate::Result> CapacityEstimate::result() const {
    const Totals sum = totals();
    if (sum.drop < kMinDropPoints || sum.stretches == 0) {
        return std::nullopt;
    }
    const auto drawn = [&](double amount, double uncertainty) -> std::optional<Drawn> {
        if (amount <= 0 || !std::isfinite(amount)) {
            return std::nullopt;
        }
        // Each end of a stretch is known to within one reading's worth of drain.
        const double perReading = sum.readings > 0 ? amount / sum.readings : 0.0;
        return Drawn{amount, uncertainty + perReading * sum.stretches};
    };
    Result result;
    result.dropPoints = sum.drop;
    result.stretches = sum.stretches;
    result.seconds = sum.seconds;
    // A counter that never moved while the percent fell is no sensor of anything, and one the percent is
    // computed from says nothing of its own.
    if (!percentFromCounter_ && sum.counterUsable && counterStep_) {
        result.counter = drawn(sum.counterDrawn, *counterStep_ * sum.stretches);
    }
    if (sum.integralUsable) {
        const double quantisation = rateStep_ ? *rateStep_ / 2.0 * sum.seconds / kSecondsPerHour : 0.0;
        result.rate = drawn(sum.integralDrawn, std::max(quantisation, kRateTolerance * sum.integralDrawn));
    }
    return result;
}

std::optional<SensorComparison> compareSensors(const CapacityEstimate::Result& result, double claimedFull) {
    if (claimedFull <= 0 || !std::isfinite(claimedFull) || result.dropPoints <= 0) {
        return std::nullopt;
    }
    using Sensor = SensorComparison::Sensor;
    SensorComparison comparison;
    comparison.dropPoints = result.dropPoints;
    const CapacityEstimate::Drawn percent{claimedFull * result.dropPoints / 100.0,
                                          claimedFull * CapacityEstimate::kPercentUncertainty *
                                              result.stretches / 100.0};
    comparison.byPercent = percent.amount;
    if (result.counter) {
        comparison.byCounter = result.counter->amount;
    }
    if (result.rate) {
        comparison.byRate = result.rate->amount;
    }
    struct Reading {
        Sensor sensor;
        CapacityEstimate::Drawn drawn;
    };
    std::vector<Reading> readings{{Sensor::Percent, percent}};
    if (result.counter) {
        readings.push_back({Sensor::Counter, *result.counter});
    }
    if (result.rate) {
        readings.push_back({Sensor::Rate, *result.rate});
    }
    for (std::size_t i = 0; i < readings.size(); ++i) {
        for (std::size_t j = i + 1; j < readings.size(); ++j) {
            comparison.compared = true;
            const auto& a = readings[i].drawn;
            const auto& b = readings[j].drawn;
            const double difference = std::fabs(a.amount - b.amount);
            if (difference <= a.uncertainty + b.uncertainty) {
                continue;
            }
            const double share = difference / std::max(a.amount, b.amount);
            if (comparison.agree || share > comparison.disagreement) {
                comparison.agree = false;
                comparison.disagreement = share;
                comparison.first = readings[i].sensor;
                comparison.second = readings[j].sensor;
            }
        }
    }
    return comparison;
}

} // namespace vexlin::battery
