#pragma once

#include "drives/SmartctlRunner.h"
#include "results/ResultsStore.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The drive's own short self-test ("Короткий тест диска"): the drive tests itself in about two minutes while
// smartctl only starts it and reads how far it got.  Plain C++; the window runs it on a worker thread.
namespace vexlin::drives {

// What one `smartctl --json -x` says about the drive's self-tests.
struct SelfTestStatus {
    enum class State {
        Unsupported, // the drive cannot run self-tests (or smartctl could not reach its log)
        Idle,        // it can, and has none logged
        Running,     // one runs now: `percentDone`
        Passed,      // the newest logged test completed without error
        Failed,      // the newest logged test found a fault
        Aborted,     // the newest logged test was interrupted (by the host, a reset, a power cycle)
    };
    State state = State::Unsupported;
    std::optional<int> percentDone;   // while running
    std::string kind;                 // the newest logged test: "Short offline", "Short", "Extended"
    std::string result;               // the drive's words for it: "Completed: read failure"
    std::optional<std::int64_t> hour; // its power-on hour
    std::optional<int> shortMinutes;  // how long the drive says a short test takes (ATA)

    bool operator==(const SelfTestStatus&) const = default;
};

// Never throws; anything that is not smartctl's JSON reads as Unsupported.
SelfTestStatus readSelfTestStatus(std::string_view json);

// How one drive's test went, from start to end.
struct SelfTestOutcome {
    enum class Kind {
        Unsupported, // the drive cannot test itself: says so, judged nothing
        NotRun,      // smartctl could not be run or did not answer: `message`
        Refused,     // the drive did not take the command: `message`
        Running,     // still running (progress reports only)
        Finished,    // `status` holds the result
        TimedOut,    // the drive did not finish in time
    };
    Kind kind = Kind::NotRun;
    SelfTestStatus status;
    std::string message;
};

struct SelfTestProgress {
    std::string drive;
    SelfTestOutcome outcome;
};

struct SelfTestSettings {
    std::chrono::milliseconds pollInterval{std::chrono::seconds(10)};
    // Longest wait; by default three times what the drive says a short test takes, at least five minutes.
    std::optional<std::chrono::milliseconds> limit;
};

// Starts a short self-test on each drive (one that already runs a test is followed instead), then reads
// the drives' logs every poll interval until each has finished.  `report` hears every drive's state after
// each round and returns false to stop waiting (the window was closed).  Blocks: a worker's call.
std::vector<SelfTestProgress>
runShortSelfTests(const std::vector<std::string>& drives, const RunSettings& settings,
                  const SelfTestSettings& test,
                  const std::function<bool(const std::vector<SelfTestProgress>&)>& report);

// The line "<drive>.selftest" of the drives' results, with the result in words.
results::ResultLine selfTestLine(const SelfTestProgress& progress);

// The drives' lines with each self-test line right after the lines of its drive (replacing an earlier one).
std::vector<results::ResultLine> withSelfTestLines(std::vector<results::ResultLine> lines,
                                                   const std::vector<results::ResultLine>& selfTests);

} // namespace vexlin::drives
