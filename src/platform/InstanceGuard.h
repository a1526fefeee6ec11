#pragma once

namespace vexlin::platform {

// Held for the whole run so that a second start can tell that the program already runs.  The operating
// system drops it when the process ends, also on a crash, so a stale guard never blocks a start.
class InstanceGuard {
public:
    enum class State {
        Acquired,       // this process is the only one
        AlreadyRunning, // another process holds the guard
        Unavailable,    // the guard could not be made (no writable place): the start goes on
    };

    virtual ~InstanceGuard() = default;
    virtual State acquire() = 0;
};

} // namespace vexlin::platform
