#include <GL/gl.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>
#include <QtTest>

// The set-up every OpenGL part of the program relies on: a compatibility context on this display that draws
// in immediate mode and reads the pixels back.
class GlSmokeTest : public QObject {
    Q_OBJECT
private slots:
    void legacyContextDrawsAndReadsBack() {
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        QOpenGLContext context;
        context.setFormat(format);
        QVERIFY2(context.create(), "no OpenGL context on this display");
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        QVERIFY(context.makeCurrent(&surface));
        QVERIFY(context.format().profile() != QSurfaceFormat::CoreProfile);

        QOpenGLFramebufferObject frame(QSize(32, 32), QOpenGLFramebufferObject::CombinedDepthStencil);
        QVERIFY(frame.bind());
        glViewport(0, 0, 32, 32);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor3f(0, 1, 0);
        glBegin(GL_TRIANGLES);
        glVertex2f(-1, -1);
        glVertex2f(3, -1);
        glVertex2f(-1, 3);
        glEnd();
        QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
        unsigned char pixel[4] = {};
        glReadPixels(16, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        QCOMPARE(int(pixel[0]), 0);
        QCOMPARE(int(pixel[1]), 255);
        QCOMPARE(int(pixel[2]), 0);
        frame.release();
        context.doneCurrent();
    }
};

QTEST_MAIN(GlSmokeTest)
#include "GlSmokeTest.moc"
