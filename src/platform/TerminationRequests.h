#pragma once

namespace vexlin::platform {

// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), turned into a request that the event
// loop reads from a file descriptor.  The program then ends between two handlers, never in the middle of
// one: a report being saved is saved whole before it goes, and the guard and the windows are released as
// on a normal close.  One per process; the default actions come back when it is destroyed.
class TerminationRequests {
public:
    TerminationRequests();
    ~TerminationRequests();
    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

    // Readable once a signal has come; -1 when the request could not be set up (the defaults stay).
    int fd() const { return readFd_; }

    // The signal that came first, or 0 when none has.
    int takeSignal();

private:
    int readFd_ = -1;
};

} // namespace vexlin::platform
