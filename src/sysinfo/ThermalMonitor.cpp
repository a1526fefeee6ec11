#include "sysinfo/ThermalMonitor.h"

namespace vexlin::sysinfo {

void ThermalMonitor::start() {
    if (sensors_ == nullptr || run_) {
        return;
    }
    ThermalChoice choice = chooseSensors(sensors_->discover());
    sensors_->watch(choice.watched);
    run_.emplace(std::move(choice));
    run_->add(sensors_->read());
}

std::string ThermalMonitor::sample() {
    if (!run_) {
        return {};
    }
    run_->add(sensors_->read());
    return line();
}

std::string ThermalMonitor::line() const {
    if (!run_) {
        return {};
    }
    return liveLine(run_->latest(), !run_->choice().empty());
}

void ThermalMonitor::finish() {
    if (!run_) {
        return;
    }
    putRunLines(store_, kind_, thermalResultLines(run_->summary(), kind_));
    run_.reset();
}

void putRunLines(results::ResultsStore& store, ThermalRunKind kind,
                 const std::vector<results::ResultLine>& lines) {
    const std::string prefix = std::string(runSlug(kind)) + ".";
    std::vector<results::ResultLine> others;
    for (auto& line : store.linesOf(kThermalSource)) {
        if (!line.key.starts_with(prefix)) {
            others.push_back(std::move(line));
        }
    }
    store.clearSource(kThermalSource);
    for (auto& line : others) {
        store.put(std::move(line));
    }
    for (const auto& line : lines) {
        store.put(line);
    }
}

} // namespace vexlin::sysinfo
