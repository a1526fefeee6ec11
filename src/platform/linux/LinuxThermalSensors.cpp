#include "platform/linux/LinuxThermalSensors.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace vexlin::platform::linux_impl {
namespace {

namespace fs = std::filesystem;

// N of a name made of the prefix, a decimal number and the suffix ("temp12_input" → 12); nothing when the
// name has another shape.
std::optional<int> numberBetween(std::string_view name, std::string_view prefix, std::string_view suffix) {
    if (!name.starts_with(prefix) || !name.ends_with(suffix) ||
        name.size() <= prefix.size() + suffix.size()) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

// The entries of a directory named prefix + N, in the order of N (hwmon2 before hwmon10).
std::vector<std::pair<int, fs::path>> numberedEntries(const fs::path& dir, std::string_view prefix,
                                                      std::string_view suffix = {}) {
    std::vector<std::pair<int, fs::path>> entries;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (const auto n = numberBetween(entry.path().filename().string(), prefix, suffix)) {
            entries.emplace_back(*n, entry.path());
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string textOf(const fs::path& file) {
    return readFirstLine(file).value_or("");
}

// Older drivers keep name and values in the device directory instead of the hwmon one.
fs::path attributeDirectory(const fs::path& chip) {
    std::error_code error;
    if (!fs::exists(chip / "name", error) && fs::exists(chip / "device" / "name", error)) {
        return chip / "device";
    }
    return chip;
}

std::vector<TripPoint> tripPoints(const fs::path& zone) {
    std::vector<TripPoint> trips;
    for (const auto& [n, path] : numberedEntries(zone, "trip_point_", "_temp")) {
        const auto value = readInteger(path);
        const auto type = textOf(zone / ("trip_point_" + std::to_string(n) + "_type"));
        if (value && !type.empty()) {
            trips.push_back({type, *value});
        }
    }
    return trips;
}

template <typename T> std::optional<std::size_t> indexOf(const std::vector<T>& list, const T& item) {
    const auto at = std::find(list.begin(), list.end(), item);
    if (at == list.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(at - list.begin());
}

// The files of the chosen entries, looked up among those discovered; an empty name for one not found.
template <typename T>
std::vector<std::string> filesOf(const std::vector<T>& chosen, const std::vector<T>& discovered,
                                 const std::vector<std::string>& files) {
    std::vector<std::string> result;
    result.reserve(chosen.size());
    for (const auto& item : chosen) {
        const auto at = indexOf(discovered, item);
        result.push_back(at ? files[*at] : std::string());
    }
    return result;
}

std::vector<std::optional<std::int64_t>> readAll(const std::vector<std::string>& files) {
    std::vector<std::optional<std::int64_t>> values;
    values.reserve(files.size());
    for (const auto& file : files) {
        values.push_back(file.empty() ? std::nullopt : readSmallInteger(file));
    }
    return values;
}

} // namespace

void LinuxThermalSensors::findChips(Found& found) const {
    for (const auto& [n, chipPath] : numberedEntries(rootedPath(root_, "/sys/class/hwmon"), "hwmon")) {
        const fs::path dir = attributeDirectory(chipPath);
        const std::string chip = textOf(dir / "name");
        const std::string device = chipPath.filename().string();
        for (const auto& [index, input] : numberedEntries(dir, "temp", "_input")) {
            const std::string stem = "temp" + std::to_string(index);
            TemperatureSource source;
            source.origin = TemperatureOrigin::Chip;
            source.chip = chip;
            source.device = device;
            source.index = index;
            source.label = textOf(dir / (stem + "_label"));
            source.critMilliCelsius = readInteger(dir / (stem + "_crit"));
            source.maxMilliCelsius = readInteger(dir / (stem + "_max"));
            found.layout.temperatures.push_back(std::move(source));
            found.temperatureFiles.push_back(input.string());
        }
        for (const auto& [index, input] : numberedEntries(dir, "fan", "_input")) {
            found.layout.fans.push_back(
                {chip, device, index, textOf(dir / ("fan" + std::to_string(index) + "_label"))});
            found.fanFiles.push_back(input.string());
        }
    }
}

void LinuxThermalSensors::findZones(Found& found) const {
    for (const auto& [n, zone] : numberedEntries(rootedPath(root_, "/sys/class/thermal"), "thermal_zone")) {
        TemperatureSource source;
        source.origin = TemperatureOrigin::Zone;
        source.chip = textOf(zone / "type");
        source.device = zone.filename().string();
        source.trips = tripPoints(zone);
        found.layout.temperatures.push_back(std::move(source));
        found.temperatureFiles.push_back((zone / "temp").string());
    }
}

void LinuxThermalSensors::findProcessors(Found& found) const {
    for (const auto& [cpu, dir] : numberedEntries(rootedPath(root_, "/sys/devices/system/cpu"), "cpu")) {
        const fs::path freq = dir / "cpufreq";
        std::error_code error;
        if (fs::exists(freq / "scaling_cur_freq", error)) {
            found.layout.clocks.push_back(
                {cpu, readInteger(freq / "cpuinfo_max_freq"), readInteger(freq / "base_frequency")});
            found.clockFiles.push_back((freq / "scaling_cur_freq").string());
        }
        std::vector<std::string> counters;
        for (const auto& entry : fs::directory_iterator(dir / "thermal_throttle", error)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with("_throttle_count") || name.ends_with("_throttle_total_time_ms")) {
                counters.push_back(name);
            }
        }
        std::sort(counters.begin(), counters.end());
        const int package = static_cast<int>(readInteger(dir / "topology/physical_package_id").value_or(-1));
        const int core = static_cast<int>(readInteger(dir / "topology/core_id").value_or(-1));
        for (const auto& name : counters) {
            found.layout.throttleCounters.push_back({cpu, name, package, core});
            found.counterFiles.push_back((dir / "thermal_throttle" / name).string());
        }
    }
}

ThermalLayout LinuxThermalSensors::discover() {
    Found found;
    findChips(found);
    findZones(found);
    findProcessors(found);
    discovered_ = std::move(found);
    watched_ = discovered_;
    return discovered_.layout;
}

void LinuxThermalSensors::watch(const ThermalLayout& chosen) {
    Found watched;
    watched.layout = chosen;
    watched.temperatureFiles =
        filesOf(chosen.temperatures, discovered_.layout.temperatures, discovered_.temperatureFiles);
    watched.fanFiles = filesOf(chosen.fans, discovered_.layout.fans, discovered_.fanFiles);
    watched.clockFiles = filesOf(chosen.clocks, discovered_.layout.clocks, discovered_.clockFiles);
    watched.counterFiles =
        filesOf(chosen.throttleCounters, discovered_.layout.throttleCounters, discovered_.counterFiles);
    watched_ = std::move(watched);
}

ThermalReading LinuxThermalSensors::read() const {
    return {readAll(watched_.temperatureFiles), readAll(watched_.fanFiles), readAll(watched_.clockFiles),
            readAll(watched_.counterFiles)};
}

} // namespace vexlin::platform::linux_impl
