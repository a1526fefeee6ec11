#include "sysinfo/ThermalChoice.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <tuple>

namespace vexlin::sysinfo {
namespace {

using platform::TemperatureOrigin;
using platform::TemperatureSource;

// What a sensor measures: its group and, for a graphics chip, which part of it.
struct Role {
    SensorGroup group;
    std::string_view part; // "edge", "junction", "mem" or empty
};

bool oneOf(std::string_view value, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), value) != names.end();
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return result;
}

bool graphicsChip(std::string_view chip) {
    return oneOf(chip, {"amdgpu", "radeon", "nouveau", "i915", "xe"});
}

// Device-tree zones are named after their node: "cpu0-thermal", "cpu-big0-thermal", "cpuss0-thermal",
// "cpu0-top-thermal", "cluster0-thermal", "cpu_thermal".
bool armProcessorZone(std::string_view type) {
    const bool named = type.starts_with("cpu") || type.starts_with("cluster");
    return named && (type.ends_with("-thermal") || type.ends_with("_thermal"));
}

bool packageZone(std::string_view type) {
    return type == "x86_pkg_temp";
}

std::optional<Role> zoneRole(const TemperatureSource& zone) {
    if (zone.chip == "acpitz") {
        return Role{SensorGroup::Board, {}};
    }
    if (packageZone(zone.chip) || zone.chip == "TCPU" || armProcessorZone(zone.chip)) {
        return Role{SensorGroup::Processor, {}};
    }
    return std::nullopt;
}

std::optional<Role> chipRole(const TemperatureSource& sensor) {
    if (oneOf(sensor.chip, {"coretemp", "k10temp", "zenpower", "cpu_thermal"})) {
        return Role{SensorGroup::Processor, {}};
    }
    if (graphicsChip(sensor.chip)) {
        const std::string label = lowered(sensor.label);
        for (const std::string_view part : {"edge", "junction", "mem"}) {
            if (label == part) {
                return Role{SensorGroup::Graphics, part};
            }
        }
        return Role{SensorGroup::Graphics, {}};
    }
    // A drive's first sensor is its composite temperature, the one its own limits refer to.
    if ((sensor.chip == "nvme" || sensor.chip == "drivetemp") && sensor.index == 1) {
        return Role{SensorGroup::Drive, {}};
    }
    if (sensor.chip == "dell_smm" && sensor.label == "CPU") {
        return Role{SensorGroup::Processor, {}};
    }
    if (sensor.chip == "dell_smm" && sensor.label == "GPU") {
        return Role{SensorGroup::Graphics, {}};
    }
    return std::nullopt;
}

std::optional<Role> roleOf(const TemperatureSource& source) {
    return source.origin == TemperatureOrigin::Zone ? zoneRole(source) : chipRole(source);
}

// Whether a chip's tempN_crit / tempN_max is the hardware's own.  coretemp's come from the processor's
// TjMax; NVMe's are the drive's own warning and critical composite temperatures; drivetemp's the drive's
// SCT limits; the graphics drivers' the chip's; cpu_thermal's crit is its zone's critical trip shown again.
// k10temp's max is a constant 70 °C that its driver prints for every part; its crit is the part's HTC limit
// where the part has one.  Other chips' limits are not known to be the hardware's.
bool ownChipLimit(std::string_view chip, bool crit) {
    if (chip == "k10temp" || chip == "cpu_thermal") {
        return crit;
    }
    return oneOf(chip, {"coretemp", "nvme", "drivetemp"}) || graphicsChip(chip);
}

// Whether a zone's trip point is the hardware's own limit.  Critical and hot points come from the firmware
// (ACPI _CRT/_HOT, a device tree's critical trip) and are read-only.  x86_pkg_temp's trips are thresholds
// its driver leaves for user space to write (thermal daemons set them for their notifications), and a
// passive trip only says where the kernel starts to slow the processor; active trips start fans.
bool ownTrip(std::string_view zoneType, std::string_view tripType) {
    if (packageZone(zoneType)) {
        return false;
    }
    return oneOf(tripType, {"critical", "hot"});
}

std::string tempFile(const TemperatureSource& source, std::string_view attribute) {
    return source.chip + " temp" + std::to_string(source.index) + "_" + std::string(attribute);
}

