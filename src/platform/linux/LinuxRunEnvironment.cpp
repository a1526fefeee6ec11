#include "platform/linux/LinuxRunEnvironment.h"

#include "platform/linux/SysfsReader.h"

#include <cstdlib>

namespace vexlin::platform::linux_impl {

namespace {

std::optional<std::string> nonEmpty(std::optional<std::string> value) {
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

LinuxRunEnvironment::Session LinuxRunEnvironment::sessionFromEnvironment() {
    return Session{variable("XDG_SESSION_TYPE"), variable("WAYLAND_DISPLAY"), variable("DISPLAY")};
}

std::optional<std::string> LinuxRunEnvironment::cpuFrequencyGovernor() const {
    return nonEmpty(
        readFirstLine(rootedPath(root_, "/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor")));
}

std::optional<std::string> LinuxRunEnvironment::cpuFrequencyDriver() const {
    return nonEmpty(readFirstLine(rootedPath(root_, "/sys/devices/system/cpu/cpu0/cpufreq/scaling_driver")));
}

std::string LinuxRunEnvironment::kernelRelease() const {
    return readFirstLine(rootedPath(root_, "/proc/sys/kernel/osrelease")).value_or("");
}

// The session's own word first; a program started from a terminal of another session may lack it.
std::string LinuxRunEnvironment::sessionType() const {
    if (session_.xdgSessionType == "x11" || session_.xdgSessionType == "wayland") {
        return session_.xdgSessionType;
    }
    if (!session_.waylandDisplay.empty()) {
        return "wayland";
    }
    if (!session_.display.empty()) {
        return "x11";
    }
    return "unknown";
}

} // namespace vexlin::platform::linux_impl
