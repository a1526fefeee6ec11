// The headless set-up the performance test relies on: a legacy (compatibility) OpenGL context on the xcb
// platform under Xvfb with Mesa, drawing in immediate mode into an off-screen frame buffer.
#include <GL/gl.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

class GlSmokeTest : public QObject {
    Q_OBJECT
private slots:
    void legacyContextDrawsAndReadsBack();
};

void GlSmokeTest::legacyContextDrawsAndReadsBack() {
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    QOpenGLContext context;
    context.setFormat(format);
    QVERIFY2(context.create(), "no OpenGL context: is the display an X server with Mesa?");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    QVERIFY(context.makeCurrent(&surface));

    QOpenGLFramebufferObject fbo(8, 8);
    QVERIFY(fbo.bind());
    glViewport(0, 0, 8, 8);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A red triangle over the left half only, so a blank or wrongly cleared buffer cannot pass.
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(0.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glFinish();
    QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));

    unsigned char corner[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    QCOMPARE(int(corner[0]), 255);
    QCOMPARE(int(corner[2]), 0);
    unsigned char far[4] = {};
    glReadPixels(7, 7, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, far);
    QCOMPARE(int(far[0]), 0);
    QCOMPARE(int(far[2]), 255);
    fbo.release();
    context.doneCurrent();
}

QTEST_MAIN(GlSmokeTest)
#include "GlSmokeTest.moc"
