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

std::optional<Role> zoneRole(const TemperatureSource& zone) {
    if (zone.chip == "acpitz") {
        return Role{SensorGroup::Board, {}};
    }
    if (oneOf(zone.chip, {"x86_pkg_temp", "TCPU", "cpu-thermal", "cpu_thermal"})) {
        return Role{SensorGroup::Processor, {}};
    }
    return std::nullopt;
}

std::optional<Role> chipRole(const TemperatureSource& sensor) {
    if (oneOf(sensor.chip, {"coretemp", "k10temp", "zenpower", "cpu_thermal"})) {
        return Role{SensorGroup::Processor, {}};
    }
    if (oneOf(sensor.chip, {"amdgpu", "radeon", "nouveau", "i915", "xe"})) {
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

std::optional<std::int64_t> lower(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return std::min(*a, *b);
}

// The sensor's own critical point, else its high mark, else the lowest trip point at which the kernel or
// the firmware acts against the heat (active trips only start fans).
std::optional<std::int64_t> limitOf(const TemperatureSource& source) {
    if (source.critMilliCelsius && believedLimit(*source.critMilliCelsius)) {
        return source.critMilliCelsius;
    }
    if (source.maxMilliCelsius && believedLimit(*source.maxMilliCelsius)) {
        return source.maxMilliCelsius;
    }
    std::optional<std::int64_t> lowest;
    for (const auto& trip : source.trips) {
        if (oneOf(trip.type, {"critical", "hot", "passive"}) && believedLimit(trip.milliCelsius)) {
            lowest = lower(lowest, trip.milliCelsius);
        }
    }
    return lowest;
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
    for (const auto& source : found.temperatures) {
        const auto role = roleOf(source);
        if (!role) {
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

    std::optional<std::int64_t> boardLimit;
    for (auto& [entry, sources] : pending) {
        for (const TemperatureSource* source : sources) {
            entry.sources.push_back(choice.watched.temperatures.size());
            choice.watched.temperatures.push_back(*source);
            entry.limitMilliCelsius = lower(entry.limitMilliCelsius, limitOf(*source));
        }
        if (entry.group == SensorGroup::Board) {
            boardLimit = lower(boardLimit, entry.limitMilliCelsius);
        }
        choice.temperatures.push_back(std::move(entry));
    }
    for (auto& entry : choice.temperatures) {
        if (entry.group == SensorGroup::Processor && !entry.limitMilliCelsius) {
            entry.limitMilliCelsius = boardLimit;
        }
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
