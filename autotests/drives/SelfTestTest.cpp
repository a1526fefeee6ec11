#include "drives/SelfTest.h"

#include "FakePrograms.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace vexlin::drives {
namespace {

namespace fs = std::filesystem;
using results::Verdict;
using State = SelfTestStatus::State;
using Kind = SelfTestOutcome::Kind;

const fs::path kSmartctlFixtures = fs::path(VEXLIN_FIXTURES) / "smartctl";

std::string fixture(const std::string& name) {
    std::ifstream in(kSmartctlFixtures / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// --- what one `smartctl --json -x` says about the self-tests
// ------------------------------------------------

struct StatusRow {
    const char* name;
    std::string json; // a fixture's text
    SelfTestStatus status;
};

class SelfTestStatusTest : public testing::TestWithParam<StatusRow> {};

TEST_P(SelfTestStatusTest, ReadsTheDrivesOwnLog) {
    EXPECT_EQ(readSelfTestStatus(GetParam().json), GetParam().status);
}

SelfTestStatus status(State state, std::optional<int> done, const char* kind, const char* result,
                      std::optional<std::int64_t> hour, std::optional<int> minutes = std::nullopt) {
    return {state, done, kind, result, hour, minutes};
}

INSTANTIATE_TEST_SUITE_P(
    RealDrives, SelfTestStatusTest,
    testing::Values(
        // Running: "in progress, 90% remaining"; the log's newest entry is an older aborted test.
        StatusRow{"ata_running", fixture("selftest-ata-running-toshiba-hg6.json"),
                  status(State::Running, 10, "Short offline", "Aborted by host", 61016, 2)},
        // The execution status says "completed without error" while the log's newest entry failed: the
        // log is the result.
        StatusRow{"ata_read_failure", fixture("selftest-ata-read-failure-wd-scorpio.json"),
                  status(State::Failed, std::nullopt, "Short offline", "Completed: read failure", 16402, 2)},
        StatusRow{"ata_without_log_entries", fixture("sata-ssd-samsung-840.json"),
                  status(State::Idle, std::nullopt, "", "", std::nullopt, 2)},
        StatusRow{"nvme_running_extended", fixture("selftest-nvme-running-extended.json"),
                  status(State::Running, 16, "Extended", "Completed without error", 3441)},
        StatusRow{"nvme_passed", fixture("selftest-nvme-passed-team-tm8fp6.json"),
                  status(State::Passed, std::nullopt, "Short", "Completed without error", 23575)},
        // smartctl before 7.3 writes no NVMe self-test log at all.
        StatusRow{"nvme_without_log", fixture("nvme-healthy-intel-660p.json"), {}},
        StatusRow{"virtual_disk", fixture("virtual-qemu-virtio.json"), {}},
        StatusRow{"not_json", "smartctl: command not found", {}},
        StatusRow{"newer_format",
                  R"({"json_format_version": [2, 0], "device": {"protocol": "NVMe"},
                  "nvme_self_test_log": {}})",
                  {}},
        StatusRow{"nvme_null_slot_before_the_newest_entry",
                  R"({"json_format_version": [1, 0], "device": {"protocol": "NVMe"},
                      "nvme_self_test_log": {"current_self_test_operation": {"value": 0},
                      "table": [null, {"self_test_code": {"value": 1, "string": "Short"},
                      "self_test_result": {"value": 7, "string": "Completed: failed segments"},
                      "power_on_hours": 12}]}})",
                  status(State::Failed, std::nullopt, "Short", "Completed: failed segments", 12)},
        StatusRow{"ata_drive_without_self_tests",
                  R"({"json_format_version": [1, 0], "device": {"protocol": "ATA"},
                      "ata_smart_data": {"capabilities": {"self_tests_supported": false}}})",
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- a short test from start to end, through a fake smartctl ---------------------------------------------

struct RunRow {
    const char* name;
    const char* before; // what `-x` says before the start
    const char* during; // what it says while the drive tests itself, for `runningPolls` rounds
    const char* after;  // and after
    int runningPolls;
    const char* startAnswer; // the JSON `-t short` answers, and its exit status
    int startExit;
    std::chrono::milliseconds limit;
    Kind kind;
    State state;
    bool started; // `-t short` was sent
    Verdict judgement;
    const char* linePart; // a part of the line's verdict or value
};

constexpr const char* kStarted = R"({"json_format_version": [1, 0], "smartctl": {"exit_status": 0}})";
// smartctl's answer when the drive rejects the command (exit status bit 2).
constexpr const char* kRejected =
    R"({"json_format_version": [1, 0], "smartctl": {"exit_status": 4, "messages": [{"string":
    "Execute SMART Short self-test routine immediately in off-line mode failed: Input/output error",
    "severity": "error"}]}})";

class SelfTestRunTest : public testing::TestWithParam<RunRow> {};

