#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vexlin::drives {

enum class Interface { Unknown, Nvme, SataSsd, SataHdd };

// What one drive says about its own health, as smartctl read it.  A value the drive does not report is
// empty: nothing is guessed.
struct DriveRecord {
    std::string model;
    std::string serial;
    std::string firmware;
    std::optional<std::uint64_t> capacityBytes;
    Interface interface = Interface::Unknown;
    std::optional<std::int64_t> powerOnHours;
    std::optional<std::int64_t> powerCycles;
    std::optional<std::int64_t> unsafeShutdowns;
    std::optional<int> temperature;        // °C, now
    std::optional<int> warningTemperature; // the drive's own limits, where it reports them
    std::optional<int> criticalTemperature;
    std::optional<std::uint64_t> bytesWritten;

    // The drive's own overall assessment (SMART "passed"), NVMe and SATA alike.
    std::optional<bool> assessmentPassed;

    // NVMe health log.
    std::optional<int> percentageUsed;
    std::optional<int> availableSpare;
    std::optional<int> availableSpareThreshold;
    std::optional<std::int64_t> mediaErrors;
    std::optional<int> criticalWarning; // the bit field as the drive sets it

    // SATA attributes (raw counts).
    std::optional<std::int64_t> reallocatedSectors;
    std::optional<std::int64_t> pendingSectors;
    std::optional<std::int64_t> offlineUncorrectable;
    std::optional<std::int64_t> crcErrors;
    // A SATA SSD's wear: device statistics' "Percentage Used Endurance Indicator", else the wear attribute
    // that smartmontools' drive database names for the model (its normalised value counts down from 100).
    std::optional<int> ssdWearPercent;
    std::string ssdWearSource; // where ssdWearPercent came from, for the "why"

    bool operator==(const DriveRecord&) const = default;
};

} // namespace vexlin::drives
