#pragma once

#include "drives/DriveRecord.h"

#include <QDBusConnection>
#include <optional>
#include <string>

namespace vexlin {

// One drive's health as UDisks2 publishes it on `bus` (the system bus; a test's private one): SATA drives
// through org.freedesktop.UDisks2.Drive.Ata, NVMe drives where udisks offers
// org.freedesktop.UDisks2.NVMe.Controller (2.10 and later).  Nothing when the service is not running, does
// not know the block device `name`, or has no SMART data for it: smartctl is asked then.  Blocks for at most
// a few seconds per call; a worker's call.
std::optional<drives::DriveRecord> readThroughUdisks(const QDBusConnection& bus, const std::string& name);

} // namespace vexlin
