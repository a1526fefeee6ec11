#include "Harness.h"
#include "platform/linux/LinuxDiskPartitions.h"
#include "platform/linux/LinuxKeyboardInfo.h"
#include "platform/linux/LinuxPowerSource.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "platform/linux/SysfsReader.h"

#include <array>

// The kernel's text files as they land below a root: the first byte of an input chooses the source, the rest
// holds its files one after another (Harness.h, kFileMark).
namespace vexlin::fuzz {
namespace {

using namespace platform::linux_impl;

std::uint64_t textBytes(const std::string& s) {
    return s.capacity();
}

std::uint64_t powerSupply(const std::vector<std::string_view>& files) {
    static constexpr std::array<const char*, 16> kFiles = {
        "AC/type",         "AC/online",        "BAT0/type",        "BAT0/status",
        "BAT0/capacity",   "BAT0/energy_now",  "BAT0/energy_full", "BAT0/power_now",
        "BAT0/scope",      "BAT0/present",     "BAT1/type",        "BAT1/status",
        "BAT1/charge_now", "BAT1/charge_full", "BAT1/current_now", "BAT1/time_to_empty_now",
    };
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        writeFile(std::string("sys/class/power_supply/") + kFiles[i], files[i]);
    }
    const auto status = LinuxPowerSource(scratchRoot()).read();
    return sizeof status;
}

std::uint64_t mountInfo(const std::vector<std::string_view>& files) {
    writeFile("proc/self/mountinfo", files[0]);
    writeFile("sys/block/sda/dev", files[1]);
    writeFile("sys/block/sda/removable", files[2]);
    writeFile("sys/block/sda/sda1/dev", files[3]);
    writeFile("sys/block/dm-0/dev", files[4]);
    writeFile("sys/block/dm-0/dm/name", files[5]);
    const LinuxDiskPartitions partitions(scratchRoot(), [](const std::string&) {
        return std::optional<LinuxDiskPartitions::Sizes>(LinuxDiskPartitions::Sizes{1u << 30, 1u << 20});
    });
    std::uint64_t bytes = 0;
    for (const auto& partition : partitions.fixedPartitions()) {
        bytes += textBytes(partition.root);
    }
    return bytes;
}

std::uint64_t systemFacts(const std::vector<std::string_view>& files) {
    writeFile("etc/os-release", files[0]);
    writeFile("proc/sys/kernel/osrelease", files[1]);
    writeFile("proc/sys/kernel/hostname", files[2]);
    writeFile("proc/meminfo", files[3]);
    writeFile("proc/asound/pcm", files[4]);
    writeFile("sys/class/tty/ttyS0/type", files[5]);
    const LinuxSystemFacts facts(scratchRoot());
    const auto version = facts.osVersion();
    const auto name = facts.computerName();
    const auto memory = facts.totalMemoryBytes();
    const int sound = facts.soundOutputDevices();
    const auto ports = facts.serialPorts();
    return textBytes(version.systemName) + (name ? textBytes(*name) : 0) + sizeof memory + sizeof sound +
           ports.size() * 16;
}

std::uint64_t inputDevices(const std::vector<std::string_view>& files) {
    writeFile("proc/bus/input/devices", files[0]);
    return static_cast<std::uint64_t>(LinuxKeyboardInfo(scratchRoot()).keyboardType() >= 0);
}

// The BIOS strings, and the one-value files of hwmon as the sysfs reader takes them (names, labels,
// temperatures in millidegrees, fan speeds).
std::uint64_t sysfsValues(const std::vector<std::string_view>& files) {
    static constexpr std::array<const char*, 4> kDmi = {"bios_date", "bios_vendor", "bios_version",
                                                        "bios_release"};
    for (std::size_t i = 0; i < kDmi.size(); ++i) {
        writeFile(std::string("sys/class/dmi/id/") + kDmi[i], files[i]);
    }
    static constexpr std::array<const char*, 5> kHwmon = {"name", "temp1_input", "temp1_label", "temp1_crit",
                                                          "fan1_input"};
    for (std::size_t i = 0; i < kHwmon.size(); ++i) {
        writeFile(std::string("sys/class/hwmon/hwmon0/") + kHwmon[i], files[kDmi.size() + i]);
    }
    const LinuxSystemFacts facts(scratchRoot());
    std::uint64_t bytes = textBytes(facts.biosDate()) + textBytes(facts.biosVersionBytes());
    const auto hwmon = rootedPath(scratchRoot(), "/sys/class/hwmon/hwmon0");
    for (const char* name : kHwmon) {
        if (const auto line = readFirstLine(hwmon / name)) {
            bytes += textBytes(*line);
        }
        bytes += sizeof(readInteger(hwmon / name));
    }
    return bytes;
}

} // namespace

Outcome runLinuxSources(std::span<const std::uint8_t> input) {
    if (input.empty()) {
        return {};
    }
    clearScratch();
    const auto files = splitFiles(input.subspan(1), 16);
    switch (input[0] % 5) {
    case 0:
        return {false, powerSupply(files)};
    case 1:
        return {false, mountInfo(files)};
    case 2:
        return {false, systemFacts(files)};
    case 3:
        return {false, inputDevices(files)};
    default:
        return {false, sysfsValues(files)};
    }
}

} // namespace vexlin::fuzz
