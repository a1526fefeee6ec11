#pragma once

#include "drives/DriveRecord.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A drive's health as UDisks2 publishes it on the system bus, which any user may read without a password.
// The window fetches the values over D-Bus; this turns them into the same record smartctl's JSON gives.
namespace vexlin::drives {

// One row of org.freedesktop.UDisks2.Drive.Ata.SmartGetAttributes (a(ysqiiixia{sv})): libatasmart's reading
// of a SMART attribute, its raw value made "pretty" in the unit `prettyUnit` names.
struct UdisksAttribute {
    int id = 0;
    std::string name;
    int value = 0;
    int worst = 0;
    int threshold = 0;
    std::int64_t pretty = 0;
    int prettyUnit = 0; // 0 unknown, 1 a count, 2 milliseconds, 3 sectors, 4 millikelvin, 5/6 percent, 7 MB
};

// org.freedesktop.UDisks2.Drive and .Drive.Ata properties of one SATA drive.
struct UdisksAta {
    std::string model;
    std::string serial;
    std::string revision;
    std::uint64_t size = 0;
    int rotationRate = 0; // rpm; 0 not rotating, -1 rotating at an unknown rate
    bool smartFailing = false;
    std::uint64_t smartPowerOnSeconds = 0;
    double smartTemperature = 0; // kelvin, 0 when unknown
    std::int64_t smartNumBadSectors = -1;
    std::vector<UdisksAttribute> attributes;
};

// org.freedesktop.UDisks2.NVMe.Controller (udisks 2.10 and later): its properties and SmartGetAttributes's
// a{sv}, numbers only.
struct UdisksNvme {
    std::string model;
    std::string serial;
    std::string revision;
    std::uint64_t size = 0;
    std::vector<std::string> smartCriticalWarning; // "spare", "temperature", "degraded", "readonly", ...
    std::uint64_t smartPowerOnHours = 0;
    int smartTemperature = 0;                       // kelvin
    std::map<std::string, std::int64_t> attributes; // "percent_used", "avail_spare", "media_errors", ...
};

DriveRecord recordFromUdisks(const UdisksAta& ata);
DriveRecord recordFromUdisks(const UdisksNvme& nvme);

} // namespace vexlin::drives
