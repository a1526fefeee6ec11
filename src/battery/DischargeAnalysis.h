#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The run-time forecast: once started it takes one charge reading a second, waits for the charge to fall
// three times and extrapolates the time per percent linearly over the percent left.
namespace vexlin::battery {

class DischargeAnalysis {
public:
    static constexpr int kDropsNeeded = 3;
    static constexpr int kMaxDots = 18;

    // "Считать": starts over from any state.
    void start();
    // One reading of the charge percent, as polled by the battery monitor.
    void tick(std::uint8_t percent);

    // What the page shows.
    const std::string& text() const { return text_; }
    bool running() const { return running_; } // the timer runs and the button is disabled
    std::optional<std::int64_t> forecastSeconds() const { return forecastSeconds_; }
    int drops() const { return drops_; }

private:
    bool running_ = false;
    std::string text_;
    std::int64_t tick_ = 0;
    std::int64_t startTick_ = 0;
    std::optional<int> startPercent_;
    int lowestPercent_ = 0;
    int drops_ = 0;
    int dots_ = 0;
    std::optional<std::int64_t> forecastSeconds_;
};

} // namespace vexlin::battery
