#pragma once

#include "platform/ThermalSensors.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::sysinfo {

enum class SensorGroup { Processor, Graphics, Drive, Board };

// A temperature worth showing: the processor (the hottest of all its sensors: package, cores, Tctl, Tccd),
// each graphics sensor, each drive, each ACPI zone.
struct WatchedTemperature {
    SensorGroup group = SensorGroup::Processor;
    std::string key;  // stable for the results: "cpu_package", "gpu_edge", "gpu2_junction", "drive", "drive2"
    std::string name; // as the user reads it: "Процессор", "Видеокарта (горячая точка)", "Накопитель 2"
    std::vector<std::size_t> sources; // indexes into the watched layout's temperatures
    // The temperature at which the hardware itself steps in, where its own driver or firmware tells it;
    // thresholds that user space sets are no limit (see limitOf).
    std::optional<std::int64_t> limitMilliCelsius;
    std::string limitSource; // where that limit was read: "coretemp temp1_crit", "acpitz critical trip"
};

struct WatchedFan {
    std::string key; // "fan1", "fan2", ...
    std::string name; // "Вентилятор", "Вентилятор 2", "Вентилятор (Processor Fan)"
    std::size_t source = 0;
};

// What a run watches, chosen from everything the system reports.
struct ThermalChoice {
    platform::ThermalLayout watched; // what is read each second; the indexes below point into it
    std::vector<WatchedTemperature> temperatures;
    std::vector<WatchedFan> fans;
    // The processor's base clock (the highest one where cores differ): below it under load it is slowed down.
    std::optional<std::int64_t> baseKhz;

    bool empty() const {
        return temperatures.empty() && fans.empty() && watched.clocks.empty() &&
               watched.throttleCounters.empty();
    }
    const WatchedTemperature* processor() const;
};

// Where a limit comes from and whether it is the hardware's own.  Only an own limit is ever judged
// against; the others are named so that the choice can be explained.
struct LimitSource {
    std::optional<std::int64_t> milliCelsius;
    std::string what; // "coretemp temp1_crit", "x86_pkg_temp passive trip"
    bool own = false;
};

// Every limit a source states, own or not, in the order the source states them.
std::vector<LimitSource> limitsOf(const platform::TemperatureSource& source);

// "k10temp Tdie", "coretemp Package id 0", "nvme temp1", "cpu0-thermal": the sensor as the system names it.
std::string sensorName(const platform::TemperatureSource& source);

// Picks the sensors that matter and names them; a throttle counter shared by a core's threads or a
// package's processors is read once.  A chip hwmon also shows as a zone ("acpitz") is taken from
// the zone, which carries the trip points.  Each entry's limit is the lowest own limit of its own sources:
// the processor's never falls back to a board zone's shutdown point, which on many laptops lies well above
// the point where the processor slows itself.  Limits and readings outside what any sensor can mean (a trip
// at 0 °C, a critical point of 65261 °C) are not taken as facts.  On k10temp, Tctl carries a fan-control
// offset on some parts: where the chip also shows Tdie or Tccd, those stand for the processor.
ThermalChoice chooseSensors(const platform::ThermalLayout& found);

// A reading is believed between these (millidegrees): values outside come from absent or broken sensors.
inline constexpr std::int64_t kLowestBelievedMilliCelsius = -40000;
inline constexpr std::int64_t kHighestBelievedMilliCelsius = 150000;
inline constexpr std::int64_t kHighestBelievedRpm = 30000;

bool believedTemperature(std::int64_t milliCelsius);
bool believedLimit(std::int64_t milliCelsius);

} // namespace vexlin::sysinfo
