#include "battery/RundownRecorder.h"

#include "battery/RundownResult.h"
#include "platform/RundownStorage.h"
#include "platform/linux/LinuxBatteryHealth.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
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
        if (hidden_ > 0) {
            --hidden_;
            return {}; // the supply is gone from /sys, as after the ACPI driver unregistered it
        }
        const bool mains = mains_;
        facts.status =
            mains ? platform::BatteryFacts::Status::Charging : platform::BatteryFacts::Status::Discharging;
        platform::BatterySnapshot snapshot;
        snapshot.batteries.push_back(facts);
        snapshot.mainsOnline = mains;
        return snapshot;
    }
    void plugMains() { mains_ = true; }
    void hide(int readings) { hidden_ = readings; }
    int reads() const { return reads_; }

private:
    mutable std::atomic<int> hidden_{0};
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

// Which pack a run records and what its header keeps, read from corpus machines by the battery reader: a slot
// that reads zeros is no battery to run down, a gauge mixing units gives its one complete family, and the
// charger's hold is written down for the result to explain the start.
struct MachineStart {
    const char* machine;
    std::vector<std::string> answering;
    std::string error; // start's message; empty when the run starts
    bool chargeUnits;
    std::optional<std::int64_t> designFull;
    std::optional<int> stopThreshold;
    ChargeHold hold;
};

class MachineStartTest : public RundownRecorderTest, public testing::WithParamInterface<MachineStart> {};

