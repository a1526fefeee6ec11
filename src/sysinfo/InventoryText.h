#pragma once

#include "platform/DiskPartitions.h"
#include "platform/DisplayInfo.h"
#include "platform/SystemFacts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The display texts of the page "Система", from plain values.  The report copies these texts as they are,
// so every blank and every unit here is part of what the user reads.
namespace vexlin::sysinfo {

inline constexpr std::string_view kPartitionHeading = "Информация о разделах";

// The Windows name for a version pair; a pair the table does not know gives the bare family name.
std::string windowsName(std::uint32_t major, std::uint32_t minor);
// Name + " " + service-pack text: the blank stays when the service-pack text is empty.
std::string systemLabel(const platform::OsVersion& version);
std::string buildText(std::uint32_t build);
// From the packed version word: "Версия major.minor" (low half) and the "Dos" pair (high half).
std::string versionText(std::uint32_t packedVersion);
std::string dosText(std::uint32_t packedVersion);

std::string computerNameText(const std::optional<std::string>& name);
std::string userNameText(const std::optional<std::string>& name);
std::string soundText(int outputDevices);
// Each name preceded by one blank, the first included.
std::string serialPortsText(const std::vector<std::string>& ports);
std::string opticalDrivesText(const std::vector<std::string>& roots);
std::string colourDepthText(int bitsPerPixel, int planes);
std::string resolutionText(int width, int height);
// Whole kilobytes grouped by thousands with the given separator and " KB"; zero prints no digit.
std::string memoryText(std::uint64_t totalBytes, std::string_view groupSeparator);
// "root T,t Gb Free: F,fGb": whole 2^30-byte units and, after the comma, whole 104,857,600-byte blocks of
// the remainder (so that digit runs from 0 to 10).
std::string partitionLine(const platform::Partition& partition);
std::string displayModeLine(const platform::DisplayMode& mode);

} // namespace vexlin::sysinfo
