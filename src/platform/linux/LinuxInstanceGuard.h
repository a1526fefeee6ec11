#pragma once

#include "platform/InstanceGuard.h"

#include <filesystem>
#include <string>

namespace vexlin::platform::linux_impl {

// An exclusive flock on a file in the user's runtime directory.  The lock belongs to the open file, so the
// kernel releases it when the process ends in any way; the file left behind blocks nothing.
class LinuxInstanceGuard final : public InstanceGuard {
public:
    LinuxInstanceGuard(std::filesystem::path directory, std::string name);
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    State acquire() override;

    // $XDG_RUNTIME_DIR, else the temporary directory.
    static std::filesystem::path defaultDirectory();

private:
    std::filesystem::path file_;
    int fd_ = -1;
};

} // namespace vexlin::platform::linux_impl