// The own limit of a source: a chip's critical point before its high mark (coretemp's high mark is a fan
// target below TjMax), a zone's lowest own trip.
std::optional<LimitSource> ownLimitOf(const TemperatureSource& source) {
    std::optional<LimitSource> lowest;
    for (auto& limit : limitsOf(source)) {
        if (limit.own && source.origin == TemperatureOrigin::Chip) {
            return limit;
        }
        if (limit.own && (!lowest || *limit.milliCelsius < *lowest->milliCelsius)) {
            lowest = std::move(limit);
        }
    }
    return lowest;
}

// k10temp devices that show Tdie or Tccd beside Tctl.
std::set<std::string> k10tempWithDieSensors(const platform::ThermalLayout& found) {
    std::set<std::string> devices;
    for (const auto& source : found.temperatures) {
        if (source.origin == TemperatureOrigin::Chip && source.chip == "k10temp" &&
            (source.label == "Tdie" || source.label.starts_with("Tccd"))) {
            devices.insert(source.device);
        }
    }
    return devices;
}

std::string_view partName(std::string_view part) {
    if (part == "edge") {
        return " (край кристалла)";
    }
    if (part == "junction") {
        return " (горячая точка)";
    }
    if (part == "mem") {
        return " (память)";
    }
    return {};
}

// A device's number among those of its group, from 1: the second drive is "drive2", "Накопитель 2".
std::string numbered(std::string_view base, int number) {
    return number <= 1 ? std::string(base) : std::string(base) + std::to_string(number);
}
std::string numberedName(std::string_view base, int number) {
    return number <= 1 ? std::string(base) : std::string(base) + " " + std::to_string(number);
}

WatchedTemperature entryFor(SensorGroup group, std::string_view part, int number) {
    WatchedTemperature entry;
    entry.group = group;
    switch (group) {
    case SensorGroup::Processor:
        entry.key = "cpu_package";
        entry.name = "Процессор";
        break;
    case SensorGroup::Graphics:
        entry.key = numbered("gpu", number) + (part.empty() ? "" : "_" + std::string(part));
        entry.name = numberedName("Видеокарта", number) + std::string(partName(part));
        break;
    case SensorGroup::Drive:
        entry.key = numbered("drive", number);
        entry.name = numberedName("Накопитель", number);
        break;
    case SensorGroup::Board:
        entry.key = numbered("board", number);
        entry.name = numberedName("Система (ACPI)", number);
        break;
    }
    return entry;
}

std::string fanName(const platform::FanSource& fan, int number, bool several) {
    if (!fan.label.empty()) {
        return "Вентилятор (" + fan.label + ")";
    }
    if (oneOf(fan.chip, {"amdgpu", "radeon", "nouveau"})) {
        return "Вентилятор видеокарты";
    }
    return several ? "Вентилятор " + std::to_string(number) : "Вентилятор";
}

// One counter of each package and of each core: the copies in the other threads of a core or processors of a
// package read the same and would only cost reading time.  Where the topology is not told all are kept.
std::vector<platform::ThrottleCounterSource>
sharedCountersOnce(const std::vector<platform::ThrottleCounterSource>& counters) {
    std::vector<platform::ThrottleCounterSource> kept;
    std::set<std::tuple<std::string, int, int>> seen; // name, package, core (-1 for a package counter)
    for (const auto& counter : counters) {
        const bool packageWide = counter.name.starts_with("package_");
        const bool known = counter.package >= 0 && (packageWide || counter.core >= 0);
        if (known && !seen.insert({counter.name, counter.package, packageWide ? -1 : counter.core}).second) {
            continue;
        }
        kept.push_back(counter);
    }
    return kept;
}

} // namespace

