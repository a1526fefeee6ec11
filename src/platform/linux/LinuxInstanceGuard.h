#pragma once

#include "platform/InstanceGuard.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace vexlin::platform::linux_impl {

// An exclusive flock on a file in a directory that only this user can write to.  The lock belongs to the
// open file, so the kernel releases it when the process ends in any way; the file left behind blocks nothing.
//
// Another local user must not be able to keep Vexlin from starting, nor make it open a file of their
// choosing: the directory must be this user's own and closed to others (it is created 0700 when missing),
// and the lock file is opened without following a symbolic link and must be a regular file of this user.
// Anything else found under the lock file's name is removed and the file made afresh.
class LinuxInstanceGuard final : public InstanceGuard {
public:
    LinuxInstanceGuard(std::filesystem::path directory, std::string name);
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    State acquire() override;

    // The directory for this process: $XDG_RUNTIME_DIR, else a directory of this user's own in the
    // temporary directory.
    static std::filesystem::path defaultDirectory();

    // The choice itself.  `runtimeDir` is used when it is a real directory (not a link) owned by the
    // effective user with mode 0700, as the session manager makes it; otherwise `tempDir`/vexlin-<uid>.
    static std::filesystem::path chooseDirectory(std::string_view runtimeDir,
                                                 const std::filesystem::path& tempDir);

private:
    int openLockFile(int directoryFd) const;

    std::filesystem::path directory_;
    std::string name_;
    int fd_ = -1;
};

} // namespace vexlin::platform::linux_impl
