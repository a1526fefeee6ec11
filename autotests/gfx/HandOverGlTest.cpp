#include "gfx/FrameHandOver.h"
#include "gfx/GlSyncCalls.h"

#include <GL/gl.h>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>
#include <array>
#include <memory>

namespace vexlin {
namespace {

constexpr QSize kFrameSize{256, 192};

QSurfaceFormat compatibilityFormat() {
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    return format;
}

// The colour of frame n, different for each of the frames of one run.
QColor frameColour(int n) {
    return QColor((n * 37) % 256, (n * 91 + 40) % 256, (n * 53 + 80) % 256);
}

void fullQuad() {
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
}

// Frame n: cleared black, then many overlapping quads in its colour, so that it takes the renderer a while.
void drawFrame(int n) {
    glViewport(0, 0, kFrameSize.width(), kFrameSize.height());
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const QColor colour = frameColour(n);
    glColor3ub(static_cast<GLubyte>(colour.red()), static_cast<GLubyte>(colour.green()),
               static_cast<GLubyte>(colour.blue()));
    for (int i = 0; i < 200; ++i) {
        fullQuad();
    }
}

struct Side {
    QOpenGLContext context;
    QOffscreenSurface surface;

    bool start(QOpenGLContext* shareWith) {
        context.setFormat(compatibilityFormat());
        context.setShareContext(shareWith);
        if (!context.create()) {
            return false;
        }
        surface.setFormat(context.format());
        surface.create();
        return context.makeCurrent(&surface);
    }
};

} // namespace

// The scene's context draws frames into two shared buffers; a second context takes the latest through the
// hand-over and copies it, as the window's screen does.  The copy must always be the whole latest frame.
class HandOverGlTest : public QObject {
    Q_OBJECT
private slots:
    void screenGetsTheLatestWholeFrame_data() {
        QTest::addColumn<bool>("fences");
        QTest::newRow("fences") << true;
        QTest::newRow("glFinish") << false;
    }

    void screenGetsTheLatestWholeFrame() {
        QFETCH(bool, fences);
        Side scene, screen;
        QVERIFY2(scene.start(nullptr), "no OpenGL context on this display");
        QVERIFY(screen.start(&scene.context));
        QVERIFY(QOpenGLContext::areSharing(&scene.context, &screen.context));

        QVERIFY(scene.context.makeCurrent(&scene.surface));
        GlSyncCalls sceneSync(scene.context, fences);
        if (fences) {
            QVERIFY2(GlSyncCalls::contextHasFences(scene.context), "Mesa offers fences from OpenGL 3.2 on");
        }
        QCOMPARE(sceneSync.hasFences(), fences);
        std::array<std::unique_ptr<QOpenGLFramebufferObject>, gfx::FrameHandOver::kBuffers> buffers;
        for (auto& buffer : buffers) {
            buffer = std::make_unique<QOpenGLFramebufferObject>(kFrameSize);
        }
        QVERIFY(screen.context.makeCurrent(&screen.surface));
        GlSyncCalls screenSync(screen.context, fences);
        QOpenGLFramebufferObject copy(kFrameSize);

        gfx::FrameHandOver handOver;
        for (int n = 0; n < 60; ++n) {
            // The scene draws one or two frames between two looks of the screen.
            for (int drawn = 0; drawn <= n % 2; ++drawn) {
                QVERIFY(scene.context.makeCurrent(&scene.surface));
                QOpenGLFramebufferObject& target =
                    *buffers[static_cast<std::size_t>(handOver.beginDrawing(sceneSync))];
                target.bind();
                drawFrame(n);
                target.bindDefault();
                handOver.endDrawing(sceneSync);
            }

            QVERIFY(screen.context.makeCurrent(&screen.surface));
            const int shown = handOver.beginShowing(screenSync);
            QCOMPARE(shown, handOver.latest());
            copy.bind();
            glViewport(0, 0, kFrameSize.width(), kFrameSize.height());
            glEnable(GL_TEXTURE_2D);
            glColor3ub(255, 255, 255);
            glBindTexture(GL_TEXTURE_2D, buffers[static_cast<std::size_t>(shown)]->texture());
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            fullQuad();
            glBindTexture(GL_TEXTURE_2D, 0);
            handOver.endShowing(screenSync);
            copy.bindDefault();

            const QImage image = copy.toImage();
            const QColor expected = frameColour(n);
            for (const QPoint at : {QPoint(0, 0), QPoint(kFrameSize.width() / 2, kFrameSize.height() / 2),
                                    QPoint(kFrameSize.width() - 1, kFrameSize.height() - 1)}) {
                QCOMPARE(image.pixelColor(at).rgb(), expected.rgb());
            }
            QVERIFY(handOver.pendingFences() <= (fences ? 2 * gfx::FrameHandOver::kBuffers : 0));
        }
        QVERIFY(scene.context.makeCurrent(&scene.surface));
        handOver.reset(sceneSync);
        QCOMPARE(handOver.pendingFences(), 0);
        QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
        buffers = {};
        scene.context.doneCurrent();
    }
};

} // namespace vexlin

QTEST_MAIN(vexlin::HandOverGlTest)
#include "HandOverGlTest.moc"
