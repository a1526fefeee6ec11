#pragma once

#include "gfx/FrameHandOver.h"

class QOpenGLContext;
class QOpenGLExtraFunctions;

namespace vexlin {

// The synchronisation calls of one Qt OpenGL context: fences when the context has them (OpenGL 3.2, or the
// ARB_sync extension) and they are allowed, glFinish otherwise.  Made while that context is current.
class GlSyncCalls final : public gfx::SyncCalls {
public:
    explicit GlSyncCalls(QOpenGLContext& context, bool allowFences = true);

    // Whether this context offers fences at all.
    static bool contextHasFences(const QOpenGLContext& context);

    bool hasFences() const override { return functions_ != nullptr; }
    gfx::SyncHandle fence() override;
    void waitFor(gfx::SyncHandle fence) override;
    void release(gfx::SyncHandle fence) override;
    void finish() override;

private:
    QOpenGLContext& context_;
    QOpenGLExtraFunctions* functions_ = nullptr; // null without fences
};

} // namespace vexlin
