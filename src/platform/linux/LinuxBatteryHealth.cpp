#include "platform/linux/LinuxBatteryHealth.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace vexlin::platform::linux_impl {
namespace {

using Facts = BatteryFacts;

// No laptop pack holds a kWh or 100 Ah, and no cell stack reaches 100 V: beyond these a file holds garbage
// (a driver's all-ones "unknown" among them).
constexpr std::int64_t kMaxEnergy = 1'000'000'000; // µWh
constexpr std::int64_t kMaxCharge = 100'000'000;   // µAh
constexpr std::int64_t kMaxRate = 1'000'000'000;   // µW or µA
constexpr std::int64_t kMinVoltage = 1'000'000;    // µV
constexpr std::int64_t kMaxVoltage = 100'000'000;
constexpr std::int64_t kMaxCycles = 100'000;
constexpr std::size_t kMaxTextLength = 64;

std::optional<std::int64_t> inRange(std::optional<std::int64_t> value, std::int64_t low, std::int64_t high) {
    if (value && (*value < low || *value > high)) {
        return std::nullopt;
    }
    return value;
}

// Identity strings end up in the report and the JSON: printable ASCII only, trimmed and bounded, so a
// firmware's padding or stray bytes cannot break either.
std::string identityText(const std::filesystem::path& file) {
    const auto line = readFirstLine(file);
    if (!line) {
        return {};
    }
    std::string text;
    for (const char c : *line) {
        if (c >= 0x20 && c < 0x7F && text.size() < kMaxTextLength) {
            text.push_back(c);
        }
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

Facts::Status statusOf(const std::filesystem::path& file) {
    const auto text = readFirstLine(file).value_or("");
    if (text == "Charging") {
        return Facts::Status::Charging;
    }
    if (text == "Discharging") {
        return Facts::Status::Discharging;
    }
    if (text == "Not charging") {
        return Facts::Status::NotCharging;
    }
    if (text == "Full") {
        return Facts::Status::Full;
    }
    return Facts::Status::Unknown;
}

bool hasAny(const std::filesystem::path& dir, std::initializer_list<const char*> names) {
    std::error_code error;
    return std::any_of(names.begin(), names.end(),
                       [&](const char* name) { return std::filesystem::exists(dir / name, error); });
}

Facts readBattery(const std::filesystem::path& dir) {
    Facts facts;
    facts.name = dir.filename().string();
    facts.manufacturer = identityText(dir / "manufacturer");
    facts.model = identityText(dir / "model_name");
    facts.serial = identityText(dir / "serial_number");
    facts.technology = identityText(dir / "technology");

    const bool energy = hasAny(dir, {"energy_full_design", "energy_full", "energy_now"});
    facts.units = energy ? Facts::Units::Energy : Facts::Units::Charge;
    const char* prefix = energy ? "energy_" : "charge_";
    const std::int64_t maxAmount = energy ? kMaxEnergy : kMaxCharge;
    const auto amount = [&](const char* suffix) {
        return inRange(readInteger(dir / (std::string(prefix) + suffix)), 0, maxAmount);
    };
    // A zero design or full capacity is a gauge that does not know, not an empty pack.
    facts.designFull = inRange(amount("full_design"), 1, maxAmount);
    facts.full = inRange(amount("full"), 1, maxAmount);
    facts.now = amount("now");
    // Some firmware gives the discharge rate a negative sign.
    auto rate = readInteger(dir / (energy ? "power_now" : "current_now"));
    if (rate) {
        rate = std::llabs(*rate);
    }
    facts.rate = inRange(rate, 0, kMaxRate);
    facts.voltageMinDesign = inRange(readInteger(dir / "voltage_min_design"), kMinVoltage, kMaxVoltage);
    facts.voltageNow = inRange(readInteger(dir / "voltage_now"), kMinVoltage, kMaxVoltage);
    if (const auto cycles = inRange(readInteger(dir / "cycle_count"), 1, kMaxCycles)) {
        facts.cycleCount = static_cast<int>(*cycles);
    }
    if (const auto percent = inRange(readInteger(dir / "capacity"), 0, 100)) {
        facts.capacityPercent = static_cast<int>(*percent);
    }
    facts.status = statusOf(dir / "status");
    return facts;
}

bool isSystemBattery(const std::filesystem::path& dir) {
    if (readFirstLine(dir / "type").value_or("") != "Battery") {
        return false;
    }
    if (readFirstLine(dir / "scope").value_or("") == "Device") {
        return false;
    }
    return readInteger(dir / "present").value_or(1) != 0;
}

} // namespace

BatterySnapshot LinuxBatteryHealth::read() const {
    BatterySnapshot snapshot;
    std::error_code error;
    std::vector<std::filesystem::path> supplies;
    for (const auto& entry :
         std::filesystem::directory_iterator(rootedPath(root_, "/sys/class/power_supply"), error)) {
        supplies.push_back(entry.path());
    }
    std::sort(supplies.begin(), supplies.end());
    for (const auto& dir : supplies) {
        const auto type = readFirstLine(dir / "type").value_or("");
        if (type == "Mains" || type == "USB") {
            if (const auto online = readInteger(dir / "online")) {
                snapshot.mainsOnline = snapshot.mainsOnline.value_or(false) || *online != 0;
            }
        } else if (isSystemBattery(dir)) {
            snapshot.batteries.push_back(readBattery(dir));
        }
    }
    return snapshot;
}

} // namespace vexlin::platform::linux_impl
