#include "sysinfo/Inventory.h"

#include "sysinfo/BiosLines.h"
#include "sysinfo/InventoryText.h"

namespace vexlin::sysinfo {

ActivationTexts activationTexts(const platform::SystemFacts& system, const platform::DisplayInfo& display,
                                const ScreenFacts& screen, std::string_view groupSeparator) {
    ActivationTexts texts;
    texts.biosDate = system.biosDate();
    texts.biosVersion = biosVersionLines(system.biosVersionBytes());
    texts.adapters = display.adapters();
    const platform::OsVersion version = system.osVersion();
    texts.systemLabel = systemLabel(version);
    texts.build = buildText(version.build);
    texts.computerName = computerNameText(system.computerName());
    texts.userName = userNameText(system.userName());
    texts.dos = dosText(version.packedVersion);
    texts.version = versionText(version.packedVersion);
    texts.sound = soundText(system.soundOutputDevices());
    texts.serialPorts = serialPortsText(system.serialPorts());
    texts.opticalDrives = opticalDrivesText(system.opticalDrives());
    texts.colourDepth = colourDepthText(screen.bitsPerPixel, screen.planes);
    texts.resolution = resolutionText(screen.width, screen.height);
    texts.memory = memoryText(system.totalMemoryBytes(), groupSeparator);
    return texts;
}

std::vector<std::string> partitionLines(const platform::DiskPartitions& partitions) {
    std::vector<std::string> lines{std::string(kPartitionHeading)};
    for (const auto& partition : partitions.fixedPartitions()) {
        lines.push_back(partitionLine(partition));
    }
    return lines;
}

std::vector<std::string> displayModeLines(const platform::DisplayInfo& display) {
    std::vector<std::string> lines;
    for (const auto& mode : display.modes()) {
        lines.push_back(displayModeLine(mode));
    }
    return lines;
}

} // namespace vexlin::sysinfo
