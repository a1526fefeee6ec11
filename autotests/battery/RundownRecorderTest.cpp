#include "battery/RundownRecorder.h"

#include "battery/RundownResult.h"
#include "platform/RundownStorage.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vexlin::battery {
namespace {

namespace fs = std::filesystem;

// A pack that loses 28 mWh a reading, as honest.journal's does at 10 W: its counter tells each reading apart.
constexpr std::int64_t kStartEnergy = 48'500'000;
constexpr std::int64_t kStep = 28'000;

std::int64_t energyAt(int reading) {
    return kStartEnergy - kStep * reading;
}

class SteppingBattery final : public platform::BatteryHealth {
public:
    platform::BatterySnapshot read() const override {
        const int n = reads_.fetch_add(1);
        platform::BatteryFacts facts;
        facts.name = "BAT0";
        facts.manufacturer = "SMP";
        facts.full = kStartEnergy;
        facts.designFull = 50'000'000;
        facts.now = energyAt(n);
        facts.rate = 10'000'000;
        facts.voltageNow = 12'000'000;
        facts.capacityPercent = static_cast<int>(*facts.now * 100 / kStartEnergy);
        const bool mains = mains_;
        facts.status =
            mains ? platform::BatteryFacts::Status::Charging : platform::BatteryFacts::Status::Discharging;
        platform::BatterySnapshot snapshot;
        snapshot.batteries.push_back(facts);
        snapshot.mainsOnline = mains;
        return snapshot;
    }
    void plugMains() { mains_ = true; }

private:
    mutable std::atomic<int> reads_{0};
    std::atomic<bool> mains_{false};
};

// A clock that the test owns, moving on by `step` seconds at each reading: 10 where every reading is
// journaled, 1 where the recorder reads once a second.
std::function<platform::ClockReading()> steppingClock(std::int64_t step = 10) {
    auto tick = std::make_shared<std::atomic<std::int64_t>>(0);
    return [tick, step] {
        const auto n = tick->fetch_add(1) * step;
        return platform::ClockReading{3600'000'000'000 + n * 1'000'000'000,
                                      3500'000'000'000 + n * 1'000'000'000, 1764583200000 + n * 1000};
    };
}

class RundownRecorderTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vexlin-rundown-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

// The power cut: a child writes the journal as fast as it can and is killed between two readings (or in the
// middle of one).  Whatever was written parses, and every reading in the file is one the child took, in
// order.
TEST_F(RundownRecorderTest, JournalKilledBetweenReadingsParsesAndKeepsEveryReading) {
    const fs::path folder = folder_ / "state/vexlin";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::NormalPriorityLane lane;
        SteppingBattery battery;
        RecorderOptions options;
        options.sampleInterval = std::chrono::milliseconds(1);
        options.journalEvery = 1;
        options.clock = steppingClock();
        options.bootId = "boot-of-the-child";
        RundownRecorder recorder(lane, battery, folder, options);
        if (!recorder.start(RundownLoad::Work).empty()) {
            ::_exit(2);
        }
        for (;;) {
            ::pause();
        }
    }
    // Let it write some hundred lines, then cut the power.
    std::vector<fs::path> journals;
    for (int wait = 0; wait < 2000; ++wait) {
        journals = platform::rundownJournals(folder);
        std::error_code error;
        if (!journals.empty() && fs::file_size(journals[0], error) > 20'000) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child writer ended by itself with " << WEXITSTATUS(status);
    ASSERT_EQ(journals.size(), 1u);

    const auto text = platform::readWholeFile(journals[0], 1 << 24);
    ASSERT_TRUE(text);
    const auto complete = static_cast<std::size_t>(std::count(text->begin(), text->end(), '\n'));
    const auto parsed = parseJournal(*text);
    ASSERT_FALSE(parsed.error) << parsed.error->message;
    const auto& readings = parsed.journal->readings;
    EXPECT_EQ(readings.size(), complete - 1); // every whole line but the header
    EXPECT_GT(readings.size(), 100u);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        ASSERT_EQ(readings[i].now, energyAt(static_cast<int>(i))) << "reading " << i;
    }
    EXPECT_FALSE(parsed.journal->end);
    // Found after the power cut, in another boot: ended by switching off, covering every reading.
    RundownContext context;
    context.bootId = "a-later-boot";
    const auto result = rundownResult(*parsed.journal, context);
    EXPECT_EQ(result.end, RundownEnd::SwitchedOff);
    EXPECT_EQ(result.readingsUsed, static_cast<int>(readings.size()));

    // The journal is the user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(journals[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// Mains back ends the run by itself; closing writes an end line; either way the journal says how it ended.
TEST_F(RundownRecorderTest, ClosingWritesTheEndLine) {
    platform::NormalPriorityLane lane;
    SteppingBattery battery;
    RecorderOptions options;
    options.sampleInterval = std::chrono::hours(1);
    options.journalEvery = 1;
    options.clock = steppingClock();
    {
        RundownRecorder recorder(lane, battery, folder_, options);
        ASSERT_EQ(recorder.start(RundownLoad::Load), "");
        for (int i = 0; i < 5; ++i) {
            const auto before = recorder.journal().readings.size();
            recorder.sampleNow();
            for (int wait = 0; wait < 10000 && recorder.journal().readings.size() == before; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        EXPECT_EQ(recorder.journal().readings.size(), 6u);
    }
    const auto journals = platform::rundownJournals(folder_);
    ASSERT_EQ(journals.size(), 1u);
    const auto parsed = parseJournal(platform::readWholeFile(journals[0], 1 << 20).value_or(""));
    ASSERT_TRUE(parsed.journal);
    ASSERT_TRUE(parsed.journal->end);
    EXPECT_EQ(parsed.journal->end->reason, JournalEndReason::Closed);
    EXPECT_EQ(parsed.journal->header.load, RundownLoad::Load);
    const auto result = rundownResult(*parsed.journal, {});
    EXPECT_EQ(result.end, RundownEnd::Closed);
    EXPECT_FALSE(result.complete);
}

// A reading a second, every tenth one to the journal; mains plugged in goes down at once and ends the run.
TEST_F(RundownRecorderTest, EveryTenthReadingAndTheMainsAtOnce) {
    platform::NormalPriorityLane lane;
    SteppingBattery battery;
    RecorderOptions options;
    options.sampleInterval = std::chrono::milliseconds(1);
    options.clock = steppingClock(1);
    RundownRecorder recorder(lane, battery, folder_, options);
    ASSERT_EQ(recorder.start(RundownLoad::Work), "");
    for (int wait = 0; wait < 10000 && recorder.journal().readings.size() < 3; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    battery.plugMains();
    for (int wait = 0; wait < 10000 && recorder.running(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(recorder.running());
    const auto parsed = parseJournal(platform::readWholeFile(recorder.file(), 1 << 20).value_or(""));
    ASSERT_TRUE(parsed.journal);
    const auto& readings = parsed.journal->readings;
    ASSERT_GE(readings.size(), 4u);
    for (std::size_t i = 0; i + 1 < readings.size(); ++i) {
        EXPECT_EQ(readings[i].now, energyAt(static_cast<int>(i) * 10)) << "reading " << i;
        EXPECT_FALSE(readings[i].mainsOnline);
    }
    EXPECT_TRUE(readings.back().mainsOnline);
    EXPECT_FALSE(parsed.journal->end);
    EXPECT_EQ(rundownResult(*parsed.journal, {}).end, RundownEnd::Mains);
}

// Between two journal lines the live view still moves with each reading.
TEST_F(RundownRecorderTest, LiveViewSeesTheNewestReading) {
    platform::NormalPriorityLane lane;
    SteppingBattery battery;
    RecorderOptions options;
    options.sampleInterval = std::chrono::milliseconds(1);
    options.journalEvery = 1'000'000;
    options.clock = steppingClock(1);
    RundownRecorder recorder(lane, battery, folder_, options);
    ASSERT_EQ(recorder.start(RundownLoad::Work), "");
    Journal live;
    for (int wait = 0; wait < 10000; ++wait) {
        live = recorder.liveJournal();
        if (live.readings.size() == 2 && live.readings.back().now <= energyAt(3)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(live.readings.size(), 2u);
    EXPECT_LE(*live.readings.back().now, energyAt(3));
    EXPECT_EQ(recorder.journal().readings.size(), 1u);
}

TEST_F(RundownRecorderTest, NoBatteryRefusesWithAMessage) {
    struct NoBattery final : platform::BatteryHealth {
        platform::BatterySnapshot read() const override { return {}; }
    } none;
    platform::NormalPriorityLane lane;
    RundownRecorder recorder(lane, none, folder_, {});
    EXPECT_EQ(recorder.start(RundownLoad::Work), "Батарея не обнаружена: разрядный тест не начат");
    EXPECT_FALSE(recorder.running());
    EXPECT_TRUE(platform::rundownJournals(folder_).empty());
}

} // namespace
} // namespace vexlin::battery
