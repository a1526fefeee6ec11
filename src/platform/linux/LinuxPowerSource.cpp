#include "platform/linux/LinuxPowerSource.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace vexlin::platform::linux_impl {
namespace {

struct Battery {
    std::string status;                   // "Charging", "Discharging", "Full", "Not charging", "Unknown"
    std::optional<std::int64_t> capacity; // percent
    std::optional<std::int64_t> now;      // energy (µWh) or charge (µAh)
    std::optional<std::int64_t> full;
    std::optional<std::int64_t> rate; // power (µW) or current (µA), with the same unit family as now
    bool energyUnits = true;
    std::optional<std::int64_t> secondsToEmpty;
};

std::optional<std::int64_t> nonNegative(std::optional<std::int64_t> value) {
    if (value && *value < 0) {
        return std::nullopt;
    }
    return value;
}

Battery readBattery(const std::filesystem::path& dir) {
    Battery battery;
    battery.status = readFirstLine(dir / "status").value_or("Unknown");
    battery.capacity = readInteger(dir / "capacity");
    if (battery.capacity && (*battery.capacity < 0 || *battery.capacity > 100)) {
        battery.capacity.reset();
    }
    if (std::filesystem::exists(dir / "energy_now")) {
        battery.now = nonNegative(readInteger(dir / "energy_now"));
        battery.full = nonNegative(readInteger(dir / "energy_full"));
        battery.rate = readInteger(dir / "power_now");
    } else {
        battery.energyUnits = false;
        battery.now = nonNegative(readInteger(dir / "charge_now"));
        battery.full = nonNegative(readInteger(dir / "charge_full"));
        battery.rate = readInteger(dir / "current_now");
    }
    // Some drivers report the discharge rate as a negative number.
    if (battery.rate) {
        battery.rate = std::llabs(*battery.rate);
    }
    battery.secondsToEmpty = nonNegative(readInteger(dir / "time_to_empty_now"));
    return battery;
}

bool isSystemBattery(const std::filesystem::path& dir) {
    if (readFirstLine(dir / "scope").value_or("") == "Device") {
        return false;
    }
    return readInteger(dir / "present").value_or(1) != 0;
}

// Whole percent of all batteries together: from their contents when every battery reports them in the same
// units, else the mean of the capacities they report.
std::optional<int> combinedPercent(const std::vector<Battery>& batteries) {
    const bool sameUnits = std::all_of(batteries.begin(), batteries.end(), [&](const Battery& b) {
        return b.energyUnits == batteries.front().energyUnits && b.now && b.full && *b.full > 0;
    });
    if (sameUnits) {
        double now = 0;
        double full = 0;
        for (const auto& b : batteries) {
            now += static_cast<double>(*b.now);
            full += static_cast<double>(*b.full);
        }
        return std::clamp(static_cast<int>(std::lround(now * 100.0 / full)), 0, 100);
    }
    int sum = 0;
    int count = 0;
    for (const auto& b : batteries) {
        if (b.capacity) {
            sum += static_cast<int>(*b.capacity);
            ++count;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    return (sum + count / 2) / count;
}

// Seconds left while discharging: the contents of all batteries over their summed drain.
std::optional<std::uint32_t> secondsLeft(const std::vector<Battery>& batteries) {
    double now = 0;
    double rate = 0;
    double reportedSeconds = 0;
    bool allReportSeconds = true;
    bool allHaveRate = true;
    for (const auto& b : batteries) {
        allReportSeconds = allReportSeconds && b.secondsToEmpty.has_value();
        if (b.secondsToEmpty) {
            reportedSeconds += static_cast<double>(*b.secondsToEmpty);
        }
        if (!b.now || !b.rate || b.energyUnits != batteries.front().energyUnits) {
            allHaveRate = false;
            continue;
        }
        now += static_cast<double>(*b.now);
        rate += static_cast<double>(*b.rate);
    }
    double seconds = -1;
    if (allHaveRate && rate > 0) {
        seconds = now / rate * 3600.0;
    } else if (allReportSeconds) {
        seconds = reportedSeconds;
    }
    // 0xFFFFFFFF means "unknown", so a real estimate stays below it.
    if (seconds < 0 || !std::isfinite(seconds) || seconds >= 4294967295.0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(seconds);
}

std::uint8_t flagsFor(int percent, bool charging) {
    std::uint8_t flags = 0;
    if (percent > 66) {
        flags |= PowerStatus::kFlagHigh;
    }
    if (percent < 33) {
        flags |= PowerStatus::kFlagLow;
    }
    if (percent < 5) {
        flags |= PowerStatus::kFlagCritical;
    }
    if (charging) {
        flags |= PowerStatus::kFlagCharging;
    }
    return flags;
}

} // namespace

PowerStatus LinuxPowerSource::read() const {
    PowerStatus status;
    std::vector<Battery> batteries;
    bool mainsSeen = false;
    bool mainsOnline = false;

    std::error_code error;
    const auto classDir = rootedPath(root_, "/sys/class/power_supply");
    std::vector<std::filesystem::path> supplies;
    for (const auto& entry : std::filesystem::directory_iterator(classDir, error)) {
        supplies.push_back(entry.path());
    }
    std::sort(supplies.begin(), supplies.end());
    for (const auto& dir : supplies) {
        const auto type = readFirstLine(dir / "type").value_or("");
        if (type == "Mains" || type == "USB") {
            const auto online = readInteger(dir / "online");
            if (online) {
                mainsSeen = true;
                mainsOnline = mainsOnline || *online != 0;
            }
        } else if (type == "Battery" && isSystemBattery(dir)) {
            batteries.push_back(readBattery(dir));
        }
    }

    const bool anyCharging = std::any_of(batteries.begin(), batteries.end(),
                                         [](const Battery& b) { return b.status == "Charging"; });
    const bool anyDischarging = std::any_of(batteries.begin(), batteries.end(),
                                            [](const Battery& b) { return b.status == "Discharging"; });

    if (mainsSeen) {
        status.ACLineStatus = mainsOnline ? PowerStatus::kAcOnline : PowerStatus::kAcOffline;
    } else if (batteries.empty() || anyCharging) {
        // A machine without a battery that runs at all runs from the mains.
        status.ACLineStatus = PowerStatus::kAcOnline;
    } else if (anyDischarging) {
        status.ACLineStatus = PowerStatus::kAcOffline;
    }

    if (batteries.empty()) {
        status.BatteryFlag = PowerStatus::kFlagNoBattery;
        return status;
    }

    const auto percent = combinedPercent(batteries);
    if (!percent) {
        return status; // flag, percent and run time all unknown
    }
    status.BatteryLifePercent = static_cast<std::uint8_t>(*percent);
    status.BatteryFlag = flagsFor(*percent, anyCharging);
    if (anyDischarging && !anyCharging && status.ACLineStatus != PowerStatus::kAcOnline) {
        status.BatteryLifeTime = secondsLeft(batteries).value_or(PowerStatus::kUnknownSeconds);
    }
    return status;
}

} // namespace vexlin::platform::linux_impl
