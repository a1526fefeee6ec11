#include "sysinfo/ClockMeasurement.h"

#include <charconv>
#include <thread>

namespace vexlin::sysinfo {

double clockMhz(std::uint64_t t0, std::uint64_t t1) {
    const auto ticks = static_cast<std::uint32_t>(t1 - t0);
    return static_cast<double>(ticks) / 500000.0;
}

std::string clockNumberText(double mhz, std::string_view decimalSeparator) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, mhz, std::chars_format::fixed, 2);
    if (error != std::errc{}) {
        return {};
    }
    std::string text(buffer, end);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, decimalSeparator);
    }
    return text;
}

std::string clockText(double mhz, std::string_view decimalSeparator) {
    return clockNumberText(mhz, decimalSeparator) + " MHz";
}

void sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

double measureClockMhz(platform::ThreadPriority& priority, const platform::Processor& processor,
                       const SleepFor& sleep) {
    double mhz = 0.0;
    std::thread worker([&] {
        priority.raiseCurrentThreadToRealtime();
        sleep(kClockSettle);
        const std::uint64_t t0 = processor.readTimeStampCounter();
        sleep(kClockWindow);
        const std::uint64_t t1 = processor.readTimeStampCounter();
        mhz = clockMhz(t0, t1);
    });
    worker.join();
    return mhz;
}

} // namespace vexlin::sysinfo
