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
                          std::array<unsigned, gfx::FrameHandOver::kBuffers> textures) {
    handOver_ = handOver;
    textures_ = textures;
}

void FrameView::initializeGL() {
    if (QOpenGLContext::globalShareContext() == nullptr) {
        qWarning("FrameView: no shared OpenGL context, the performance test's frames cannot be shown");
    }
    sync_ = std::make_unique<GlSyncCalls>(*context(), fencesAllowed_);
}

void FrameView::paintGL() {
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const int buffer = handOver_ != nullptr && sync_ ? handOver_->beginShowing(*sync_) : -1;
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
