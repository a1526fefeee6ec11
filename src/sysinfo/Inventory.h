#pragma once

#include "platform/DiskPartitions.h"
#include "platform/DisplayInfo.h"
#include "platform/SystemFacts.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin::sysinfo {

// What the window knows of its screen (the platform layer has no window to ask).
struct ScreenFacts {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int planes = 1;
};

// Every text the page replaces when the main window becomes active.
struct ActivationTexts {
    std::string biosDate;
    std::optional<std::vector<std::string>> biosVersion; // nothing: the value was refused, keep the field
    std::vector<std::string> adapters;
    std::string systemLabel;
    std::string build;
    std::string computerName;
    std::string userName;
    std::string dos;
    std::string version;
    std::string sound;
    std::string serialPorts;
    std::string opticalDrives;
    std::string colourDepth;
    std::string resolution;
    std::string memory;
};

// Reads the sources in the order the page has always filled its fields.
ActivationTexts activationTexts(const platform::SystemFacts& system, const platform::DisplayInfo& display,
                                const ScreenFacts& screen, std::string_view groupSeparator);

// The heading line, then one line per fixed-disk partition.
std::vector<std::string> partitionLines(const platform::DiskPartitions& partitions);

std::vector<std::string> displayModeLines(const platform::DisplayInfo& display);

} // namespace vexlin::sysinfo
