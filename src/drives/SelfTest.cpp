#include "drives/SelfTest.h"

#include "drives/DriveLines.h"
#include "drives/JsonPath.h"

#include <algorithm>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <thread>

namespace vexlin::drives {
namespace {

using nlohmann::json;
using results::ResultLine;
using results::Verdict;
using State = SelfTestStatus::State;
using Clock = std::chrono::steady_clock;

std::optional<int> percent(std::optional<std::int64_t> value) {
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<std::int64_t>(*value, 0, 100));
}

// The newest entry of a log table: smartctl writes entries at their place in the drive's log, newest first,
// and may leave a null where it skipped an unused one.
const json* newest(const json* table) {
    if (table == nullptr || !table->is_array()) {
        return nullptr;
    }
    for (const auto& entry : *table) {
        if (entry.is_object()) {
            return &entry;
        }
    }
    return nullptr;
}

void readNvme(const json& root, SelfTestStatus& status) {
    const json* log = at(root, {"nvme_self_test_log"});
    // smartctl writes the log only for a controller that offers the self-test command.
    if (log == nullptr || !log->is_object()) {
        return;
    }
    status.state = State::Idle;
    if (const json* entry = newest(at(*log, {"table"}))) {
        status.kind = text(*entry, {"self_test_code", "string"});
        status.result = text(*entry, {"self_test_result", "string"});
        status.hour = integer(*entry, {"power_on_hours"});
        // Result codes of the NVMe device self-test log: 0 passed, 5 to 7 failed, the rest an abort.
        const auto code = integer(*entry, {"self_test_result", "value"}).value_or(-1);
        status.state = code == 0 ? State::Passed : code >= 5 && code <= 7 ? State::Failed : State::Aborted;
    }
    const auto operation = integer(*log, {"current_self_test_operation", "value"}).value_or(0);
    if (operation != 0) {
        status.state = State::Running;
        status.percentDone = percent(integer(*log, {"current_self_test_completion_percent"}));
    }
}

// ATA self-test execution status: the high nibble says what happened (0 passed, 1 aborted by the host,
// 2 interrupted by a reset, 3 to 8 a fault, 15 running), the low one the tenths left while running.
State ataState(const json& status) {
    const auto value = integer(status, {"value"}).value_or(0);
    const auto high = (value >> 4) & 0xF;
    if (high == 15) {
        return State::Running;
    }
    if (high == 1 || high == 2) {
        return State::Aborted;
    }
    const json* passed = at(status, {"passed"});
    if (passed != nullptr && passed->is_boolean()) {
        return passed->get<bool>() ? State::Passed : State::Failed;
    }
    return high == 0 ? State::Passed : State::Failed;
}

void readAta(const json& root, SelfTestStatus& status) {
    const json* data = at(root, {"ata_smart_data"});
    if (data == nullptr || !data->is_object()) {
        return;
    }
    const json* supported = at(*data, {"capabilities", "self_tests_supported"});
    if (supported != nullptr && supported->is_boolean() && !supported->get<bool>()) {
        return;
    }
    status.state = State::Idle;
    if (const auto minutes = integer(*data, {"self_test", "polling_minutes", "short"});
        minutes && *minutes > 0) {
        status.shortMinutes = static_cast<int>(std::min<std::int64_t>(*minutes, 24 * 60));
    }
    // `-x` reads the extended log where the drive keeps one, the standard log otherwise.
    const json* entry = newest(at(root, {"ata_smart_self_test_log", "extended", "table"}));
    if (entry == nullptr) {
        entry = newest(at(root, {"ata_smart_self_test_log", "standard", "table"}));
    }
    if (entry != nullptr) {
        status.kind = text(*entry, {"type", "string"});
        status.result = text(*entry, {"status", "string"});
        status.hour = integer(*entry, {"lifetime_hours"});
        if (const json* entryStatus = at(*entry, {"status"}); entryStatus != nullptr) {
            status.state = ataState(*entryStatus);
        }
    }
    const json* now = at(*data, {"self_test", "status"});
    if (now == nullptr || !now->is_object()) {
        return;
    }
    const State current = ataState(*now);
    if (current == State::Running) {
        status.state = State::Running;
        auto left = integer(*now, {"remaining_percent"});
        if (!left) {
            left = (integer(*now, {"value"}).value_or(0) & 0xF) * 10;
        }
        status.percentDone = percent(100 - std::clamp<std::int64_t>(*left, 0, 100));
    } else if (entry == nullptr && current == State::Failed) {
        status.state = State::Failed;
        status.result = text(*now, {"string"});
    }
}

// Whether smartctl says the start command reached the drive: bits 0 to 2 of its exit status are a refused
// command line, a device it could not open and a command the drive failed.
std::optional<std::string> startRefusal(const std::string& output) {
    const json root = json::parse(output, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        return "ответ smartctl не прочитан";
    }
    const auto exitStatus = integer(root, {"smartctl", "exit_status"}).value_or(0);
    if ((exitStatus & 0x07) == 0) {
        return std::nullopt;
    }
    std::string said;
    if (const json* messages = at(root, {"smartctl", "messages"});
        messages != nullptr && messages->is_array()) {
        for (const auto& message : *messages) {
            const std::string line = text(message, {"string"});
            if (!line.empty()) {
                said += (said.empty() ? "" : "; ") + line;
            }
        }
    }
    return said.empty() ? "диск не принял команду самопроверки" : "диск не принял команду: " + said;
}

struct Track {
    SelfTestProgress progress;
    SelfTestStatus baseline;
    bool sawRunning = false;
    bool done = false;
};

bool sameNewestEntry(const SelfTestStatus& a, const SelfTestStatus& b) {
    return a.kind == b.kind && a.result == b.result && a.hour == b.hour;
}

std::vector<SelfTestProgress> progressOf(const std::vector<Track>& tracks) {
    std::vector<SelfTestProgress> all;
    for (const Track& track : tracks) {
        all.push_back(track.progress);
    }
    return all;
}

void start(Track& track, const RunSettings& settings) {
    SelfTestOutcome& outcome = track.progress.outcome;
    const RunOutcome read = runSmartctl(track.progress.drive, settings);
    if (read.kind != RunOutcome::Kind::Output) {
        outcome.kind = SelfTestOutcome::Kind::NotRun;
        outcome.message = read.message;
        track.done = true;
        return;
    }
    track.baseline = readSelfTestStatus(read.output);
    outcome.status = track.baseline;
    if (track.baseline.state == State::Unsupported) {
        outcome.kind = SelfTestOutcome::Kind::Unsupported;
        track.done = true;
        return;
    }
    // A test that already runs is followed: starting another would abort it.
    if (track.baseline.state != State::Running) {
        const RunOutcome started = runSmartctl(track.progress.drive, settings, SmartAction::ShortSelfTest);
        if (started.kind != RunOutcome::Kind::Output) {
            outcome.kind = SelfTestOutcome::Kind::NotRun;
            outcome.message = started.message;
            track.done = true;
            return;
        }
        if (const auto refusal = startRefusal(started.output)) {
            outcome.kind = SelfTestOutcome::Kind::Refused;
            outcome.message = *refusal;
            track.done = true;
            return;
        }
    }
    track.sawRunning = track.baseline.state == State::Running;
    outcome.kind = SelfTestOutcome::Kind::Running;
}

void poll(Track& track, const RunSettings& settings) {
    const RunOutcome read = runSmartctl(track.progress.drive, settings);
    if (read.kind != RunOutcome::Kind::Output) {
        return; // a drive busy testing may be slow to answer: asked again next round
    }
    const SelfTestStatus now = readSelfTestStatus(read.output);
    SelfTestOutcome& outcome = track.progress.outcome;
    if (now.state == State::Running) {
        track.sawRunning = true;
        outcome.status = now;
        return;
    }
    // Until the drive has been seen testing or has logged a new entry, the start may not have reached it.
    if (now.state != State::Unsupported && (track.sawRunning || !sameNewestEntry(now, track.baseline))) {
        outcome.kind = SelfTestOutcome::Kind::Finished;
        outcome.status = now;
        track.done = true;
    }
}

std::chrono::milliseconds limitFor(const std::vector<Track>& tracks, const SelfTestSettings& test) {
    if (test.limit) {
        return *test.limit;
    }
    int minutes = 2;
    for (const Track& track : tracks) {
        minutes = std::max(minutes, track.baseline.shortMinutes.value_or(2));
    }
    return std::chrono::minutes(std::max(5, 3 * minutes));
}

std::string hoursText(std::int64_t hours) {
    return std::to_string(hours) + " ч работы";
}

} // namespace

