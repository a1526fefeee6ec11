#include "drives/DriveList.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>
#include <system_error>

namespace vexlin::drives {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

constexpr std::array<std::string_view, 6> kNotDrives = {"zram", "loop", "dm-", "md", "ram", "nbd"};

bool notADrive(std::string_view name) {
    return std::any_of(kNotDrives.begin(), kNotDrives.end(),
                       [name](std::string_view prefix) { return name.starts_with(prefix); });
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A hypervisor's disk: on a paravirtual bus, or an emulated disk that names its hypervisor.
bool virtualDisk(std::string_view devicePath, std::string_view model) {
    constexpr std::array<std::string_view, 3> buses = {"/virtio", "/vmbus", "/xen"};
    constexpr std::array<std::string_view, 4> models = {"QEMU", "VBOX", "VMware", "Virtual"};
    return std::any_of(buses.begin(), buses.end(), [&](auto bus) { return contains(devicePath, bus); }) ||
           std::any_of(models.begin(), models.end(), [&](auto name) { return contains(model, name); });
}

// A hwmon value in millidegrees Celsius, as whole degrees the way smartctl prints the drive's kelvins
// (kelvins - 273): the driver wrote kelvins * 1000 - 273150.
std::optional<int> hwmonDegrees(const fs::path& file) {
    const auto line = firstLine(file);
    if (!line || line->empty()) {
        return std::nullopt;
    }
    try {
        std::size_t used = 0;
        const long long milli = std::stoll(*line, &used);
        if (used != line->size() || milli < -273150 || milli > 1000000) {
            return std::nullopt;
        }
        return static_cast<int>((milli + 273150) / 1000 - 273);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// "nvme0n1" -> "nvme0": the controller of a namespace.
std::string controllerOf(const std::string& name) {
    const auto n = name.rfind('n');
    return n == std::string::npos || n < 5 ? name : name.substr(0, n);
}

} // namespace

TemperatureLimits nvmeHwmonLimits(const fs::path& root, const std::string& name) {
    TemperatureLimits limits;
    if (!name.starts_with("nvme")) {
        return limits;
    }
    // The hwmon device hangs below the controller (kernels before 5.12: below its PCI function).
    const fs::path controller = root / "sys/class/nvme" / controllerOf(name);
    for (const fs::path& parent : {controller, controller / "device/hwmon"}) {
        std::error_code error;
        for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
            const fs::path dir = it->path();
            if (!dir.filename().string().starts_with("hwmon") ||
                firstLine(dir / "name").value_or("") != "nvme") {
                continue;
            }
            limits.warning = hwmonDegrees(dir / "temp1_max");
            limits.critical = hwmonDegrees(dir / "temp1_crit");
            return limits;
        }
    }
    return limits;
}

std::vector<BlockDrive> listDrives(const fs::path& root) {
    std::vector<BlockDrive> drives;
    const fs::path block = root / "sys/block";
    std::error_code error;
    for (fs::directory_iterator it(block, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (notADrive(name) || firstLine(it->path() / "removable").value_or("0") == "1") {
            continue;
        }
        BlockDrive drive;
        drive.name = name;
        std::error_code resolve;
        const std::string devicePath = fs::canonical(it->path(), resolve).string();
        drive.usb = contains(devicePath, "/usb");
        drive.model = firstLine(it->path() / "device/model").value_or("");
        drive.isVirtual = virtualDisk(devicePath, drive.model);
        if (const auto sectors = firstLine(it->path() / "size")) {
            try {
                // The kernel counts in 512-byte sectors whatever the drive's own block size.
                drive.sizeBytes = std::stoull(*sectors) * 512;
            } catch (const std::exception&) {
            }
        }
        drives.push_back(std::move(drive));
    }
    std::sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return drives;
}

} // namespace vexlin::drives
