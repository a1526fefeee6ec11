#pragma once

namespace vexlin::platform {

class ThreadPriority {
public:
    virtual ~ThreadPriority() = default;
    // The user-interface thread yields to every other ready thread for the rest of the run.
    virtual void lowerCurrentThreadToIdle() = 0;
    // Raises the calling thread as far as the system allows; false when it is left as it was.  Meant for a
    // short-lived measuring thread, which therefore never needs restoring.
    virtual bool raiseCurrentThreadToRealtime() = 0;
};

} // namespace vexlin::platform
