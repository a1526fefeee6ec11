#include "gfx/FrameHandOver.h"

namespace vexlin::gfx {

void FrameHandOver::drop(SyncCalls& calls, SyncHandle& fence) {
    if (fence != nullptr) {
        calls.release(fence);
        fence = nullptr;
    }
}

int FrameHandOver::beginDrawing(SyncCalls& scene) {
    if (drawing_ >= 0) {
        return drawing_; // a frame that was begun and never ended is drawn again in the same buffer
    }
    // While the screen takes no frames they all go into one buffer: a second one would only double the
    // memory the renderer works through.
    drawing_ = shown_ == 0 ? 1 : 0;
    if (latest_ == drawing_) {
        // The newest frame was never shown and is drawn over; the one on the screen is the latest again.
        latest_ = shown_;
    }
    Buffer& target = buffers_[static_cast<std::size_t>(drawing_)];
    if (target.read != nullptr) {
        scene.waitFor(target.read);
        drop(scene, target.read);
    }
    drop(scene, target.drawn);
    return drawing_;
}

void FrameHandOver::endDrawing(SyncCalls& scene) {
    if (drawing_ < 0) {
        return;
    }
    if (scene.hasFences()) {
        buffers_[static_cast<std::size_t>(drawing_)].drawn = scene.fence();
    } else {
        scene.finish();
    }
    latest_ = drawing_;
    drawing_ = -1;
}

int FrameHandOver::beginShowing(SyncCalls& screen) {
    if (latest_ < 0) {
        return -1;
    }
    Buffer& source = buffers_[static_cast<std::size_t>(latest_)];
    if (source.drawn != nullptr) {
        screen.waitFor(source.drawn);
        drop(screen, source.drawn);
    }
    // A buffer shown again: its earlier reads are covered by the fence of these.
    drop(screen, source.read);
    shown_ = latest_;
    showing_ = latest_;
    return showing_;
}

void FrameHandOver::endShowing(SyncCalls& screen) {
    if (showing_ < 0) {
        return;
    }
    if (screen.hasFences()) {
        buffers_[static_cast<std::size_t>(showing_)].read = screen.fence();
    } else {
        screen.finish();
    }
    showing_ = -1;
}

void FrameHandOver::reset(SyncCalls& scene) {
    for (Buffer& buffer : buffers_) {
        if (buffer.read != nullptr) {
            scene.waitFor(buffer.read);
        }
        drop(scene, buffer.read);
        drop(scene, buffer.drawn);
    }
    drawing_ = latest_ = shown_ = showing_ = -1;
}

int FrameHandOver::pendingFences() const {
    int pending = 0;
    for (const Buffer& buffer : buffers_) {
        pending += (buffer.drawn != nullptr ? 1 : 0) + (buffer.read != nullptr ? 1 : 0);
    }
    return pending;
}

} // namespace vexlin::gfx