TEST_P(SelfTestRunTest, FollowsTheDriveToItsResult) {
    const RunRow& row = GetParam();
    FakePrograms fakes;
    const std::string dir = fakes.dir().string();
    const std::string files = kSmartctlFixtures.string();
    std::string script = "echo \"$*\" >> '" + dir + "/trace'\n";
    script += "if [ \"$2\" = -t ]; then touch '" + dir + "/started'; cat <<'EOF'\n" + row.startAnswer +
              "\nEOF\nexit " + std::to_string(row.startExit) + "; fi\n";
    script += "if [ ! -e '" + dir + "/started' ] && [ ! -e '" + dir + "/polled' ]; then touch '" + dir +
              "/polled'; cat '" + files + "/" + row.before + "'; exit 0; fi\n";
    script +=
        "n=$(cat '" + dir + "/polls' 2>/dev/null || echo 0); n=$((n+1)); echo $n > '" + dir + "/polls'\n";
    script += std::string("if [ $n -le ") + std::to_string(row.runningPolls) + " ]; then cat '" + files +
              "/" + (row.during != nullptr ? row.during : row.after) + "'; else cat '" + files + "/" +
              row.after + "'; fi\n";
    fakes.add("smartctl", script);

    RunSettings settings;
    settings.privileged = true;
    settings.systemDirectories.clear();
    settings.timeout = std::chrono::seconds(5);
    SelfTestSettings test;
    test.pollInterval = std::chrono::milliseconds(20);
    test.limit = row.limit;
    int reports = 0;
    const auto outcome = runShortSelfTests({"sda"}, settings, test, [&reports](const auto& progress) {
        ++reports;
        return progress.size() == 1;
    });

    ASSERT_EQ(outcome.size(), 1u);
    EXPECT_EQ(outcome[0].outcome.kind, row.kind) << outcome[0].outcome.message;
    EXPECT_EQ(outcome[0].outcome.status.state, row.state);
    EXPECT_GE(reports, 1);
    std::ifstream trace(dir + "/trace");
    std::stringstream calls;
    calls << trace.rdbuf();
    EXPECT_EQ(calls.str().find("--json -t short /dev/sda") != std::string::npos, row.started) << calls.str();

    const results::ResultLine line = selfTestLine(outcome[0]);
    EXPECT_EQ(line.key, "sda.selftest");
    EXPECT_EQ(line.judgement, row.judgement);
    EXPECT_NE((line.verdict + " | " + line.value).find(row.linePart), std::string::npos)
        << line.verdict << " | " << line.value;
}

using std::chrono::milliseconds;

INSTANTIATE_TEST_SUITE_P(
    Drives, SelfTestRunTest,
    testing::Values(
        RunRow{"ata_finds_a_read_failure", "selftest-ata-read-failure-wd-scorpio.json",
               "selftest-ata-running-toshiba-hg6.json", "selftest-ata-read-failure-wd-scorpio.json", 2,
               kStarted, 0, milliseconds(5000), Kind::Finished, State::Failed, true, Verdict::Bad,
               "Short offline: Completed: read failure (на 16402 ч работы)"},
        RunRow{"nvme_passes", "selftest-nvme-passed-team-tm8fp6.json", "selftest-nvme-running-extended.json",
               "selftest-nvme-passed-team-tm8fp6.json", 1, kStarted, 0, milliseconds(5000), Kind::Finished,
               State::Passed, true, Verdict::Good, "Короткий тест пройден"},
        // A test already running is followed, not restarted.
        RunRow{"running_test_is_followed", "selftest-nvme-running-extended.json", nullptr,
               "selftest-nvme-passed-team-tm8fp6.json", 0, kStarted, 0, milliseconds(5000), Kind::Finished,
               State::Passed, false, Verdict::Good, "Short: Completed without error"},
        RunRow{"no_self_test_log", "nvme-healthy-intel-660p.json", nullptr, "nvme-healthy-intel-660p.json", 0,
               kStarted, 0, milliseconds(5000), Kind::Unsupported, State::Unsupported, false, Verdict::None,
               "диск не умеет выполнять самопроверку"},
        RunRow{"virtual_disk", "virtual-qemu-virtio.json", nullptr, "virtual-qemu-virtio.json", 0, kStarted,
               0, milliseconds(5000), Kind::Unsupported, State::Unsupported, false, Verdict::None,
               "не умеет"},
        RunRow{"drive_rejects_the_command", "sata-ssd-samsung-840.json", nullptr, "sata-ssd-samsung-840.json",
               0, kRejected, 4, milliseconds(5000), Kind::Refused, State::Idle, true, Verdict::None,
               "диск не принял команду: Execute SMART Short self-test"},
        RunRow{"drive_never_finishes", "sata-ssd-samsung-840.json", "selftest-ata-running-toshiba-hg6.json",
               "selftest-ata-running-toshiba-hg6.json", 1000, kStarted, 0, milliseconds(300), Kind::TimedOut,
               State::Running, true, Verdict::Warning, "не закончился"},
        // The old entry is still the newest and the drive was never seen testing: not taken for a result.
        RunRow{"start_never_reaches_the_drive", "selftest-nvme-passed-team-tm8fp6.json", nullptr,
               "selftest-nvme-passed-team-tm8fp6.json", 0, kStarted, 0, milliseconds(300), Kind::TimedOut,
               State::Passed, true, Verdict::Warning, "не закончился"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SelfTestLinesTest, EachResultFollowsItsDrivesLines) {
    const auto line = [](const std::string& key) {
        results::ResultLine result;
        result.source = "drives";
        result.key = key;
        return result;
    };
    const std::vector<results::ResultLine> drives = {line("nvme0n1.drive"), line("nvme0n1.health"),
                                                     line("sda.drive"), line("sda.health"),
                                                     line("sdb.drive")};
    auto merged = withSelfTestLines(drives, {line("sda.selftest"), line("nvme0n1.selftest")});
    // Again, as after a second test: replaced, not doubled.
    merged = withSelfTestLines(merged, {line("sda.selftest")});
    std::vector<std::string> keys;
    for (const auto& result : merged) {
        keys.push_back(result.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"nvme0n1.drive", "nvme0n1.health", "nvme0n1.selftest",
                                              "sda.drive", "sda.health", "sda.selftest", "sdb.drive"}));
}

} // namespace
} // namespace vexlin::drives
