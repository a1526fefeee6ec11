#include "battery/DischargeAnalysis.h"

#include "battery/MonitorTexts.h"

namespace vexlin::battery {
namespace {

const char* const kProgress = "Идёт анализ ";
constexpr int kHighestKnownPercent = 100;

} // namespace

void DischargeAnalysis::start() {
    running_ = true;
    text_ = kProgress;
    tick_ = 1;
    startTick_ = 0;
    startPercent_.reset();
    lowestPercent_ = 0;
    drops_ = 0;
    dots_ = 0;
    forecastSeconds_.reset();
}

void DischargeAnalysis::tick(std::uint8_t percent) {
    if (!running_) {
        return;
    }
    // An unknown charge (255, no battery) is no reading: starting from it would count the first real
    // percent as a drop and scale the forecast by a charge that never existed.
    const bool known = percent <= kHighestKnownPercent;
    if (known && !startPercent_) {
        startPercent_ = percent;
        lowestPercent_ = percent;
        startTick_ = tick_;
    }
    text_ += ".";
    if (known && percent < lowestPercent_) {
        lowestPercent_ = percent;
        ++drops_;
    }
    if (drops_ == kDropsNeeded) {
        // Seconds per percent (truncated) times the percent left.  The first reading counts as one second,
        // so three drops by tick 600 give 600 / 3 seconds per percent.
        const std::int64_t seconds = tick_ - startTick_ + 1;
        forecastSeconds_ = seconds / (*startPercent_ - lowestPercent_) * lowestPercent_;
        text_ = "Осталось: " + hoursMinutes(static_cast<std::uint64_t>(*forecastSeconds_)) + " мин.";
        running_ = false;
    }
    ++tick_;
    ++dots_;
    if (running_ && dots_ > kMaxDots) {
        dots_ = 0;
        text_ = kProgress;
    }
}

} // namespace vexlin::battery
