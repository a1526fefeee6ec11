#pragma once

#include "platform/SystemFacts.h"

#include <filesystem>

namespace vexlin::platform::linux_impl {

// Reads the inventory facts below a root (default "/"):
//   name        /etc/os-release PRETTY_NAME (NAME, then "Linux" when absent)
//   version     /proc/sys/kernel/osrelease "major.minor.patch..."; the packed word holds major and minor
//               in its low half and the patch level in its high half
//   computer    /proc/sys/kernel/hostname
//   BIOS        /sys/class/dmi/id/bios_date; bios_vendor, bios_version, bios_release as a multi-string
//   memory      /proc/meminfo MemTotal (64-bit: a 32-bit byte count overflows on every current laptop)
//   sound       playback devices in /proc/asound/pcm
//   serial      /sys/class/tty: ttyS* with a UART behind it, ttyUSB*, ttyACM*
//   optical     /sys/block/sr*
// The user name is the effective user's login name from the password database.
class LinuxSystemFacts final : public SystemFacts {
public:
    explicit LinuxSystemFacts(std::filesystem::path root) : root_(std::move(root)) {}

    OsVersion osVersion() const override;
    std::optional<std::string> computerName() const override;
    std::optional<std::string> userName() const override;
    std::string biosDate() const override;
    std::string biosVersionBytes() const override;
    std::uint64_t totalMemoryBytes() const override;
    int soundOutputDevices() const override;
    std::vector<std::string> serialPorts() const override;
    std::vector<std::string> opticalDrives() const override;

private:
    std::filesystem::path root_;
};

// Exposed for tests: the name and version parts of the two files.
std::string osReleaseName(const std::string& osReleaseText);
OsVersion kernelVersion(const std::string& release);

} // namespace vexlin::platform::linux_impl