TEST_P(MachineStartTest, HeaderFromWhatTheKernelSays) {
    const auto& row = GetParam();
    const platform::linux_impl::LinuxBatteryHealth health(std::string(VEXLIN_SOURCE_DIR) +
                                                          "/autotests/fixtures/machines/" + row.machine);
    const auto answering = answeringBatteries(health.read());
    EXPECT_EQ(answering, row.answering);
    platform::NormalPriorityLane lane;
    RecorderOptions options;
    options.sampleInterval = std::chrono::hours(1);
    options.clock = steppingClock();
    options.battery = answering.empty() ? "" : answering.front();
    RundownRecorder recorder(lane, health, folder_, options);
    ASSERT_EQ(recorder.start(RundownLoad::Work), row.error);
    if (!row.error.empty()) {
        EXPECT_TRUE(platform::rundownJournals(folder_).empty());
        return;
    }
    recorder.stop(JournalEndReason::Stopped);
    const auto journals = platform::rundownJournals(folder_);
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_TRUE(journals[0].filename().string().ends_with("-" + row.answering.front() + ".journal"))
        << journals[0];
    const auto parsed = parseJournal(platform::readWholeFile(journals[0], 1 << 20).value_or(""));
    ASSERT_TRUE(parsed.journal) << parsed.error->message;
    const auto& header = parsed.journal->header;
    EXPECT_EQ(header.battery, row.answering.front());
    EXPECT_EQ(header.chargeUnits, row.chargeUnits);
    EXPECT_EQ(header.designFull, row.designFull);
    EXPECT_EQ(header.stopThreshold, row.stopThreshold);
    EXPECT_EQ(header.hold, row.hold);
    ASSERT_EQ(parsed.journal->readings.size(), 1u);
    EXPECT_TRUE(parsed.journal->readings[0].now.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, MachineStartTest,
    testing::Values(
        MachineStart{"two_bays_zero_slot", {"BAT0"}, "", false, 24'000'000, 80, ChargeHold::None},
        // charge_full_design and charge_full are whole; energy_full_design answers EINVAL on these gauges.
        MachineStart{"bq27xxx_gauge", {"bq27541-0"}, "", true, 3'000'000, std::nullopt, ChargeHold::None},
        MachineStart{"charge_behaviour", {"BAT0"}, "", false, 57'000'000, 80, ChargeHold::ForceDischarge},
        MachineStart{
            "ideapad_conservation", {"BAT0"}, "", false, 35'300'000, std::nullopt, ChargeHold::Conservation},
        MachineStart{"desktop_no_battery",
                     {},
                     "Батарея не обнаружена: разрядный тест не начат",
                     false,
                     std::nullopt,
                     std::nullopt,
                     ChargeHold::None}),
    [](const testing::TestParamInfo<MachineStart>& info) { return std::string(info.param.machine); });

// A pack missing from a reading or two is an ACPI re-read and the run goes on; missing for longer, it was
// taken out, and the run ends there as a partial result that says so.
struct Absence {
    const char* name;
    int missing; // readings in a row without the pack
    bool goesOn;
};

class AbsenceTest : public RundownRecorderTest, public testing::WithParamInterface<Absence> {};

TEST_P(AbsenceTest, TakenOutOrReRead) {
    const auto& row = GetParam();
    platform::NormalPriorityLane lane;
    SteppingBattery battery;
    RecorderOptions options;
    options.sampleInterval = std::chrono::hours(1);
    options.journalEvery = 1;
    options.clock = steppingClock();
    options.missingReadings = 3;
    RundownRecorder recorder(lane, battery, folder_, options);
    ASSERT_EQ(recorder.start(RundownLoad::Work), "");
    const auto read = [&] {
        const int before = battery.reads();
        recorder.sampleNow();
        for (int wait = 0; wait < 10000 && battery.reads() == before; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    read();
    read();
    battery.hide(row.missing);
    for (int i = 0; i < row.missing; ++i) {
        read();
    }
    if (row.goesOn) {
        // Back in the next reading, which is journaled once every reading before it has been dealt with.
        const auto before = recorder.journal().readings.size();
        read();
        for (int wait = 0; wait < 10000 && recorder.journal().readings.size() == before; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(recorder.running());
        EXPECT_EQ(recorder.journal().readings.size(), 4u);
        EXPECT_FALSE(recorder.journal().end);
        return;
    }
    for (int wait = 0; wait < 10000 && recorder.running(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(recorder.running());
    const auto parsed = parseJournal(platform::readWholeFile(recorder.file(), 1 << 20).value_or(""));
    ASSERT_TRUE(parsed.journal);
    ASSERT_TRUE(parsed.journal->end);
    EXPECT_EQ(parsed.journal->end->reason, JournalEndReason::Removed);
    EXPECT_EQ(parsed.journal->readings.size(), 3u);
    const auto result = rundownResult(*parsed.journal, {});
    EXPECT_EQ(result.end, RundownEnd::Removed);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.verdict.starts_with("Разрядный тест не дошёл до конца: батарея отключена на "))
        << result.verdict;
}

INSTANTIATE_TEST_SUITE_P(Readings, AbsenceTest,
                         testing::Values(Absence{"one_reading_re_read", 1, true},
                                         Absence{"two_readings_re_read", 2, true},
                                         Absence{"three_readings_taken_out", 3, false},
                                         Absence{"longer_taken_out", 6, false}),
                         [](const testing::TestParamInfo<Absence>& info) { return info.param.name; });

// The folder keeps the newest journals only; what goes, goes with its mark, and nothing else is touched.
struct Prune {
    const char* name;
    int starts;    // runs, one journal a battery each
    int batteries; // 1 or 2
    std::size_t keep;
    std::size_t removed; // journals removed, the oldest
};

class PruneTest : public RundownRecorderTest, public testing::WithParamInterface<Prune> {};

TEST_P(PruneTest, NewestKept) {
    const auto& row = GetParam();
    fs::create_directories(folder_);
    std::vector<fs::path> made;
    for (int run = 0; run < row.starts; ++run) {
        for (int bay = 0; bay < row.batteries; ++bay) {
            char name[64];
            std::snprintf(name, sizeof name, "rundown-2026-12-%02d-10-00-00-BAT%d.journal", run + 1, bay);
            made.push_back(folder_ / name);
            std::ofstream(made.back()) << "vexlin-rundown\n";
            std::ofstream(made.back().string() + ".shown");
        }
    }
    std::ofstream(folder_ / "notes.txt") << "the user's own\n";
    const auto removed = platform::pruneRundownJournals(folder_, row.keep);
    const std::vector<fs::path> oldest(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(row.removed));
    EXPECT_EQ(removed, oldest);
    const std::vector<fs::path> newest(made.begin() + static_cast<std::ptrdiff_t>(row.removed), made.end());
    EXPECT_EQ(platform::rundownJournals(folder_), newest);
    for (const auto& file : oldest) {
        EXPECT_FALSE(fs::exists(file.string() + ".shown")) << file;
    }
    for (const auto& file : newest) {
        EXPECT_TRUE(fs::exists(file.string() + ".shown")) << file;
    }
    EXPECT_TRUE(fs::exists(folder_ / "notes.txt"));
}

INSTANTIATE_TEST_SUITE_P(Folders, PruneTest,
                         testing::Values(Prune{"fewer_than_kept", 5, 1, 20, 0},
                                         Prune{"exactly_kept", 20, 1, 20, 0},
                                         Prune{"one_beyond", 21, 1, 20, 1},
                                         Prune{"two_bays_beyond", 12, 2, 20, 4},
                                         Prune{"empty_folder", 0, 1, 20, 0}),
                         [](const testing::TestParamInfo<Prune>& info) { return info.param.name; });

} // namespace
} // namespace vexlin::battery
