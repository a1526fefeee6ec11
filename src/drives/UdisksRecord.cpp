#include "drives/UdisksRecord.h"

#include <cmath>

namespace vexlin::drives {
namespace {

const UdisksAttribute* attribute(const UdisksAta& ata, int id) {
    for (const auto& row : ata.attributes) {
        if (row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

// A count attribute: libatasmart's pretty value where it gives one as a count or in sectors, its low 32 bits
// as with smartctl (some vendors pack other numbers into the high bytes).
std::optional<std::int64_t> count(const UdisksAta& ata, int id) {
    const UdisksAttribute* row = attribute(ata, id);
    if (row == nullptr || (row->prettyUnit != 1 && row->prettyUnit != 3) || row->pretty < 0) {
        return std::nullopt;
    }
    return row->pretty & 0xFFFFFFFF;
}

std::optional<int> celsius(double kelvin) {
    if (!(kelvin > 0 && kelvin < 1000)) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(kelvin - 273.15));
}

std::optional<std::int64_t> nvmeValue(const UdisksNvme& nvme, const char* key) {
    const auto found = nvme.attributes.find(key);
    if (found == nvme.attributes.end() || found->second < 0) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<int> percent(const UdisksNvme& nvme, const char* key) {
    const auto value = nvmeValue(nvme, key);
    return value && *value <= 255 ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

} // namespace

DriveRecord recordFromUdisks(const UdisksAta& ata) {
    DriveRecord record;
    record.model = ata.model;
    record.serial = ata.serial;
    record.firmware = ata.revision;
    if (ata.size > 0) {
        record.capacityBytes = ata.size;
    }
    record.interface = ata.rotationRate == 0 ? Interface::SataSsd : Interface::SataHdd;
    if (ata.smartPowerOnSeconds > 0) {
        record.powerOnHours = static_cast<std::int64_t>(ata.smartPowerOnSeconds / 3600);
    }
    record.temperature = celsius(ata.smartTemperature);
    record.assessmentPassed = !ata.smartFailing;
    record.powerCycles = count(ata, 12);
    record.reallocatedSectors = count(ata, 5);
    record.pendingSectors = count(ata, 197);
    record.offlineUncorrectable = count(ata, 198);
    record.crcErrors = count(ata, 199);
    record.unsafeShutdowns = count(ata, 192);
    return record;
}

DriveRecord recordFromUdisks(const UdisksNvme& nvme) {
    DriveRecord record;
    record.model = nvme.model;
    record.serial = nvme.serial;
    record.firmware = nvme.revision;
    if (nvme.size > 0) {
        record.capacityBytes = nvme.size;
    }
    record.interface = Interface::Nvme;
    if (nvme.smartPowerOnHours > 0) {
        record.powerOnHours = static_cast<std::int64_t>(nvme.smartPowerOnHours);
    }
    record.temperature = celsius(nvme.smartTemperature);
    if (const auto warning = nvmeValue(nvme, "wctemp")) {
        record.warningTemperature = celsius(static_cast<double>(*warning));
    }
    if (const auto critical = nvmeValue(nvme, "cctemp")) {
        record.criticalTemperature = celsius(static_cast<double>(*critical));
    }
    record.percentageUsed = percent(nvme, "percent_used");
    record.availableSpare = percent(nvme, "avail_spare");
    record.availableSpareThreshold = percent(nvme, "spare_thresh");
    record.mediaErrors = nvmeValue(nvme, "media_errors");
    record.powerCycles = nvmeValue(nvme, "power_cycles");
    record.unsafeShutdowns = nvmeValue(nvme, "unsafe_shutdowns");
    if (const auto written = nvmeValue(nvme, "total_data_written")) {
        record.bytesWritten = static_cast<std::uint64_t>(*written);
    }
    // The words udisks gives the critical-warning bits, back to the bits.
    constexpr std::pair<const char*, int> kBits[] = {{"spare", 0x01},        {"temperature", 0x02},
                                                     {"degraded", 0x04},     {"readonly", 0x08},
                                                     {"volatile_mem", 0x10}, {"pmr_readonly", 0x20}};
    int bits = 0;
    for (const auto& word : nvme.smartCriticalWarning) {
        for (const auto& [name, bit] : kBits) {
            if (word == name) {
                bits |= bit;
            }
        }
    }
    record.criticalWarning = bits;
    record.assessmentPassed = bits == 0;
    return record;
}

} // namespace vexlin::drives
