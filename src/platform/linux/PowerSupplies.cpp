#include "platform/linux/PowerSupplies.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <system_error>

namespace vexlin::platform::linux_impl {
namespace {

bool isSystemBattery(const std::filesystem::path& dir) {
    if (readFirstLine(dir / "scope").value_or("") == "Device") {
        return false;
    }
    return readInteger(dir / "present").value_or(1) != 0;
}

} // namespace

PowerSupplies listPowerSupplies(const std::filesystem::path& root) {
    PowerSupplies found;
    std::error_code error;
    std::vector<std::filesystem::path> supplies;
    for (const auto& entry :
         std::filesystem::directory_iterator(rootedPath(root, "/sys/class/power_supply"), error)) {
        supplies.push_back(entry.path());
    }
    std::sort(supplies.begin(), supplies.end());
    for (const auto& dir : supplies) {
        const auto type = readFirstLine(dir / "type").value_or("");
        if (type == "Mains" || type == "USB") {
            if (const auto online = readInteger(dir / "online")) {
                found.mainsReported = found.mainsReported.value_or(false) || *online != 0;
            }
        } else if (type == "Battery" && isSystemBattery(dir)) {
            found.batteries.push_back(dir);
        }
    }
    return found;
}

std::optional<bool> mainsOnline(std::optional<bool> reported, bool anyBattery, bool anyCharging,
                                bool anyDischarging) {
    if (!anyBattery || anyCharging) {
        return true;
    }
    if (reported) {
        return reported;
    }
    if (anyDischarging) {
        return false;
    }
    return std::nullopt;
}

} // namespace vexlin::platform::linux_impl
