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
    // The temperature at which the hardware or the kernel steps in, where the system tells it.
    std::optional<std::int64_t> limitMilliCelsius;
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

// Picks the sensors that matter and names them; a throttle counter shared by a core's threads or a
// package's processors is read once.  A chip hwmon also shows as a zone ("acpitz") is taken from
// the zone, which carries the trip points; the processor's limit is the lowest its own sensors report, else
// the lowest of the ACPI zones (on most laptops those watch the processor).  Limits and readings outside
// what any sensor can mean (a trip at 0 °C, a critical point of 65261 °C) are not taken as facts.
ThermalChoice chooseSensors(const platform::ThermalLayout& found);

// A reading is believed between these (millidegrees): values outside come from absent or broken sensors.
inline constexpr std::int64_t kLowestBelievedMilliCelsius = -40000;
inline constexpr std::int64_t kHighestBelievedMilliCelsius = 150000;
inline constexpr std::int64_t kHighestBelievedRpm = 30000;

bool believedTemperature(std::int64_t milliCelsius);
bool believedLimit(std::int64_t milliCelsius);

} // namespace vexlin::sysinfo
