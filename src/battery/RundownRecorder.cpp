#include "battery/RundownRecorder.h"

#include <ctime>

namespace vexlin::battery {
namespace {

JournalStatus statusOf(platform::BatteryFacts::Status status) {
    using Status = platform::BatteryFacts::Status;
    switch (status) {
    case Status::Charging:
        return JournalStatus::Charging;
    case Status::Discharging:
        return JournalStatus::Discharging;
    case Status::NotCharging:
        return JournalStatus::NotCharging;
    case Status::Full:
        return JournalStatus::Full;
    case Status::Unknown:
        break;
    }
    return JournalStatus::Unknown;
}

const platform::BatteryFacts* findBattery(const platform::BatterySnapshot& snapshot,
                                          const std::string& name) {
    for (const auto& facts : snapshot.batteries) {
        if (!facts.silent && (name.empty() || facts.name == name)) {
            return &facts;
        }
    }
    return nullptr;
}

JournalReading readingOf(const platform::BatteryFacts& facts, const platform::BatterySnapshot& snapshot,
                         const platform::ClockReading& clocks) {
    JournalReading reading;
    reading.boottimeNs = clocks.boottimeNs;
    reading.monotonicNs = clocks.monotonicNs;
    reading.wallMs = clocks.wallMs;
    reading.now = facts.now;
    reading.rate = facts.rate;
    reading.voltage = facts.voltageNow;
    reading.percent = facts.capacityPercent;
    reading.status = statusOf(facts.status);
    reading.mainsOnline = snapshot.mainsOnline.value_or(false);
    return reading;
}

// "rundown-2026-12-10-20-15-03-BAT0.journal": sorted by name is sorted by start, then by battery.  The
// supply's name is the kernel's ("BAT0", "CMB1", "bq27541-0"): anything else in it becomes '_'.
std::string journalName(std::int64_t wallMs, const std::string& battery) {
    const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[64];
    std::strftime(text, sizeof text, "rundown-%Y-%m-%d-%H-%M-%S", &local);
    std::string name = text;
    name += '-';
    for (const char c : battery.substr(0, 32)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_';
        name += plain ? c : '_';
    }
    return name + ".journal";
}

ChargeHold holdOf(const platform::BatteryFacts& facts) {
    switch (facts.chargeBehaviour) {
    case platform::BatteryFacts::ChargeBehaviour::ForceDischarge:
        return ChargeHold::ForceDischarge;
    case platform::BatteryFacts::ChargeBehaviour::InhibitCharge:
        return ChargeHold::InhibitCharge;
    case platform::BatteryFacts::ChargeBehaviour::Auto:
        break;
    }
    return facts.conservationMode ? ChargeHold::Conservation : ChargeHold::None;
}

bool endsTheRun(const JournalReading& reading, const Journal& journal) {
    // Forced to discharge, the pack runs down with mains online: only its charging again ends the run.
    const bool forced = journal.header.hold == ChargeHold::ForceDischarge;
    const bool onMains = reading.status == JournalStatus::Charging || (!forced && reading.mainsOnline);
    bool discharged = false;
    for (const auto& earlier : journal.readings) {
        discharged =
            discharged || ((forced || !earlier.mainsOnline) && earlier.status == JournalStatus::Discharging);
    }
    return onMains && discharged;
}

} // namespace

std::vector<std::string> answeringBatteries(const platform::BatterySnapshot& snapshot) {
    std::vector<std::string> names;
    for (const auto& facts : snapshot.batteries) {
        if (!facts.silent) {
            names.push_back(facts.name);
        }
    }
    return names;
}

RundownRecorder::RundownRecorder(platform::NormalPriorityLane& lane, const platform::BatteryHealth& health,
                                 std::filesystem::path folder, RecorderOptions options)
    : lane_(lane), health_(health), folder_(std::move(folder)), options_(std::move(options)) {}

RundownRecorder::~RundownRecorder() {
    stop(JournalEndReason::Closed);
}

std::string RundownRecorder::start(RundownLoad load) {
    stop(JournalEndReason::Stopped);
    std::string failure;
    lane_.run([&] {
        if (failure = platform::makePrivateDirectory(folder_); !failure.empty()) {
            return;
        }
        const auto snapshot = health_.read();
        const auto* facts = findBattery(snapshot, options_.battery);
        if (facts == nullptr) {
            failure = options_.battery.empty()
                          ? "Батарея не обнаружена: разрядный тест не начат"
                          : "Батарея " + options_.battery + " не отвечает: разрядный тест не начат";
            return;
        }
        const auto clocks = options_.clock();
        Journal journal;
        journal.header.programVersion = options_.programVersion;
        journal.header.battery = facts->name;
        journal.header.maker = facts->manufacturer;
        journal.header.model = facts->model;
        journal.header.serial = facts->serial;
        journal.header.chargeUnits = facts->units == platform::BatteryFacts::Units::Charge;
        journal.header.designFull = facts->designFull;
        journal.header.full = facts->full;
        journal.header.voltageMinDesign = facts->voltageMinDesign;
        journal.header.load = load;
        journal.header.bootId = options_.bootId;
        journal.header.stopThreshold = facts->chargeEndThreshold;
        journal.header.hold = holdOf(*facts);
        const auto first = readingOf(*facts, snapshot, clocks);
        std::lock_guard lock(mutex_);
        failure = file_.create(folder_ / journalName(clocks.wallMs, facts->name));
        if (failure.empty()) {
            failure = file_.append(headerLine(journal.header) + readingLine(first));
        }
        if (!failure.empty()) {
            file_.close();
            return;
        }
        journal.readings.push_back(first);
        journal_ = std::move(journal);
        error_.clear();
        missing_ = 0;
        samples_ = 0; // the first reading is the header's: the next goes to the journal ten readings on
        running_ = true;
        stopping_ = false;
        thread_ = lane_.startThread([this] { serve(); });
    });
    return failure;
}

// The end line, written by whoever ends the run: the reading thread, or stop() once that thread is gone.
void RundownRecorder::endLocked(std::unique_lock<std::mutex>& lock, JournalEndReason reason,
                                const platform::ClockReading& clocks) {
    if (!running_) {
        return;
    }
    const JournalEnd end{reason, clocks.boottimeNs, clocks.monotonicNs, clocks.wallMs};
    latest_.reset();
    lock.unlock();
    const auto failure = file_.append(endLine(end));
    lock.lock();
    if (failure.empty()) {
        journal_.end = end;
    } else {
        error_ = failure;
    }
    running_ = false;
    file_.close();
}

void RundownRecorder::stop(JournalEndReason reason) {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::unique_lock lock(mutex_);
    if (running_) {
        endLocked(lock, reason, options_.clock());
    }
    file_.close();
}

bool RundownRecorder::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

Journal RundownRecorder::journal() const {
    std::lock_guard lock(mutex_);
    return journal_;
}

Journal RundownRecorder::liveJournal() const {
    std::lock_guard lock(mutex_);
    Journal journal = journal_;
    if (latest_) {
        journal.readings.push_back(*latest_);
    }
    return journal;
}

std::filesystem::path RundownRecorder::file() const {
    std::lock_guard lock(mutex_);
    return file_.path();
}

std::string RundownRecorder::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void RundownRecorder::sampleNow() {
    {
        std::lock_guard lock(mutex_);
        sampleRequested_ = true;
    }
    wake_.notify_all();
}

void RundownRecorder::serve() {
    std::unique_lock lock(mutex_);
    while (!stopping_ && running_) {
        wake_.wait_for(lock, options_.sampleInterval, [this] { return stopping_ || sampleRequested_; });
        if (stopping_) {
            break;
        }
        const bool requested = sampleRequested_;
        sampleRequested_ = false;
        sampleLocked(lock, requested);
    }
}

// Reads the battery and writes the journal without holding the lock (a sysfs read can take milliseconds, a
// sync on a busy disk far longer).
void RundownRecorder::sampleLocked(std::unique_lock<std::mutex>& lock, bool forceJournal) {
    const std::string name = journal_.header.battery;
    lock.unlock();
    const auto snapshot = health_.read();
    const auto clocks = options_.clock();
    lock.lock();
    const auto* facts = findBattery(snapshot, name);
    if (facts == nullptr) {
        // Gone for a moment (an ACPI re-read) the next reading tells; gone for good, the run ends here and
        // what was recorded stays a partial result.
        if (++missing_ >= options_.missingReadings) {
            endLocked(lock, JournalEndReason::Removed, clocks);
        }
        return;
    }
    missing_ = 0;
    const auto reading = readingOf(*facts, snapshot, clocks);
    ++samples_;
    const auto& previous = journal_.readings.back();
    const bool changed = reading.mainsOnline != previous.mainsOnline || reading.status != previous.status;
    if (!forceJournal && !changed && samples_ % options_.journalEvery != 0) {
        latest_ = reading;
        return;
    }
    latest_.reset();
    // The file is this thread's alone while the run goes on; the live view must not wait on the disk.
    lock.unlock();
    const auto failure = file_.append(readingLine(reading));
    lock.lock();
    if (!failure.empty()) {
        error_ = failure;
        return;
    }
    journal_.readings.push_back(reading);
    if (endsTheRun(reading, journal_)) {
        // Mains is back: the reading says so, the run is over and the file complete as it stands.
        running_ = false;
        file_.close();
    }
}

} // namespace vexlin::battery
