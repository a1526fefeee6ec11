#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vexlin::platform {

// A thread that keeps the priority of the thread that created it, for whatever must not run at the
// user-interface thread's idle priority.  A new thread or a forked process takes the scheduling policy of the
// thread that creates it, and an unprivileged thread cannot leave the idle policy again: so sound streams,
// measuring threads and launched programs are created from here.  Create the lane before the user-interface
// thread is lowered.
class NormalPriorityLane {
public:
    NormalPriorityLane();
    // Finishes the work already queued, then ends the thread.
    ~NormalPriorityLane();
    NormalPriorityLane(const NormalPriorityLane&) = delete;
    NormalPriorityLane& operator=(const NormalPriorityLane&) = delete;

    // Runs `work` on the lane and waits for it; an exception it throws comes out here.  Called on the lane
    // itself, it runs at once.
    void run(const std::function<void()>& work);

    // A new thread, created from the lane so that it starts at the lane's priority.
    std::thread startThread(std::function<void()> body);

    bool onLane() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void serve();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vexlin::platform
