#include "platform/NormalPriorityLane.h"

#include <exception>
#include <future>

namespace vexlin::platform {

NormalPriorityLane::NormalPriorityLane() : thread_([this] { serve(); }) {}

NormalPriorityLane::~NormalPriorityLane() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void NormalPriorityLane::serve() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}

void NormalPriorityLane::run(const std::function<void()>& work) {
    if (onLane()) {
        work();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    {
        std::lock_guard lock(mutex_);
        queue_.emplace_back([&] {
            try {
                work();
                done.set_value();
            } catch (...) {
                done.set_exception(std::current_exception());
            }
        });
    }
    wake_.notify_one();
    finished.get();
}

std::thread NormalPriorityLane::startThread(std::function<void()> body) {
    std::thread started;
    run([&] { started = std::thread(std::move(body)); });
    return started;
}

} // namespace vexlin::platform
