#include "platform/linux/LinuxInstanceGuard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vexlin::platform::linux_impl {

LinuxInstanceGuard::LinuxInstanceGuard(std::filesystem::path directory, std::string name)
    : file_(std::move(directory) / name) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

InstanceGuard::State LinuxInstanceGuard::acquire() {
    if (fd_ >= 0) {
        return State::Acquired;
    }
    const int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return State::Unavailable;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? State::AlreadyRunning : State::Unavailable;
    }
    fd_ = fd;
    return State::Acquired;
}

std::filesystem::path LinuxInstanceGuard::defaultDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        std::error_code error;
        if (std::filesystem::is_directory(runtime, error)) {
            return runtime;
        }
    }
    std::error_code error;
    auto temp = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : temp;
}

} // namespace vexlin::platform::linux_impl
