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

} // namespace

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
