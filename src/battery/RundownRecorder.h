#pragma once

#include "battery/RundownJournal.h"
#include "platform/BatteryHealth.h"
#include "platform/NormalPriorityLane.h"
#include "platform/RundownStorage.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexlin::battery {

struct RecorderOptions {
    std::chrono::milliseconds sampleInterval{1000}; // the battery is read once a second
    int journalEvery = 10;                          // and every tenth reading goes to the journal
    std::function<platform::ClockReading()> clock = platform::readClocks;
    std::string programVersion;
    std::string bootId;
    std::string battery; // the supply's name ("BAT1"); empty: the first that answers
    // Readings in a row that find the pack gone before the run ends as "removed": an ACPI re-read can hide a
    // supply for one reading, a pack taken out stays away.
    int missingReadings = 3;
};

// The batteries a run-down can record: the machine's own that answer (a slot that reads 0 everywhere holds no
// pack to run down), in name order.
std::vector<std::string> answeringBatteries(const platform::BatterySnapshot& snapshot);

// Records one run-down: reads the battery on a thread of the normal-priority lane (never the interface
// thread, which runs at idle priority and may starve for minutes under load) and appends its journal there.
// The live view reads a copy of the journal.
class RundownRecorder {
public:
    RundownRecorder(platform::NormalPriorityLane& lane, const platform::BatteryHealth& health,
                    std::filesystem::path folder, RecorderOptions options);
    // A run still going is ended as closed.
    ~RundownRecorder();
    RundownRecorder(const RundownRecorder&) = delete;
    RundownRecorder& operator=(const RundownRecorder&) = delete;

    // Creates the journal with its header and first reading and starts the readings.  An error message for
    // the user, or empty.
    std::string start(RundownLoad load);
    // Ends the run with an end line; nothing when no run goes on.
    void stop(JournalEndReason reason);

    bool running() const;
    Journal journal() const;
    // The journal with the newest reading at its end, journaled or not: the live view moves every second.
    Journal liveJournal() const;
    std::filesystem::path file() const;
    std::string error() const; // the last failure to write, if any
    // One reading at once instead of at the next interval (a replay fast-forwards with it).
    void sampleNow();

private:
    void serve();
    void sampleLocked(std::unique_lock<std::mutex>& lock, bool forceJournal);
    void endLocked(std::unique_lock<std::mutex>& lock, JournalEndReason reason,
                   const platform::ClockReading& clocks);

    platform::NormalPriorityLane& lane_;
    const platform::BatteryHealth& health_;
    std::filesystem::path folder_;
    RecorderOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool stopping_ = false;
    bool sampleRequested_ = false;
    int samples_ = 0;
    int missing_ = 0; // readings in a row without the pack
    Journal journal_;
    std::optional<JournalReading> latest_; // read since the journal's last line
    std::string error_;
    platform::AppendOnlyFile file_;
    std::thread thread_;
};

} // namespace vexlin::battery
