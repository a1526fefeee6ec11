#pragma once

#include "platform/ThermalSensors.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vexlin::platform::linux_impl {

// Reads below a root: /sys/class/hwmon/hwmon* (chips: name, tempN_*, fanN_*; the attributes either in the
// chip's directory or, with older drivers, in its device directory), /sys/class/thermal/thermal_zone*
// (type, temp, trip points) and /sys/devices/system/cpu/cpuN (cpufreq, thermal_throttle).  The entries of
// /sys/class are symbolic links into /sys/devices on a real system and may be plain directories in a copy;
// both read the same.
class LinuxThermalSensors final : public ThermalSensors {
public:
    explicit LinuxThermalSensors(std::filesystem::path root) : root_(std::move(root)) {}

    ThermalLayout discover() override;
    void watch(const ThermalLayout& chosen) override;
    ThermalReading read() const override;

private:
    struct Found {
        ThermalLayout layout;
        // The value file of each entry of the layout, in the same order.
        std::vector<std::string> temperatureFiles;
        std::vector<std::string> fanFiles;
        std::vector<std::string> clockFiles;
        std::vector<std::string> counterFiles;
    };
    void findChips(Found& found) const;
    void findZones(Found& found) const;
    void findProcessors(Found& found) const;

    std::filesystem::path root_;
    Found discovered_;
    Found watched_;
};

} // namespace vexlin::platform::linux_impl
