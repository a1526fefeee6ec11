#pragma once

#include "platform/BatteryHealth.h"

#include <filesystem>

namespace vexlin::platform::linux_impl {

// Reads the machine's batteries from /sys/class/power_supply below a root.  A supply of type "Battery" whose
// scope is "Device" belongs to a mouse or a headset and is left out, as is an empty battery bay.
class LinuxBatteryHealth final : public BatteryHealth {
public:
    explicit LinuxBatteryHealth(std::filesystem::path root) : root_(std::move(root)) {}
    BatterySnapshot read() const override;

private:
    std::filesystem::path root_;
};

} // namespace vexlin::platform::linux_impl
