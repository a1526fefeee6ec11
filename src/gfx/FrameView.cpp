#include "gfx/FrameView.h"

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

void FrameView::setFrameTexture(unsigned texture) {
    texture_ = texture;
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
    if (texture_ == 0) {
        return;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
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
