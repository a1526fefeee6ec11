#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::platform {

// Where a temperature comes from: a hardware-monitoring chip, or a thermal zone of the firmware or kernel.
enum class TemperatureOrigin { Chip, Zone };

// A trip point of a thermal zone: the temperature at which the kernel or the firmware acts.
struct TripPoint {
    std::string type; // "critical", "hot", "passive", "active"
    std::int64_t milliCelsius = 0;
    bool operator==(const TripPoint&) const = default;
};

// One temperature sensor as the system names it.  Which sensors matter and what they are called is the
// logic's business; this is what the system says, nothing added.
struct TemperatureSource {
    TemperatureOrigin origin = TemperatureOrigin::Chip;
    std::string chip;   // the chip's driver name ("coretemp", "k10temp", "amdgpu", "nvme") or the zone's type
    std::string device; // the chip's or zone's own name in the tree ("hwmon3", "thermal_zone0"): tells chips
                        // of the same driver apart
    int index = 0;      // N of tempN_input; 0 for a zone
    std::string label;  // tempN_label, empty when the chip gives none
    std::optional<std::int64_t> critMilliCelsius;
    std::optional<std::int64_t> maxMilliCelsius;
    std::vector<TripPoint> trips; // zones only
    bool operator==(const TemperatureSource&) const = default;
};

struct FanSource {
    std::string chip;
    std::string device;
    int index = 0;     // N of fanN_input
    std::string label; // fanN_label, often empty
    bool operator==(const FanSource&) const = default;
};

// A processor's clock as its frequency driver reports it, in kHz.
struct CpuClockSource {
    int cpu = 0;
    std::optional<std::int64_t> maxKhz;  // cpuinfo_max_freq: the highest, boost included
    std::optional<std::int64_t> baseKhz; // base_frequency where the driver knows it
    bool operator==(const CpuClockSource&) const = default;
};

// One of the kernel's counters of thermal throttling of a processor: the events, and the milliseconds spent
// throttled in all (added when an event ends).  A package's counter shows in every processor of the package
// and a core's in each of its threads.
struct ThrottleCounterSource {
    int cpu = 0;
    std::string name; // "core_throttle_count", "package_throttle_total_time_ms", ...
    int package = -1; // topology/physical_package_id; -1 when the system does not tell
    int core = -1;    // topology/core_id
    bool operator==(const ThrottleCounterSource&) const = default;
};

// Everything found once at the start of a run; the values of each reading follow the same order.
struct ThermalLayout {
    std::vector<TemperatureSource> temperatures;
    std::vector<FanSource> fans;
    std::vector<CpuClockSource> clocks;
    std::vector<ThrottleCounterSource> throttleCounters;
    bool operator==(const ThermalLayout&) const = default;
};

// One reading of the values of a layout, index by index.  A value that could not be read is absent.
struct ThermalReading {
    std::vector<std::optional<std::int64_t>> milliCelsius;
    std::vector<std::optional<std::int64_t>> fanRpm;
    std::vector<std::optional<std::int64_t>> clockKhz;
    std::vector<std::optional<std::int64_t>> throttleCounts;
    bool operator==(const ThermalReading&) const = default;
};

// Temperatures, fans, processor clocks and throttle counters.  Looking for them walks whole directory
// trees, so it is done once per run; a reading then only opens the files of the values found, since it
// runs once a second on the user-interface thread.
class ThermalSensors {
public:
    virtual ~ThermalSensors() = default;
    // Looks for the sensors afresh and returns them; later readings follow this layout.
    virtual ThermalLayout discover() = 0;
    // Narrows the readings to the sources that matter, in the order given.  Some drivers ask their device
    // for every value (a drive, a wireless card), so what nobody shows is not read.  A source that was not
    // discovered reads as absent.
    virtual void watch(const ThermalLayout& chosen) = 0;
    // The values now, in the order of the layout watched (the one discovered unless narrowed).
    virtual ThermalReading read() const = 0;
};

} // namespace vexlin::platform