SelfTestStatus readSelfTestStatus(std::string_view input) {
    SelfTestStatus status;
    const json root = json::parse(input.begin(), input.end(), nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        return status;
    }
    const json* version = at(root, {"json_format_version"});
    if (version == nullptr || !version->is_array() || version->empty() ||
        !(*version)[0].is_number_integer() || (*version)[0].get<std::int64_t>() != 1) {
        return status;
    }
    const std::string protocol = text(root, {"device", "protocol"});
    if (protocol == "NVMe") {
        readNvme(root, status);
    } else if (protocol == "ATA") {
        readAta(root, status);
    }
    return status;
}

std::vector<SelfTestProgress>
runShortSelfTests(const std::vector<std::string>& drives, const RunSettings& settings,
                  const SelfTestSettings& test,
                  const std::function<bool(const std::vector<SelfTestProgress>&)>& report) {
    std::vector<Track> tracks;
    for (const auto& drive : drives) {
        Track track;
        track.progress.drive = drive;
        start(track, settings);
        tracks.push_back(std::move(track));
    }
    if (!report(progressOf(tracks))) {
        return progressOf(tracks);
    }
    const auto deadline = Clock::now() + limitFor(tracks, test);
    const auto unfinished = [&tracks] {
        return std::any_of(tracks.begin(), tracks.end(), [](const Track& track) { return !track.done; });
    };
    while (unfinished()) {
        std::this_thread::sleep_for(test.pollInterval);
        for (Track& track : tracks) {
            if (!track.done) {
                poll(track, settings);
            }
        }
        if (Clock::now() >= deadline) {
            for (Track& track : tracks) {
                if (!track.done) {
                    track.progress.outcome.kind = SelfTestOutcome::Kind::TimedOut;
                    track.done = true;
                }
            }
        }
        if (!report(progressOf(tracks))) {
            break;
        }
    }
    return progressOf(tracks);
}

