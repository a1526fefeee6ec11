#include "platform/TerminationRequests.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vexlin::platform {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// Written from the signal handler, which may run on any thread: only write(2) on a non-blocking pipe.
volatile sig_atomic_t writeFd = -1;

void onSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto written = ::write(writeFd, &number, 1);
    errno = saved;
}

} // namespace

TerminationRequests::TerminationRequests() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readFd_ = fds[0];
    writeFd = fds[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationRequests::~TerminationRequests() {
    if (readFd_ < 0) {
        return;
    }
    for (const int signal : kSignals) {
        ::signal(signal, SIG_DFL);
    }
    ::close(writeFd);
    writeFd = -1;
    ::close(readFd_);
}

int TerminationRequests::takeSignal() {
    int first = 0;
    unsigned char number = 0;
    while (readFd_ >= 0 && ::read(readFd_, &number, 1) == 1) {
        if (first == 0) {
            first = number;
        }
    }
    return first;
}

} // namespace vexlin::platform
