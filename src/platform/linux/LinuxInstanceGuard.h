#pragma once

#include "platform/InstanceGuard.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin::platform::linux_impl {

// An exclusive flock on a file in a directory that only this user can write to.  The lock belongs to the
// open file, so the kernel releases it when the process ends in any way; the file left behind blocks nothing.
//
// Another local user must not be able to keep Vexlin from starting, nor make it open a file of their
// choosing: the directory must be this user's own and closed to others (it is created 0700 when missing),
// and the lock file is opened without following a symbolic link and must be a regular file of this user.
// Anything else found under the lock file's name is removed and the file made afresh.
//
// The places are tried in order: one that cannot be made private (another user made it first, say) gives
// way to the next, so a directory planted in /tmp does not leave the program unguarded.
class LinuxInstanceGuard final : public InstanceGuard {
public:
    LinuxInstanceGuard(std::filesystem::path directory, std::string name);
    LinuxInstanceGuard(std::vector<std::filesystem::path> places, std::string name);
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    State acquire() override;

    // The places for this process: $XDG_RUNTIME_DIR, else a directory of this user's own in the
    // temporary directory and, should someone else hold that name, one in this user's cache folder.
    static std::vector<std::filesystem::path> defaultDirectories();

    // The choice itself.  `runtimeDir` alone when it is a real directory (not a link) owned by the effective
    // user with mode 0700, as the session manager makes it; otherwise `tempDir`/vexlin-<uid>, then
    // `cacheDir`/vexlin when a cache folder is known.
    static std::vector<std::filesystem::path> chooseDirectories(std::string_view runtimeDir,
                                                                const std::filesystem::path& tempDir,
                                                                const std::filesystem::path& cacheDir);

    // `hook` runs each time a foreign entry has been removed, before the file of our own is made: the
    // moment at which a copy starting at the same time can make it first.  Tests step in there.
    void whenForeignEntryRemoved(std::function<void()> hook) { entryRemoved_ = std::move(hook); }

private:
    State acquireIn(const std::filesystem::path& directory, bool& placeUnusable);
    int openLockFile(int directoryFd) const;

    std::vector<std::filesystem::path> places_;
    std::string name_;
    std::function<void()> entryRemoved_;
    int fd_ = -1;
};

} // namespace vexlin::platform::linux_impl
