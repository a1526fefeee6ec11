#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace vexlin::platform::linux_impl {

// What /sys/class/power_supply below a root holds, as both the power status and the battery health read it.
struct PowerSupplies {
    std::vector<std::filesystem::path> batteries; // the machine's own, in name order
    std::optional<bool> mainsReported;            // what the Mains and USB supplies say; empty if none can
};

// A battery of type "Battery" whose scope is "Device" belongs to a mouse or a headset and is left out, as is
// an empty bay ("present" 0).
PowerSupplies listPowerSupplies(const std::filesystem::path& root);

// Whether the machine runs from the mains, decided in this one place for every reader.  A machine without a
// battery that runs at all runs from the mains, whatever an idle USB-C port says; a battery that charges has
// power from outside; otherwise the supplies' own answer, else a battery that discharges.  Empty when
// nothing tells.
std::optional<bool> mainsOnline(std::optional<bool> reported, bool anyBattery, bool anyCharging,
                                bool anyDischarging);

} // namespace vexlin::platform::linux_impl
