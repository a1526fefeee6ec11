#include "sysinfo/InventoryText.h"

namespace vexlin::sysinfo {
namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;
// 100 MiB, not a tenth of the unit: 10 blocks and a bit make one unit, so the digit runs 0..10.
constexpr std::uint64_t kBlock = 104'857'600;

std::string sizeFigure(std::uint64_t bytes) {
    return std::to_string(bytes / kGiB) + "," + std::to_string((bytes % kGiB) / kBlock);
}

std::string joinWithLeadingBlanks(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += " " + item;
    }
    return text;
}

} // namespace

std::string windowsName(std::uint32_t major, std::uint32_t minor) {
    struct Row {
        std::uint32_t major;
        std::uint32_t minor;
        const char* name;
    };
    static constexpr Row kRows[] = {
        {4, 0, "Microsoft® Windows 95"},
        {4, 10, "Microsoft® Windows 98"},
        {4, 90, "Microsoft® Windows Millenium Edition"},
        {5, 0, "Microsoft® Windows 2000"},
        {5, 1, "Microsoft® Windows XP"},
        {5, 2, "Microsoft® Windows Server 2003"},
        {5, 3, "Microsoft® Windows Vista"},
        {6, 0, "Microsoft® Windows Vista"},
    };
    if (major < 4) {
        return "Microsoft® Windows NT";
    }
    for (const auto& row : kRows) {
        if (row.major == major && row.minor == minor) {
            return row.name;
        }
    }
    return "Microsoft® Windows";
}

std::string systemLabel(const platform::OsVersion& version) {
    const std::string name =
        version.systemName.empty() ? windowsName(version.major, version.minor) : version.systemName;
    return name + " " + version.servicePack;
}

std::string buildText(std::uint32_t build) {
    return "Build:" + std::to_string(build);
}

std::string versionText(std::uint32_t packedVersion) {
    const std::uint32_t low = packedVersion & 0xFFFF;
    return "Версия " + std::to_string(low & 0xFF) + "." + std::to_string(low >> 8);
}

std::string dosText(std::uint32_t packedVersion) {
    const std::uint32_t high = packedVersion >> 16;
    return std::to_string(high >> 8) + "." + std::to_string(high & 0xFF);
}

std::string computerNameText(const std::optional<std::string>& name) {
    return name.value_or("");
}

std::string userNameText(const std::optional<std::string>& name) {
    return name.value_or("Unknown");
}

std::string soundText(int outputDevices) {
    return outputDevices > 0 ? "Есть" : "Нет";
}

std::string serialPortsText(const std::vector<std::string>& ports) {
    return joinWithLeadingBlanks(ports);
}

std::string opticalDrivesText(const std::vector<std::string>& roots) {
    return joinWithLeadingBlanks(roots);
}

std::string colourDepthText(int bitsPerPixel, int planes) {
    return std::to_string(bitsPerPixel * planes) + " бита";
}

std::string resolutionText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string memoryText(std::uint64_t totalBytes, std::string_view groupSeparator) {
    const std::uint64_t kilobytes = totalBytes >> 10;
    std::string digits = kilobytes == 0 ? std::string() : std::to_string(kilobytes);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += groupSeparator;
        }
        grouped += digits[i];
    }
    return grouped + " KB";
}

std::string partitionLine(const platform::Partition& partition) {
    if (!partition.totalBytes || !partition.freeBytes) {
        return partition.root + " размер неизвестен";
    }
    return partition.root + " " + sizeFigure(*partition.totalBytes) +
           " Gb Free: " + sizeFigure(*partition.freeBytes) + "Gb";
}

std::string displayModeLine(const platform::DisplayMode& mode) {
    const std::string size = std::to_string(mode.width) + " на " + std::to_string(mode.height);
    if (mode.bitsPerPixel < 16) {
        const std::uint64_t colours = std::uint64_t{1} << mode.bitsPerPixel;
        return size + ", " + std::to_string(colours) + " цветов";
    }
    if (mode.bitsPerPixel == 16) {
        return size + ", High Color (16 бит)";
    }
    return size + ", True Color (" + std::to_string(mode.bitsPerPixel) + " бита)";
}

} // namespace vexlin::sysinfo
