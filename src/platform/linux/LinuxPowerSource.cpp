#include "platform/linux/LinuxPowerSource.h"

#include "platform/linux/PowerSupplies.h"
#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
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
    // The charge and the full capacity from one family: a bq27xxx gauge has energy_now but counts its
    // full capacity in charge only.
    const auto energyNow = nonNegative(readInteger(dir / "energy_now"));
    const auto energyFull = nonNegative(readInteger(dir / "energy_full"));
    const auto chargeNow = nonNegative(readInteger(dir / "charge_now"));
    const auto chargeFull = nonNegative(readInteger(dir / "charge_full"));
    battery.energyUnits = (energyNow && energyFull) || !(chargeNow && chargeFull);
    if (battery.energyUnits) {
        battery.now = energyNow;
        battery.full = energyFull;
        battery.rate = readInteger(dir / "power_now");
    } else {
        battery.now = chargeNow;
        battery.full = chargeFull;
        battery.rate = readInteger(dir / "current_now");
    }
    // Some drivers report the discharge rate as a negative number; the most negative 64-bit one has no
    // magnitude and is garbage.
    if (battery.rate && *battery.rate == std::numeric_limits<std::int64_t>::min()) {
        battery.rate.reset();
    } else if (battery.rate && *battery.rate < 0) {
        battery.rate = -*battery.rate;
    }
    battery.secondsToEmpty = nonNegative(readInteger(dir / "time_to_empty_now"));
    return battery;
}

// A bay whose controller does not answer reads 0 in everything: it holds no charge to count in.
bool answers(const Battery& b) {
    return b.capacity.value_or(0) != 0 || b.now.value_or(0) != 0 || b.full.value_or(0) != 0;
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
        // Clamped before the conversion: a gauge that reports a near-zero full capacity beside a normal
        // charge gives a ratio far beyond any int.
        return static_cast<int>(std::lround(std::clamp(now * 100.0 / full, 0.0, 100.0)));
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
    const PowerSupplies supplies = listPowerSupplies(root_);
    std::vector<Battery> batteries;
    for (const auto& dir : supplies.batteries) {
        batteries.push_back(readBattery(dir));
    }

    const bool anyCharging = std::any_of(batteries.begin(), batteries.end(),
                                         [](const Battery& b) { return b.status == "Charging"; });
    const bool anyDischarging = std::any_of(batteries.begin(), batteries.end(),
                                            [](const Battery& b) { return b.status == "Discharging"; });
    if (const auto mains =
            mainsOnline(supplies.mainsReported, !batteries.empty(), anyCharging, anyDischarging)) {
        status.ACLineStatus = *mains ? PowerStatus::kAcOnline : PowerStatus::kAcOffline;
    }

    if (batteries.empty()) {
        status.BatteryFlag = PowerStatus::kFlagNoBattery;
        return status;
    }

    std::vector<Battery> answering;
    std::copy_if(batteries.begin(), batteries.end(), std::back_inserter(answering), answers);
    const auto percent = answering.empty() ? std::nullopt : combinedPercent(answering);
    if (!percent) {
        return status; // flag, percent and run time all unknown
    }
    status.BatteryLifePercent = static_cast<std::uint8_t>(*percent);
    status.BatteryFlag = flagsFor(*percent, anyCharging);
    if (anyDischarging && !anyCharging && status.ACLineStatus != PowerStatus::kAcOnline) {
        status.BatteryLifeTime = secondsLeft(answering).value_or(PowerStatus::kUnknownSeconds);
    }
    return status;
}

} // namespace vexlin::platform::linux_impl
