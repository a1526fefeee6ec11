#pragma once

#include <optional>
#include <string>

namespace vexlin::platform {

// Under what the tests run, for the report's twin file: a frame rate measured with a power-saving governor
// or under another display server is not comparable with one measured without.
class RunEnvironment {
public:
    virtual ~RunEnvironment() = default;
    virtual std::optional<std::string> cpuFrequencyGovernor() const = 0; // nothing when not readable
    virtual std::optional<std::string> cpuFrequencyDriver() const = 0;
    virtual std::string kernelRelease() const = 0; // empty when unknown
    virtual std::string sessionType() const = 0;   // "x11", "wayland" or "unknown"
};

} // namespace vexlin::platform
