#include "battery/CapacityEstimate.h"

#include <algorithm>
#include <cmath>

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
    struct Candidate {
        Source source;
        double drawn;
        double uncertainty;
        double relative() const { return uncertainty / drawn; }
    };
    const auto candidate = [&](Source source, double drawn, double uncertainty) -> std::optional<Candidate> {
        if (drawn <= 0 || !std::isfinite(drawn)) {
            return std::nullopt;
        }
        // Each end of a stretch is known to within one reading's worth of drain.
        const double perReading = sum.readings > 0 ? drawn / sum.readings : 0.0;
        return Candidate{source, drawn, uncertainty + perReading * sum.stretches};
    };
    std::optional<Candidate> counter;
    std::optional<Candidate> integral;
    // A counter that never moved while the percent fell is no measurement of anything.
    if (!percentFromCounter_ && sum.counterUsable && counterStep_) {
        counter = candidate(Source::Counter, sum.counterDrawn, *counterStep_ * sum.stretches);
    }
    if (sum.integralUsable) {
        const double quantisation = rateStep_ ? *rateStep_ / 2.0 * sum.seconds / kSecondsPerHour : 0.0;
        integral = candidate(Source::RateIntegral, sum.integralDrawn,
                             std::max(quantisation, kRateAccuracy * sum.integralDrawn));
    }
    std::optional<Candidate> best = counter ? counter : integral;
    if (counter && integral) {
        // A counter that disagrees with the measured drain is bookkeeping, not a measurement: trust the
        // drain.  Otherwise the finer of the two.
        const bool disagree =
            std::fabs(counter->drawn - integral->drawn) > counter->uncertainty + integral->uncertainty;
        best = disagree || integral->relative() < counter->relative() ? integral : counter;
    }
    if (!best) {
        return std::nullopt;
    }
    Result result;
    result.dropPoints = sum.drop;
    result.seconds = sum.seconds;
    result.source = best->source;
    result.drawn = best->drawn;
    result.capacity = best->drawn * 100.0 / sum.drop;
    const double relative = kPercentUncertainty * sum.stretches / sum.drop + best->uncertainty / best->drawn;
    result.uncertainty = result.capacity * relative;
    return result;
}

} // namespace vexlin::battery
