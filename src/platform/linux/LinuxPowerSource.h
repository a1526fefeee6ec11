#pragma once

#include "platform/PowerSource.h"

#include <filesystem>

namespace vexlin::platform::linux_impl {

// Reads /sys/class/power_supply below a root.  Mains and USB supplies give the line status; system
// batteries (not those of a mouse or headset, whose scope is "Device") are combined into one charge,
// one flag byte and one run-time estimate.
class LinuxPowerSource final : public PowerSource {
public:
    explicit LinuxPowerSource(std::filesystem::path root) : root_(std::move(root)) {}
    PowerStatus read() const override;

private:
    std::filesystem::path root_;
};

} // namespace vexlin::platform::linux_impl
