#include "drives/SmartctlJson.h"

#include "drives/JsonPath.h"

#include <array>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>

namespace vexlin::drives {
namespace {

using nlohmann::json;

// A small count (percent, degrees): out of int's range is nonsense and left empty.
std::optional<int> smallInteger(const json& root, std::initializer_list<const char*> path) {
    const auto value = integer(root, path);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::optional<std::int64_t> nonNegative(std::optional<std::int64_t> value) {
    return value && *value >= 0 ? value : std::nullopt;
}

std::optional<bool> boolean(const json& root, std::initializer_list<const char*> path) {
    const json* node = at(root, path);
    return node != nullptr && node->is_boolean() ? std::optional<bool>(node->get<bool>()) : std::nullopt;
}

// smartctl's own messages, joined: why it could not reach the drive.
std::string messages(const json& root) {
    std::string joined;
    const json* list = at(root, {"smartctl", "messages"});
    if (list == nullptr || !list->is_array()) {
        return joined;
    }
    for (const auto& message : *list) {
        const json* string = at(message, {"string"});
        if (string != nullptr && string->is_string()) {
            joined += (joined.empty() ? "" : "; ") + string->get<std::string>();
        }
    }
    return joined;
}

const json* attribute(const json& root, std::initializer_list<const char*> names) {
    const json* table = at(root, {"ata_smart_attributes", "table"});
    if (table == nullptr || !table->is_array()) {
        return nullptr;
    }
    for (const auto& row : *table) {
        const json* name = at(row, {"name"});
        if (name == nullptr || !name->is_string()) {
            continue;
        }
        for (const char* wanted : names) {
            if (name->get_ref<const std::string&>() == wanted) {
                return &row;
            }
        }
    }
    return nullptr;
}

// A count attribute's raw value.  Several vendors pack other numbers into the high bytes of the 48-bit raw
// field; the count is in the low 32 bits, which is also how smartctl prints these by default.
std::optional<std::int64_t> rawCount(const json& root, std::initializer_list<const char*> names) {
    const json* row = attribute(root, names);
    if (row == nullptr) {
        return std::nullopt;
    }
    const auto raw = nonNegative(integer(*row, {"raw", "value"}));
    return raw ? std::optional<std::int64_t>(*raw & 0xFFFFFFFF) : std::nullopt;
}

// A device statistic by its name (ATA device statistics log, `-x`).
std::optional<std::int64_t> deviceStatistic(const json& root, std::string_view wanted) {
    const json* pages = at(root, {"ata_device_statistics", "pages"});
    if (pages == nullptr || !pages->is_array()) {
        return std::nullopt;
    }
    for (const auto& page : *pages) {
        const json* table = at(page, {"table"});
        if (table == nullptr || !table->is_array()) {
            continue;
        }
        for (const auto& row : *table) {
            if (text(row, {"name"}) == wanted) {
                // The statistic's own "valid" flag: a value the drive marks invalid is not one.
                if (boolean(row, {"flags", "valid"}) == false) {
                    return std::nullopt;
                }
                return nonNegative(integer(row, {"value"}));
            }
        }
    }
    return std::nullopt;
}

// The wear attributes smartmontools' drive database names, whose normalised value is the life left.
constexpr std::array kWearAttributes = {
    "Wear_Leveling_Count",     // Samsung
    "Media_Wearout_Indicator", // Intel
    "Percent_Lifetime_Remain", // Crucial/Micron
    "SSD_Life_Left",           // SandForce, Kingston, ADATA
    "Percent_Life_Remaining",  // Intel DC
    "Remaining_Lifetime_Perc", // SK hynix
    "Wearout_Indicator",
};

void readSsdWear(const json& root, DriveRecord& record) {
    if (const auto used = deviceStatistic(root, "Percentage Used Endurance Indicator")) {
        record.ssdWearPercent = static_cast<int>(std::min<std::int64_t>(*used, 255));
        record.ssdWearSource = "Percentage Used Endurance Indicator";
        return;
    }
    for (const char* name : kWearAttributes) {
        const json* row = attribute(root, {name});
        if (row == nullptr) {
            continue;
        }
        const auto left = integer(*row, {"value"});
        if (left && *left >= 0 && *left <= 100) {
            record.ssdWearPercent = static_cast<int>(100 - *left);
            record.ssdWearSource = name;
            return;
        }
    }
}

void readNvme(const json& root, DriveRecord& record) {
    record.interface = Interface::Nvme;
    const json* log = at(root, {"nvme_smart_health_information_log"});
    if (log == nullptr || !log->is_object()) {
        return;
    }
    record.percentageUsed = smallInteger(*log, {"percentage_used"});
    record.availableSpare = smallInteger(*log, {"available_spare"});
    record.availableSpareThreshold = smallInteger(*log, {"available_spare_threshold"});
    record.mediaErrors = nonNegative(integer(*log, {"media_errors"}));
    record.criticalWarning = smallInteger(*log, {"critical_warning"});
    record.unsafeShutdowns = nonNegative(integer(*log, {"unsafe_shutdowns"}));
    if (!record.powerOnHours) {
        record.powerOnHours = nonNegative(integer(*log, {"power_on_hours"}));
    }
    if (!record.powerCycles) {
        record.powerCycles = nonNegative(integer(*log, {"power_cycles"}));
    }
    if (!record.temperature) {
        record.temperature = smallInteger(*log, {"temperature"});
    }
    // A data unit is 1000 blocks of 512 bytes.
    const auto units = nonNegative(integer(*log, {"data_units_written"}));
    if (units && static_cast<std::uint64_t>(*units) <= std::numeric_limits<std::uint64_t>::max() / 512000) {
        record.bytesWritten = static_cast<std::uint64_t>(*units) * 512000;
    }
    if (!record.capacityBytes) {
        const auto total = nonNegative(integer(root, {"nvme_total_capacity"}));
        if (total) {
            record.capacityBytes = static_cast<std::uint64_t>(*total);
        }
    }
}

void readAta(const json& root, DriveRecord& record) {
    const auto rotation = integer(root, {"rotation_rate"});
    record.interface = !rotation        ? Interface::Unknown
                       : *rotation == 0 ? Interface::SataSsd
                                        : Interface::SataHdd;
    record.reallocatedSectors = rawCount(root, {"Reallocated_Sector_Ct", "Retired_Block_Count"});
    record.pendingSectors = rawCount(root, {"Current_Pending_Sector", "Current_Pending_ECC_Cnt"});
    record.offlineUncorrectable = rawCount(root, {"Offline_Uncorrectable"});
    record.crcErrors = rawCount(root, {"UDMA_CRC_Error_Count", "CRC_Error_Count"});
    record.unsafeShutdowns = rawCount(root, {"Unexpect_Power_Loss_Ct", "Unsafe_Shutdown_Count",
                                             "Power-Off_Retract_Count", "Unexpected_Pwr_Loss_Cnt"});
    if (record.interface == Interface::SataSsd) {
        readSsdWear(root, record);
    }
    const auto blockSize = nonNegative(integer(root, {"logical_block_size"})).value_or(512);
    auto sectors = deviceStatistic(root, "Logical Sectors Written");
    if (!sectors) {
        const json* written = attribute(root, {"Total_LBAs_Written"});
        sectors = written != nullptr ? nonNegative(integer(*written, {"raw", "value"})) : std::nullopt;
    }
    if (sectors && blockSize > 0 &&
        static_cast<std::uint64_t>(*sectors) <=
            std::numeric_limits<std::uint64_t>::max() / static_cast<std::uint64_t>(blockSize)) {
        record.bytesWritten = static_cast<std::uint64_t>(*sectors) * static_cast<std::uint64_t>(blockSize);
    }
}

SmartctlReading invalid(std::string message) {
    SmartctlReading reading;
    reading.kind = SmartctlReading::Kind::Invalid;
    reading.message = std::move(message);
    return reading;
}

} // namespace

SmartctlReading readSmartctlJson(std::string_view input) {
    const json root = json::parse(input.begin(), input.end(), nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        return invalid("вывод smartctl не является JSON");
    }
    const json* version = at(root, {"json_format_version"});
    if (version == nullptr || !version->is_array() || version->empty() ||
        !(*version)[0].is_number_integer()) {
        return invalid("в выводе smartctl нет json_format_version");
    }
    if ((*version)[0].get<std::int64_t>() != 1) {
        return invalid("неизвестная версия формата smartctl: " + version->dump());
    }

    SmartctlReading reading;
    const json* device = at(root, {"device"});
    if (device == nullptr || !device->is_object()) {
        reading.kind = SmartctlReading::Kind::NoRecords;
        reading.message = messages(root);
        return reading;
    }

    reading.kind = SmartctlReading::Kind::Records;
    DriveRecord& record = reading.record;
    record.model = text(root, {"model_name"});
    record.serial = text(root, {"serial_number"});
    record.firmware = text(root, {"firmware_version"});
    if (const auto bytes = nonNegative(integer(root, {"user_capacity", "bytes"}))) {
        record.capacityBytes = static_cast<std::uint64_t>(*bytes);
    }
    record.powerOnHours = nonNegative(integer(root, {"power_on_time", "hours"}));
    record.powerCycles = nonNegative(integer(root, {"power_cycle_count"}));
    record.temperature = smallInteger(root, {"temperature", "current"});
    record.warningTemperature = smallInteger(root, {"temperature", "op_limit_max"});
    record.criticalTemperature = smallInteger(root, {"temperature", "critical_limit_max"});
    if (!record.criticalTemperature) {
        record.criticalTemperature = smallInteger(root, {"temperature", "limit_max"});
    }
    record.assessmentPassed = boolean(root, {"smart_status", "passed"});

    const std::string protocol = text(*device, {"protocol"});
    if (protocol == "NVMe") {
        readNvme(root, record);
    } else if (protocol == "ATA") {
        readAta(root, record);
    }
    return reading;
}

} // namespace vexlin::drives