ResultLine selfTestLine(const SelfTestProgress& progress) {
    const SelfTestOutcome& outcome = progress.outcome;
    const SelfTestStatus& status = outcome.status;
    ResultLine line;
    line.source = std::string(kSource);
    line.key = progress.drive + ".selftest";
    line.what = "Самопроверка " + progress.drive;
    std::string result = "not_run";
    switch (outcome.kind) {
    case SelfTestOutcome::Kind::Unsupported:
        result = "unsupported";
        line.verdict = "диск не умеет выполнять самопроверку";
        break;
    case SelfTestOutcome::Kind::NotRun:
    case SelfTestOutcome::Kind::Refused:
        line.verdict = "короткий тест не выполнен: " + outcome.message;
        break;
    case SelfTestOutcome::Kind::TimedOut:
        result = "timed_out";
        line.verdict = "короткий тест не закончился за отведённое время";
        line.judgement = Verdict::Warning;
        break;
    case SelfTestOutcome::Kind::Running:
        result = "running";
        line.value = "выполняется" +
                     (status.percentDone ? ", " + std::to_string(*status.percentDone) + " %" : std::string());
        line.verdict = "короткий тест идёт";
        break;
    case SelfTestOutcome::Kind::Finished:
        switch (status.state) {
        case State::Passed:
            result = "passed";
            line.verdict = "Короткий тест пройден";
            line.judgement = Verdict::Good;
            break;
        case State::Failed:
            result = "failed";
            line.verdict = "Короткий тест не пройден: диск нашёл у себя неисправность";
            line.judgement = Verdict::Bad;
            break;
        case State::Aborted:
            result = "aborted";
            line.verdict = "Короткий тест прерван";
            line.judgement = Verdict::Warning;
            break;
        case State::Idle:
        case State::Running:
        case State::Unsupported:
            line.verdict = "результат короткого теста не записан в журнал диска";
            line.judgement = Verdict::Warning;
            break;
        }
        line.value = status.kind.empty() ? status.result : status.kind + ": " + status.result;
        if (status.hour) {
            line.value += " (на " + hoursText(*status.hour) + ")";
        }
        break;
    }
    line.facts.push_back({"self_test", result, ""});
    if (outcome.kind == SelfTestOutcome::Kind::Finished && !status.result.empty()) {
        line.facts.push_back({"self_test_result", status.result, ""});
    }
    if (outcome.kind == SelfTestOutcome::Kind::Finished && status.hour) {
        line.facts.push_back({"self_test_hours", *status.hour, "h"});
    }
    return line;
}

std::vector<ResultLine> withSelfTestLines(std::vector<ResultLine> lines,
                                          const std::vector<ResultLine>& selfTests) {
    for (const ResultLine& test : selfTests) {
        std::erase_if(lines, [&test](const ResultLine& line) { return line.key == test.key; });
        const std::string drive = test.key.substr(0, test.key.find('.') + 1);
        auto after = lines.end();
        for (auto it = lines.begin(); it != lines.end(); ++it) {
            if (it->key.starts_with(drive)) {
                after = it + 1;
            }
        }
        lines.insert(after, test);
    }
    return lines;
}

} // namespace vexlin::drives
