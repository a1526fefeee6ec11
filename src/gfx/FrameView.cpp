#include "gfx/FrameView.h"

#include "gfx/GlSyncCalls.h"

#include <GL/gl.h>
#include <QOpenGLContext>
#include <QSurfaceFormat>

namespace vexlin {

FrameView::FrameView(QWidget* parent) : QOpenGLWidget(parent) {
    setObjectName("FrameView");
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapInterval(0);
    setFormat(format);
    // Mouse drags belong to the window, which turns and moves the scene.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

FrameView::~FrameView() = default;

void FrameView::setFrames(gfx::FrameHandOver* handOver,
                          std::array<unsigned, gfx::FrameHandOver::kBuffers> textures, bool fences) {
    handOver_ = handOver;
    textures_ = textures;
    fences_ = fences;
}

void FrameView::initializeGL() {
    if (QOpenGLContext::globalShareContext() == nullptr) {
        qWarning("FrameView: no shared OpenGL context, the performance test's frames cannot be shown");
    }
}

void FrameView::paintGL() {
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (handOver_ == nullptr) {
        return;
    }
    if (!sync_ || sync_->hasFences() != fences_) {
        sync_ = std::make_unique<GlSyncCalls>(*context(), fences_);
        if (sync_->hasFences() != fences_) {
            // Both contexts of one share group run on the same OpenGL; should they still differ, a frame
            // could not be waited for, and none is shown rather than a half-drawn one.
            qWarning(
                "FrameView: the screen's context has no fences, the performance test's frames are not shown");
            return;
        }
    }
    const int buffer = handOver_->beginShowing(*sync_);
    if (buffer < 0) {
        return;
    }
    drawTexture(textures_[static_cast<std::size_t>(buffer)]);
    handOver_->endShowing(*sync_);
}

void FrameView::drawTexture(unsigned texture) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // The scene is cleared with alpha 0; on the screen it must stay opaque black, so alpha is not copied.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

} // namespace vexlin
