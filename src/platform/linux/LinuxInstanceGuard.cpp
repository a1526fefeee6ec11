#include "platform/linux/LinuxInstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlin::platform::linux_impl {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool ownedByMe(const struct stat& info) {
    return info.st_uid == ::geteuid();
}

// A directory in which no other user can create, rename or remove an entry.
bool isPrivateDirectory(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && ownedByMe(info) &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool isMyRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ownedByMe(info);
}

int lockExclusively(int fd) {
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Creates the missing directories down to `path`, each closed to others.
bool makeDirectories(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
        return true;
    }
    if (errno != ENOENT || !path.has_relative_path() || path.parent_path() == path) {
        return false;
    }
    return makeDirectories(path.parent_path()) && (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST);
}

} // namespace

LinuxInstanceGuard::LinuxInstanceGuard(std::filesystem::path directory, std::string name)
    : LinuxInstanceGuard(std::vector<std::filesystem::path>{std::move(directory)}, std::move(name)) {}

LinuxInstanceGuard::LinuxInstanceGuard(std::vector<std::filesystem::path> places, std::string name)
    : places_(std::move(places)), name_(std::move(name)) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

// The lock file opened in the directory, made afresh when what carries its name is a link, another user's
// file or no regular file at all.  -1 when it cannot be had.
int LinuxInstanceGuard::openLockFile(int directoryFd) const {
    constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // Once a foreign entry is gone the file is made with O_EXCL, so that what is opened is surely new.  A
    // copy of ours starting at the same time may have made it first: then its file is opened as it is, to
    // be locked or to find the lock held.  Rounds are bounded against someone replanting entries.
    bool mustBeNew = false;
    for (int round = 0; round < 4; ++round) {
        const int flags = kFlags | O_CREAT | (mustBeNew ? O_EXCL : 0);
        const int fd = ::openat(directoryFd, name_.c_str(), flags, 0600);
        if (fd >= 0) {
            if (isMyRegularFile(fd)) {
                return fd;
            }
            ::close(fd);
        } else if (errno == EEXIST) {
            mustBeNew = false;
            continue;
        } else if (errno != ELOOP && errno != ENXIO && errno != EACCES && errno != EPERM) {
            return -1;
        }
        if (::unlinkat(directoryFd, name_.c_str(), 0) != 0 && errno != ENOENT) {
            return -1;
        }
        mustBeNew = true;
        if (entryRemoved_) {
            entryRemoved_();
        }
    }
    return -1;
}

InstanceGuard::State LinuxInstanceGuard::acquireIn(const std::filesystem::path& directory,
                                                   bool& placeUnusable) {
    placeUnusable = true;
    if (!makeDirectories(directory)) {
        return State::Unavailable;
    }
    const FileDescriptor directoryFd(
        ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (directoryFd.get() < 0 || !isPrivateDirectory(directoryFd.get())) {
        return State::Unavailable;
    }
    placeUnusable = false;
    const int fd = openLockFile(directoryFd.get());
    if (fd < 0) {
        return State::Unavailable;
    }
    if (lockExclusively(fd) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? State::AlreadyRunning : State::Unavailable;
    }
    fd_ = fd;
    return State::Acquired;
}

InstanceGuard::State LinuxInstanceGuard::acquire() {
    if (fd_ >= 0) {
        return State::Acquired;
    }
    // Only a place that is not ours moves the guard on: a copy of ours always meets the others in the first
    // place that is.
    for (const auto& place : places_) {
        bool placeUnusable = false;
        const State state = acquireIn(place, placeUnusable);
        if (!placeUnusable) {
            return state;
        }
    }
    return State::Unavailable;
}

std::vector<std::filesystem::path>
LinuxInstanceGuard::chooseDirectories(std::string_view runtimeDir, const std::filesystem::path& tempDir,
                                      const std::filesystem::path& cacheDir) {
    if (!runtimeDir.empty()) {
        const std::string path(runtimeDir);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ownedByMe(info) &&
            (info.st_mode & 0777) == 0700) {
            return {path};
        }
    }
    std::vector<std::filesystem::path> places{tempDir / ("vexlin-" + std::to_string(::geteuid()))};
    if (cacheDir.is_absolute()) {
        places.push_back(cacheDir / "vexlin");
    }
    return places;
}

std::vector<std::filesystem::path> LinuxInstanceGuard::defaultDirectories() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    auto temp = std::filesystem::temp_directory_path(error);
    if (error) {
        temp = "/tmp";
    }
    // The cache folder lies in the home folder, where no other user can make a name.
    std::filesystem::path cache;
    if (const char* xdgCache = std::getenv("XDG_CACHE_HOME"); xdgCache != nullptr && xdgCache[0] == '/') {
        cache = xdgCache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        cache = std::filesystem::path(home) / ".cache";
    }
    return chooseDirectories(runtime != nullptr ? runtime : "", temp, cache);
}

} // namespace vexlin::platform::linux_impl
