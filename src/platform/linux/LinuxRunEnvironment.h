#pragma once

#include "platform/RunEnvironment.h"

#include <filesystem>

namespace vexlin::platform::linux_impl {

// cpufreq's policy of the first processor and the kernel's release, read below a root; the session type
// from the variables a desktop session sets.
class LinuxRunEnvironment final : public RunEnvironment {
public:
    struct Session {
        std::string xdgSessionType; // $XDG_SESSION_TYPE
        std::string waylandDisplay; // $WAYLAND_DISPLAY
        std::string display;        // $DISPLAY
    };

    LinuxRunEnvironment(std::filesystem::path root, Session session)
        : root_(std::move(root)), session_(std::move(session)) {}

    static Session sessionFromEnvironment();

    std::optional<std::string> cpuFrequencyGovernor() const override;
    std::optional<std::string> cpuFrequencyDriver() const override;
    std::string kernelRelease() const override;
    std::string sessionType() const override;

private:
    std::filesystem::path root_;
    Session session_;
};

} // namespace vexlin::platform::linux_impl
