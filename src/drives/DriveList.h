#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The machine's drives as the kernel lists them under /sys/block.
namespace vexlin::drives {

struct BlockDrive {
    std::string name;       // "nvme0n1", "sda": the device node under /dev
    bool usb = false;       // reached through a USB bridge: an external drive
    bool isVirtual = false; // a hypervisor's disk, which has no health records of its own
    std::optional<std::uint64_t> sizeBytes;
    std::string model; // the kernel's model text, where it has one

    bool operator==(const BlockDrive&) const = default;
};

// The drives below `root` (a running system's "/" or a copied tree), in name order.  Left out: memory and
// loop devices, device-mapper and software RAID volumes (their disks are listed themselves) and removable
// media (card readers, optical drives).
std::vector<BlockDrive> listDrives(const std::filesystem::path& root);

// An NVMe drive's temperature limits as the kernel's nvme driver shows them in the controller's hwmon device
// (`temp1_max`: the composite temperature's over-temperature threshold, shown where the drive states a
// warning temperature; `temp1_crit`: its critical composite temperature), in whole °C as smartctl rounds
// kelvins.  Empty where the kernel shows none.
struct TemperatureLimits {
    std::optional<int> warning;
    std::optional<int> critical;

    bool operator==(const TemperatureLimits&) const = default;
};
TemperatureLimits nvmeHwmonLimits(const std::filesystem::path& root, const std::string& name);

} // namespace vexlin::drives
