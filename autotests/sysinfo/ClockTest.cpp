#include "sysinfo/ClockMeasurement.h"

#include <gtest/gtest.h>
#include <thread>

namespace vexlin::sysinfo {
namespace {

struct ClockRow {
    const char* name;
    std::uint64_t t0;
    std::uint64_t t1;
    const char* separator;
    const char* number;
};

class ClockFigureTest : public testing::TestWithParam<ClockRow> {};

TEST_P(ClockFigureTest, DividesTheLow32BitsOfTheDifference) {
    const double mhz = clockMhz(GetParam().t0, GetParam().t1);
    EXPECT_EQ(clockNumberText(mhz, GetParam().separator), GetParam().number);
    EXPECT_EQ(clockText(mhz, GetParam().separator), std::string(GetParam().number) + " MHz");
}

INSTANTIATE_TEST_SUITE_P(
    Figures, ClockFigureTest,
    testing::Values(ClockRow{"PentiumMCommaLocale", 1000, 1000 + 798'015'000, ",", "1596,03"},
                    ClockRow{"PentiumMPointLocale", 0, 798'015'000, ".", "1596.03"},
                    ClockRow{"NoTicks", 5, 5, ",", "0,00"},
                    ClockRow{"RoundsToTwoDecimals", 0, 1'299'999'997, ",", "2600,00"},
                    ClockRow{"RoundsDown", 0, 1'300'002'000, ",", "2600,00"},
                    ClockRow{"JustAboveHalfHundredth", 0, 1'300'002'600, ",", "2600,01"},
                    ClockRow{"ExactlyTwoTo32Wraps", 0, 1ULL << 32, ",", "0,00"},
                    ClockRow{"AboveTwoTo32Wraps", 0, (1ULL << 32) + 798'015'000, ",", "1596,03"},
                    ClockRow{"CounterWrapAround", 0xFFFFFFFFFFFFFF00ULL, 798'015'000 - 0x100, ",", "1596,03"},
                    ClockRow{"LargestWithoutWrap", 0, 0xFFFFFFFFULL, ",", "8589,93"},
                    ClockRow{"LongSeparator", 0, 798'015'000, "٫", "1596٫03"}),
    [](const auto& info) { return info.param.name; });

class FakePriority final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override {}
    bool raiseCurrentThreadToRealtime() override {
        raisedOn = std::this_thread::get_id();
        return true;
    }
    std::thread::id raisedOn;
};

class SteppingCounter final : public platform::Processor {
public:
    platform::CpuidRegisters cpuid(std::uint32_t) const override { return {}; }
    std::uint64_t readTimeStampCounter() const override {
        readOn.push_back(std::this_thread::get_id());
        return value += step;
    }
    std::uint64_t step = 798'015'000;
    mutable std::uint64_t value = 0;
    mutable std::vector<std::thread::id> readOn;
};

// A clock that moves only when the measurement sleeps, by the given amount per sleep.
struct ScriptedTime {
    std::vector<std::chrono::milliseconds> sleeps;
    std::vector<std::size_t> readsBeforeSleep;
    std::chrono::nanoseconds clock{1'000'000'000};
    std::chrono::milliseconds windowTakes{500};

    ClockTime hooks(const SteppingCounter& counter) {
        return {[this, &counter](std::chrono::milliseconds d) {
                    sleeps.push_back(d);
                    readsBeforeSleep.push_back(counter.readOn.size());
                    clock += d == kClockWindow ? windowTakes : d;
                },
                [this] { return clock; }};
    }
};

TEST(ClockMeasurement, RaisesAndCountsOnAThreadOfItsOwnAroundTheWindowSleep) {
    FakePriority priority;
    SteppingCounter counter;
    ScriptedTime time;
    const double mhz = measureClockMhz(priority, counter, time.hooks(counter));
    EXPECT_DOUBLE_EQ(mhz, 1596.03);
    EXPECT_NE(priority.raisedOn, std::thread::id{});
    EXPECT_NE(priority.raisedOn, std::this_thread::get_id());
    ASSERT_EQ(counter.readOn.size(), 2u);
    EXPECT_EQ(counter.readOn[0], priority.raisedOn);
    EXPECT_EQ(counter.readOn[1], priority.raisedOn);
    // Settle before the first reading, the window between the two.
    EXPECT_EQ(time.sleeps, (std::vector<std::chrono::milliseconds>{kClockSettle, kClockWindow}));
    EXPECT_EQ(time.readsBeforeSleep, (std::vector<std::size_t>{0, 1}));
}

struct LateWakeRow {
    const char* name;
    std::chrono::milliseconds windowTakes;
    std::uint64_t ticksPerReading;
    double expected;
};

class LateWakeTest : public testing::TestWithParam<LateWakeRow> {};

TEST_P(LateWakeTest, DividesByTheTimeThatReallyPassed) {
    FakePriority priority;
    SteppingCounter counter;
    counter.step = GetParam().ticksPerReading;
    ScriptedTime time;
    time.windowTakes = GetParam().windowTakes;
    EXPECT_DOUBLE_EQ(measureClockMhz(priority, counter, time.hooks(counter)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LateWakeTest,
    testing::Values(
        LateWakeRow{"OnTime", std::chrono::milliseconds(500), 1'300'000'000, 2600.0},
        // 2.6 GHz counted over a window that ended 20 ms late is still 2.6 GHz.
        LateWakeRow{"WokeTwentyMsLate", std::chrono::milliseconds(520), 1'352'000'000, 2600.0},
        LateWakeRow{"ClockStoodStillUsesNominalWindow", std::chrono::milliseconds(0), 798'015'000, 1596.03},
        // The 32-bit difference still wraps: 2^32 + 500,000 ticks read as 500,000.
        LateWakeRow{"StillWrapsAt2To32", std::chrono::milliseconds(500), (1ULL << 32) + 500'000, 1.0}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::sysinfo
