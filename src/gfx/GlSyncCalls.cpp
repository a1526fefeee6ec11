#include "gfx/GlSyncCalls.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

namespace vexlin {
namespace {

GLsync toSync(gfx::SyncHandle fence) {
    return static_cast<GLsync>(const_cast<void*>(fence));
}

} // namespace

bool GlSyncCalls::contextHasFences(const QOpenGLContext& context) {
    if (context.isOpenGLES()) {
        return context.format().version() >= qMakePair(3, 0);
    }
    return context.format().version() >= qMakePair(3, 2) || context.hasExtension("GL_ARB_sync");
}

GlSyncCalls::GlSyncCalls(QOpenGLContext& context, bool allowFences) : context_(context) {
    if (allowFences && contextHasFences(context)) {
        functions_ = context.extraFunctions();
    }
}

// Called only while hasFences(); the checks keep a caller's mistake from calling through a null table.
gfx::SyncHandle GlSyncCalls::fence() {
    if (functions_ == nullptr) {
        return nullptr;
    }
    const GLsync sync = functions_->glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // Another context may only wait for a fence that has reached the OpenGL.
    functions_->glFlush();
    return sync;
}

void GlSyncCalls::waitFor(gfx::SyncHandle fence) {
    if (functions_ == nullptr) {
        return;
    }
    functions_->glWaitSync(toSync(fence), 0, GL_TIMEOUT_IGNORED);
}

void GlSyncCalls::release(gfx::SyncHandle fence) {
    if (functions_ == nullptr) {
        return;
    }
    functions_->glDeleteSync(toSync(fence));
}

void GlSyncCalls::finish() {
    context_.functions()->glFinish();
}

} // namespace vexlin
