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

} // namespace

LinuxInstanceGuard::LinuxInstanceGuard(std::filesystem::path directory, std::string name)
    : directory_(std::move(directory)), name_(std::move(name)) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

// The lock file opened in the directory, made afresh when what carries its name is a link, another user's
// file or no regular file at all.  -1 when it cannot be had.
int LinuxInstanceGuard::openLockFile(int directoryFd) const {
    constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // Two rounds: the one that finds a foreign entry and removes it, and the one that makes ours; a third
    // is allowed for a copy of ours that made the file between the two.
    for (int round = 0; round < 3; ++round) {
        const int flags = round == 0 ? kFlags | O_CREAT : kFlags | O_CREAT | O_EXCL;
        const int fd = ::openat(directoryFd, name_.c_str(), flags, 0600);
        if (fd >= 0) {
            if (isMyRegularFile(fd)) {
                return fd;
            }
            ::close(fd);
        } else if (errno == EEXIST) {
            continue; // made by another copy of ours just now: open it as it is
        } else if (errno != ELOOP && errno != ENXIO && errno != EACCES && errno != EPERM) {
            return -1;
        }
        if (::unlinkat(directoryFd, name_.c_str(), 0) != 0 && errno != ENOENT) {
            return -1;
        }
    }
    return -1;
}

InstanceGuard::State LinuxInstanceGuard::acquire() {
    if (fd_ >= 0) {
        return State::Acquired;
    }
    if (::mkdir(directory_.c_str(), 0700) != 0 && errno != EEXIST) {
        return State::Unavailable;
    }
    const FileDescriptor directory(
        ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (directory.get() < 0 || !isPrivateDirectory(directory.get())) {
        return State::Unavailable;
    }
    const int fd = openLockFile(directory.get());
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

std::filesystem::path LinuxInstanceGuard::chooseDirectory(std::string_view runtimeDir,
                                                          const std::filesystem::path& tempDir) {
    if (!runtimeDir.empty()) {
        const std::string path(runtimeDir);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ownedByMe(info) &&
            (info.st_mode & 0777) == 0700) {
            return path;
        }
    }
    return tempDir / ("vexlin-" + std::to_string(::geteuid()));
}

std::filesystem::path LinuxInstanceGuard::defaultDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    auto temp = std::filesystem::temp_directory_path(error);
    if (error) {
        temp = "/tmp";
    }
    return chooseDirectory(runtime != nullptr ? runtime : "", temp);
}

} // namespace vexlin::platform::linux_impl
