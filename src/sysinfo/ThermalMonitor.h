#pragma once

#include "platform/ThermalSensors.h"
#include "results/ResultsStore.h"
#include "sysinfo/ThermalReport.h"
#include "sysinfo/ThermalRun.h"

#include <optional>
#include <string>

namespace vexlin::sysinfo {

// Watches the machine's sensors through one run of a test: start when the test begins, a reading once a
// second, finish when it ends; the run's results then replace those of the previous run of the same kind.
// Without sensors to ask (no source given) it does nothing at all.
class ThermalMonitor {
public:
    ThermalMonitor(platform::ThermalSensors* sensors, results::ResultsStore& store, ThermalRunKind kind)
        : sensors_(sensors), store_(store), kind_(kind) {}

    // Looks for the sensors and takes the first reading.  A run already going on goes on.
    void start();
    // Takes a reading and returns the line to show; empty when no run is going on.
    std::string sample();
    // Puts the run's results into the store and ends the run; nothing when none is going on.
    void finish();

    bool running() const { return run_.has_value(); }
    // The line of the latest reading.
    std::string line() const;

private:
    platform::ThermalSensors* sensors_;
    results::ResultsStore& store_;
    ThermalRunKind kind_;
    std::optional<ThermalRun> run_;
};

// Replaces the lines of one kind of run in the store, leaving those of the other kind where they are.
void putRunLines(results::ResultsStore& store, ThermalRunKind kind,
                 const std::vector<results::ResultLine>& lines);

} // namespace vexlin::sysinfo