std::vector<LimitSource> limitsOf(const TemperatureSource& source) {
    std::vector<LimitSource> limits;
    if (source.origin == TemperatureOrigin::Chip) {
        if (source.critMilliCelsius && believedLimit(*source.critMilliCelsius)) {
            limits.push_back(
                {source.critMilliCelsius, tempFile(source, "crit"), ownChipLimit(source.chip, true)});
        }
        if (source.maxMilliCelsius && believedLimit(*source.maxMilliCelsius)) {
            limits.push_back(
                {source.maxMilliCelsius, tempFile(source, "max"), ownChipLimit(source.chip, false)});
        }
        return limits;
    }
    for (const auto& trip : source.trips) {
        if (believedLimit(trip.milliCelsius)) {
            limits.push_back({trip.milliCelsius, source.chip + " " + trip.type + " trip",
                              ownTrip(source.chip, trip.type)});
        }
    }
    return limits;
}

std::string sensorName(const TemperatureSource& source) {
    if (source.origin == TemperatureOrigin::Zone) {
        return source.chip;
    }
    return source.chip + " " + (source.label.empty() ? "temp" + std::to_string(source.index) : source.label);
}

bool believedTemperature(std::int64_t milliCelsius) {
    return milliCelsius >= kLowestBelievedMilliCelsius && milliCelsius <= kHighestBelievedMilliCelsius;
}

bool believedLimit(std::int64_t milliCelsius) {
    return milliCelsius > 30000 && milliCelsius <= kHighestBelievedMilliCelsius;
}

const WatchedTemperature* ThermalChoice::processor() const {
    for (const auto& entry : temperatures) {
        if (entry.group == SensorGroup::Processor) {
            return &entry;
        }
    }
    return nullptr;
}

ThermalChoice chooseSensors(const platform::ThermalLayout& found) {
    ThermalChoice choice;

    // The entries in the order the user reads them: processor, graphics, drives, zones; within a group in
    // the order the system lists its devices.
    struct Pending {
        WatchedTemperature entry;
        std::vector<const TemperatureSource*> sources;
    };
    std::vector<Pending> pending;
    std::map<std::pair<SensorGroup, std::string>, int> deviceNumbers; // (group, device) → 1, 2, ...
    std::map<SensorGroup, int> devicesSeen;
    const std::set<std::string> dieSensors = k10tempWithDieSensors(found);
    for (const auto& source : found.temperatures) {
        const auto role = roleOf(source);
        if (!role) {
            continue;
        }
        if (source.chip == "k10temp" && source.label == "Tctl" && dieSensors.contains(source.device)) {
            continue;
        }
        const std::string device = role->group == SensorGroup::Processor ? std::string() : source.device;
        auto [numberAt, isNew] = deviceNumbers.try_emplace(std::make_pair(role->group, device), 0);
        if (isNew) {
            numberAt->second = ++devicesSeen[role->group];
        }
        WatchedTemperature entry = entryFor(role->group, role->part, numberAt->second);
        auto same = std::find_if(pending.begin(), pending.end(),
                                 [&](const Pending& p) { return p.entry.key == entry.key; });
        if (same == pending.end()) {
            pending.push_back({std::move(entry), {}});
            same = pending.end() - 1;
        }
        same->sources.push_back(&source);
    }
    std::stable_sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
        return static_cast<int>(a.entry.group) < static_cast<int>(b.entry.group);
    });

    for (auto& [entry, sources] : pending) {
        for (const TemperatureSource* source : sources) {
            entry.sources.push_back(choice.watched.temperatures.size());
            choice.watched.temperatures.push_back(*source);
            const auto own = ownLimitOf(*source);
            if (own && (!entry.limitMilliCelsius || *own->milliCelsius < *entry.limitMilliCelsius)) {
                entry.limitMilliCelsius = own->milliCelsius;
                entry.limitSource = own->what;
            }
        }
        choice.temperatures.push_back(std::move(entry));
    }

    choice.watched.fans = found.fans;
    const bool severalFans = found.fans.size() > 1;
    for (std::size_t i = 0; i < found.fans.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        choice.fans.push_back(
            {"fan" + std::to_string(number), fanName(found.fans[i], number, severalFans), i});
    }

    choice.watched.clocks = found.clocks;
    for (const auto& clock : found.clocks) {
        if (clock.baseKhz && *clock.baseKhz > 0) {
            choice.baseKhz = std::max(choice.baseKhz.value_or(0), *clock.baseKhz);
        }
    }
    choice.watched.throttleCounters = sharedCountersOnce(found.throttleCounters);
    return choice;
}

} // namespace vexlin::sysinfo
