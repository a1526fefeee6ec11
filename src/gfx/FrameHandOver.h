#pragma once

#include <array>

// How a finished frame passes from the context that draws the scene to the context that puts it on the
// screen.  The two contexts share two frame buffers; the scene never draws into the buffer the screen last
// took, and the screen only takes a buffer whose drawing is complete.  Between the contexts the order is
// kept by fences: the screen's reads wait for the fence after the drawing, the next drawing into a buffer
// waits for the fence after the screen's reads.  Where the OpenGL has no fences, each side finishes its
// commands before handing over instead.
namespace vexlin::gfx {

using SyncHandle = const void*;

// The synchronisation calls of one OpenGL context, which must be current when they are made.
class SyncCalls {
public:
    virtual ~SyncCalls() = default;
    virtual bool hasFences() const = 0;
    // A fence after every command given so far, which are flushed so that another context may wait for it.
    virtual SyncHandle fence() = 0;
    // The context's later commands wait until the fence has passed (the waiting is done by the OpenGL).
    virtual void waitFor(SyncHandle fence) = 0;
    virtual void release(SyncHandle fence) = 0;
    // Returns once every command given so far is done: the hand-over without fences.
    virtual void finish() = 0;
};

class FrameHandOver {
public:
    static constexpr int kBuffers = 2;

    // The scene's side.  The buffer to draw the next frame into: never the one the screen took last.
    int beginDrawing(SyncCalls& scene);
    // The buffer of beginDrawing now holds a complete frame, which becomes the latest.
    void endDrawing(SyncCalls& scene);

    // The screen's side.  The buffer with the latest complete frame, or -1 while there is none.
    int beginShowing(SyncCalls& screen);
    // The screen has given all its reads of that buffer.
    void endShowing(SyncCalls& screen);

    // Forgets every frame, before the buffers are replaced: the scene's context waits for the screen's
    // reads and every fence is given back.
    void reset(SyncCalls& scene);

    int latest() const { return latest_; }
    int shown() const { return shown_; }
    // Fences not given back yet (at most two per buffer).
    int pendingFences() const;

private:
    struct Buffer {
        SyncHandle drawn = nullptr; // passed once the frame in it is complete
        SyncHandle read = nullptr;  // passed once the screen has read it
    };
    static void drop(SyncCalls& calls, SyncHandle& fence);

    std::array<Buffer, kBuffers> buffers_{};
    int drawing_ = -1;
    int latest_ = -1;
    int shown_ = -1;
    int showing_ = -1;
};

} // namespace vexlin::gfx
