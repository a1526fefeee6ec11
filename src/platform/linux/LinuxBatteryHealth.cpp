#include "platform/linux/LinuxBatteryHealth.h"

#include "platform/linux/PowerSupplies.h"
#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string_view>
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

// The length of the valid UTF-8 sequence that starts at `at`, or 0: overlong forms, surrogates and code
// points beyond U+10FFFF are not valid.
std::size_t utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Identity strings end up in the report and the JSON: valid UTF-8 is kept as it is (a maker's name may
// well be Cyrillic), control characters go, and each run of bytes that is not UTF-8 becomes one U+FFFD, so
// a firmware's padding or stray bytes cannot break either.  Trimmed, and bounded without cutting a letter.
std::string identityText(const std::filesystem::path& file) {
    const auto line = readFirstLine(file);
    if (!line) {
        return {};
    }
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string text;
    bool lastInvalid = false;
    for (std::size_t at = 0; at < line->size();) {
        const unsigned char c = static_cast<unsigned char>((*line)[at]);
        std::string_view piece;
        std::size_t length = 1;
        if (c < 0x80) {
            if (c >= 0x20 && c < 0x7F) {
                piece = std::string_view(line->data() + at, 1);
            }
            lastInvalid = false;
        } else if ((length = utf8Length(*line, at)) > 0) {
            // C1 controls (U+0080..U+009F) are control characters too.
            const bool control =
                length == 2 && c == 0xC2 && static_cast<unsigned char>((*line)[at + 1]) < 0xA0;
            if (!control) {
                piece = std::string_view(line->data() + at, length);
            }
            lastInvalid = false;
        } else {
            length = 1;
            if (!lastInvalid) {
                piece = kReplacement;
            }
            lastInvalid = true;
        }
        at += length;
        if (text.size() + piece.size() > kMaxTextLength) {
            break;
        }
        text += piece;
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

// "auto [force-discharge]": the kernel lists the choices and brackets the one in force.
Facts::ChargeBehaviour behaviourOf(const std::filesystem::path& file) {
    const auto text = readFirstLine(file).value_or("");
    if (text.find("[inhibit-charge]") != std::string::npos || text == "inhibit-charge") {
        return Facts::ChargeBehaviour::InhibitCharge;
    }
    if (text.find("[force-discharge]") != std::string::npos || text == "force-discharge") {
        return Facts::ChargeBehaviour::ForceDischarge;
    }
    return Facts::ChargeBehaviour::Auto;
}

// A rate with either sign: some firmware gives the discharge a negative one.  The most negative 64-bit
// number has no magnitude to take and is garbage anyway.
std::optional<std::int64_t> magnitude(std::optional<std::int64_t> value) {
    if (!value || *value == std::numeric_limits<std::int64_t>::min()) {
        return std::nullopt;
    }
    return *value < 0 ? -*value : *value;
}

// One unit family's capacities.  A file that cannot be read (bq27xxx gauges answer EINVAL for
// energy_full_design) is absent, which is no reason to drop the family's other files.
struct Family {
    std::optional<std::int64_t> design;
    std::optional<std::int64_t> full;
    std::optional<std::int64_t> now;
    bool complete() const { return design && full; }
    int count() const { return (design ? 1 : 0) + (full ? 1 : 0) + (now ? 1 : 0); }
};

Family readFamily(const std::filesystem::path& dir, const char* prefix, std::int64_t maxAmount) {
    const auto amount = [&](const char* suffix) {
        return inRange(readInteger(dir / (std::string(prefix) + suffix)), 0, maxAmount);
    };
    Family family;
    // A zero design or full capacity is a gauge that does not know, not an empty pack.
    family.design = inRange(amount("full_design"), 1, maxAmount);
    family.full = inRange(amount("full"), 1, maxAmount);
    family.now = amount("now");
    return family;
}

// The design and full capacities are compared with each other and the remaining charge with the full one,
// so all three come from one family: the one that has both capacities, else the one that has more.
bool useEnergy(const Family& energy, const Family& charge) {
    if (energy.complete() != charge.complete()) {
        return energy.complete();
    }
    return energy.count() >= charge.count();
}

// A bay whose controller does not answer reads 0 in every number it has (a second bay of some ThinkPads).
bool allZero(const std::filesystem::path& dir) {
    int zeros = 0;
    for (const char* name :
         {"energy_full_design", "energy_full", "energy_now", "charge_full_design", "charge_full",
          "charge_now", "power_now", "current_now", "voltage_now", "capacity"}) {
        if (const auto value = readInteger(dir / name)) {
            if (*value != 0) {
                return false;
            }
            ++zeros;
        }
    }
    return zeros >= 3;
}

Facts readBattery(const std::filesystem::path& dir) {
    Facts facts;
    facts.name = dir.filename().string();
    facts.manufacturer = identityText(dir / "manufacturer");
    facts.model = identityText(dir / "model_name");
    facts.serial = identityText(dir / "serial_number");
    facts.technology = identityText(dir / "technology");

    const Family energy = readFamily(dir, "energy_", kMaxEnergy);
    const Family charge = readFamily(dir, "charge_", kMaxCharge);
    const bool inEnergy = useEnergy(energy, charge);
    const Family& chosen = inEnergy ? energy : charge;
    facts.units = inEnergy ? Facts::Units::Energy : Facts::Units::Charge;
    facts.designFull = chosen.design;
    facts.full = chosen.full;
    facts.now = chosen.now;
    facts.rate = inRange(magnitude(readInteger(dir / (inEnergy ? "power_now" : "current_now"))), 0, kMaxRate);
    facts.voltageMinDesign = inRange(readInteger(dir / "voltage_min_design"), kMinVoltage, kMaxVoltage);
    facts.voltageNow = inRange(readInteger(dir / "voltage_now"), kMinVoltage, kMaxVoltage);
    if (const auto cycles = inRange(readInteger(dir / "cycle_count"), 1, kMaxCycles)) {
        facts.cycleCount = static_cast<int>(*cycles);
    }
    if (const auto percent = inRange(readInteger(dir / "capacity"), 0, 100)) {
        facts.capacityPercent = static_cast<int>(*percent);
    }
    facts.status = statusOf(dir / "status");
    // The generic name, else the one thinkpad_acpi also offers; 100 (or 0 on old ThinkPads) is no limit.
    auto threshold = readInteger(dir / "charge_control_end_threshold");
    if (!threshold) {
        threshold = readInteger(dir / "charge_stop_threshold");
    }
    if (const auto limit = inRange(threshold, 1, 99)) {
        facts.chargeEndThreshold = static_cast<int>(*limit);
    }
    facts.chargeBehaviour = behaviourOf(dir / "charge_behaviour");
    facts.silent = allZero(dir);
    return facts;
}

// IdeaPad and Legion laptops keep their charge limit outside the power supply class, in the ideapad_laptop
// platform device ("conservation_mode" 1: charging stops at 60 or 80 %, depending on the model).
bool conservationMode(const std::filesystem::path& root) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             rootedPath(root, "/sys/bus/platform/drivers/ideapad_acpi"), error)) {
        if (readInteger(entry.path() / "conservation_mode").value_or(0) == 1) {
            return true;
        }
    }
    return false;
}

} // namespace

BatterySnapshot LinuxBatteryHealth::read() const {
    BatterySnapshot snapshot;
    const PowerSupplies supplies = listPowerSupplies(root_);
    const bool conserving = conservationMode(root_);
    for (const auto& dir : supplies.batteries) {
        snapshot.batteries.push_back(readBattery(dir));
        snapshot.batteries.back().conservationMode = conserving;
    }
    const auto any = [&](Facts::Status status) {
        return std::any_of(snapshot.batteries.begin(), snapshot.batteries.end(),
                           [&](const Facts& facts) { return facts.status == status; });
    };
    snapshot.mainsOnline = mainsOnline(supplies.mainsReported, !snapshot.batteries.empty(),
                                       any(Facts::Status::Charging), any(Facts::Status::Discharging));
    return snapshot;
}

} // namespace vexlin::platform::linux_impl
