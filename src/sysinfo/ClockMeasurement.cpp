#include "sysinfo/ClockMeasurement.h"

#include "text/PlainText.h"

#include <thread>

namespace vexlin::sysinfo {

double clockMhz(std::uint64_t t0, std::uint64_t t1, double windowMicroseconds) {
    const auto ticks = static_cast<std::uint32_t>(t1 - t0);
    return static_cast<double>(ticks) / windowMicroseconds;
}

std::string clockNumberText(double mhz, std::string_view decimalSeparator) {
    return text::fixedNumberText(mhz, 2, decimalSeparator);
}

std::string clockText(double mhz, std::string_view decimalSeparator) {
    return clockNumberText(mhz, decimalSeparator) + " MHz";
}

ClockTime ClockTime::real() {
    return {[](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); },
            [] {
                return std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now().time_since_epoch());
            }};
}

double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       const ClockTime& time) {
    return measureClockMhz(priority, processor, nullptr, time);
}

double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       platform::NormalPriorityLane* lane, const ClockTime& time) {
    double mhz = 0.0;
    auto measure = [&] {
        priority.raiseCurrentThreadToRealtime();
        time.sleep(kClockSettle);
        // Each counter reading is followed by a clock reading in the same order, so the short gap between
        // the two is the same at both ends and drops out of the window.
        const std::uint64_t t0 = processor.readTimeStampCounter();
        const auto n0 = time.now();
        time.sleep(kClockWindow);
        const std::uint64_t t1 = processor.readTimeStampCounter();
        const auto n1 = time.now();
        const double elapsed = std::chrono::duration<double, std::micro>(n1 - n0).count();
        // A clock that did not move (or went back) cannot time the window; the nominal length is the
        // better guess then.
        mhz = clockMhz(t0, t1, elapsed > 0.0 ? elapsed : 500000.0);
    };
    std::thread worker = lane != nullptr ? lane->startThread(measure) : std::thread(measure);
    worker.join();
    return mhz;
}

} // namespace vexlin::sysinfo
