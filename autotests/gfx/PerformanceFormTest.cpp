#include "gfx/PerformanceForm.h"

#include "gfx/FrameView.h"
#include "support/FakeClock.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

namespace vexlin {
namespace {

using testing::FakeClock;

// Share of pixels in the middle third of the picture that are not black.
double litShareAroundTheCentre(const QImage& image) {
    const int x0 = image.width() / 3, y0 = image.height() / 3;
    int lit = 0, all = 0;
    for (int y = y0; y < 2 * y0; ++y) {
        for (int x = x0; x < 2 * x0; ++x) {
            const QRgb p = image.pixel(x, y);
            lit += (qRed(p) + qGreen(p) + qBlue(p)) > 30 ? 1 : 0;
            ++all;
        }
    }
    return all == 0 ? 0.0 : double(lit) / all;
}

int labelNumber(const TForm1& form, bool* ok) {
    return form.Label3->text().toInt(ok);
}

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class PerformanceFormTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        recorder_ = std::make_unique<ScopedRecordingDialogs>();
        services_.clock = &clock_;
        form_ = std::make_unique<TForm1>(services_);
    }
    void cleanup() {
        form_.reset();
        recorder_.reset();
        FullTestRunning = false;
        FullTestStep = 0;
    }

    void loadsTheShippedModelWithoutAMessage() {
        QVERIFY(!form_->sceneLoaded()); // nothing of OpenGL before it is needed
        QVERIFY(form_->prepare());
        for (const auto& shown : recorder_->shown()) {
            qWarning() << shown.caption << shown.text;
        }
        QVERIFY(recorder_->shown().empty());
        QVERIFY(form_->sceneLoaded());
        QVERIFY(!form_->sceneRunning()); // loaded, yet hidden and not asked to draw
        QCOMPARE(form_->IdleTimer->interval(), 0);
        QCOMPARE(form_->Timer1->interval(), 1000);
        QCOMPARE(form_->findChild<QLabel*>("Label3"), form_->Label3);
    }

    void preparesOnceTheMainWindowIsPainted() {
        form_.reset();
        QWidget mainWindow;
        mainWindow.resize(200, 100);
        auto* form = new TForm1(services_, &mainWindow);
        QTest::qWait(50);
        QVERIFY(!form->sceneLoaded());
        mainWindow.show();
        QTRY_VERIFY_WITH_TIMEOUT(form->sceneLoaded(), 5000);
        QVERIFY(!form->sceneRunning());
        QVERIFY(recorder_->shown().empty());
    }

    // Whether frames are drawn, counted and published: while shown, and while the full test has the window
    // draw hidden; never otherwise, when not even the idle timer may run.
    void drawsWhenShownOrAsked_data() {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("whileHidden");
        QTest::addColumn<bool>("draws");
        QTest::newRow("hidden, not asked") << false << false << false;
        QTest::newRow("hidden, asked by the full test") << false << true << true;
        QTest::newRow("shown") << true << false << true;
        QTest::newRow("shown and asked") << true << true << true;
    }

    void drawsWhenShownOrAsked() {
        QFETCH(bool, shown);
        QFETCH(bool, whileHidden);
        QFETCH(bool, draws);
        QVERIFY(form_->prepare());
        const QString caption = form_->windowTitle();
        form_->Label3->setText("untouched");
        FrameCount = 0;
        form_->setDrawingWhileHidden(whileHidden);
        if (shown) {
            form_->show();
            QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        }
        QCOMPARE(form_->drawingWhileHidden(), whileHidden);
        QCOMPARE(form_->IdleTimer->isActive(), draws);
        QCOMPARE(form_->Timer1->isActive(), draws);
        if (!draws) {
            // Over more than one timer period nothing is drawn, counted or published.
            QTest::qWait(1300);
            QCOMPARE(FrameCount, 0);
            QCOMPARE(form_->Label3->text(), QString("untouched"));
            QCOMPARE(form_->windowTitle(), caption);
            QVERIFY(form_->lastFrame().isNull());
            return;
        }
        bool ok = false;
        QTRY_VERIFY_WITH_TIMEOUT(labelNumber(*form_, &ok) > 0 && ok, 2500);
        QCOMPARE(
            form_->windowTitle(),
            QString("Производительность видео карты и процессора [%1 FPS]").arg(labelNumber(*form_, &ok)));
        const double lit = litShareAroundTheCentre(form_->lastFrame());
        QVERIFY2(lit > 0.05, qPrintable(QString("only %1 of the centre is lit").arg(lit)));
    }

    // Each step changes one thing; after it the window draws or not.
    void stopsAndStartsWithTheWindow_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<bool>>("drawing");
        QTest::newRow("shown, then hidden") << QStringList{"show", "hide"} << QList<bool>{true, false};
        QTest::newRow("asked, then no longer") << QStringList{"ask", "release"} << QList<bool>{true, false};
        QTest::newRow("hidden while asked goes on")
            << QStringList{"ask", "show", "hide", "release"} << QList<bool>{true, true, true, false};
        QTest::newRow("released while shown goes on")
            << QStringList{"show", "ask", "release", "hide"} << QList<bool>{true, true, true, false};
        QTest::newRow("shown again") << QStringList{"show", "hide", "show"} << QList<bool>{true, false, true};
    }

    void stopsAndStartsWithTheWindow() {
        QFETCH(QStringList, steps);
        QFETCH(QList<bool>, drawing);
        QVERIFY(form_->prepare());
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString& step = steps[i];
            if (step == "show") {
                form_->show();
                QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
            } else if (step == "hide") {
                form_->hide();
            } else {
                form_->setDrawingWhileHidden(step == "ask");
            }
            QTest::qWait(100);
            QVERIFY2(form_->sceneRunning() == drawing[i], qPrintable("after " + step));
            QCOMPARE(form_->IdleTimer->isActive(), drawing[i]);
            // Counted by the idle handler's runs: the once-a-second count sets FrameCount back to 0.
            QSignalSpy frames(form_->IdleTimer, &QTimer::timeout);
            QTest::qWait(200);
            QVERIFY2((frames.count() > 0) == drawing[i], qPrintable("frames drawn after " + step));
        }
    }

    // After a pause the count starts afresh: no frame of before the pause is counted, and the first rate is
    // measured from the moment drawing resumed, not over an interval that includes the pause.
    void resumingStartsTheCountAfresh() {
        form_->show();
        bool ok = false;
        QTRY_VERIFY_WITH_TIMEOUT(labelNumber(*form_, &ok) > 0 && ok, 2500);
        form_->hide();
        QVERIFY(FrameCount > 0 || form_->Label3->text() != "0");
        QTest::qWait(1200);

        QElapsedTimer sinceResume;
        sinceResume.start();
        form_->setDrawingWhileHidden(true);
        QCOMPARE(form_->Label3->text(), QString("0"));
        QCOMPARE(form_->windowTitle(), QString("Производительность видео карты и процессора"));
        QVERIFY(FrameCount <= 1);
        QTRY_VERIFY_WITH_TIMEOUT(FrameCount >= 5, 2000);
        form_->Timer1->stop(); // the tick is made by hand, at a known time
        const std::int32_t frames = FrameCount;
        const qint64 elapsed = std::max<qint64>(1, sinceResume.elapsed());
        form_->Timer1Timer();
        const int published = labelNumber(*form_, &ok);
        QVERIFY(ok);
        // The interval the window measured is at most the test's, so the rate is at least this.
        const int lowest = static_cast<int>(std::floor(frames * 1000.0 / static_cast<double>(elapsed)));
        QVERIFY2(published >= lowest,
                 qPrintable(
                     QString("%1 frames in %2 ms published as %3").arg(frames).arg(elapsed).arg(published)));
    }

    void showsTheFramesOnScreen() {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QTest::qWait(500);
        auto* view = form_->findChild<QOpenGLWidget*>("FrameView");
        QVERIFY(view != nullptr);
        const QImage shown = view->grabFramebuffer();
        const double lit = litShareAroundTheCentre(shown);
        QVERIFY2(lit > 0.05, qPrintable(QString("only %1 of the shown centre is lit").arg(lit)));
        // Around the figure the window is opaque black, not the dialog's background showing through.
        const QImage window = form_->grab().toImage();
        QCOMPARE(window.pixelColor(5, window.height() / 2), QColor(Qt::black));
    }

    // The screen shows the frame the scene finished last, pixel for pixel, also where the OpenGL has no
    // fences and each side finishes its commands instead.
    void shownFrameIsTheLatestComposedFrame_data() {
        QTest::addColumn<bool>("fences");
        QTest::newRow("fences") << true;
        QTest::newRow("glFinish") << false;
    }

    void shownFrameIsTheLatestComposedFrame() {
        QFETCH(bool, fences);
        form_->setFencesAllowed(fences);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QTest::qWait(500);
        form_->IdleTimer->stop(); // the scene stops at a complete frame
        const QImage composed = form_->lastFrame().convertToFormat(QImage::Format_RGB32);
        const QImage shown = form_->frameView()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(form_->handOver().shown(), form_->handOver().latest());
        QCOMPARE(shown.size(), composed.size());
        qsizetype differing = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                differing += shown.pixel(x, y) != composed.pixel(x, y) ? 1 : 0;
            }
        }
        QVERIFY2(differing == 0, qPrintable(QString("%1 pixels differ").arg(differing)));
        QVERIFY(litShareAroundTheCentre(shown) > 0.05);
        QCOMPARE(form_->handOver().pendingFences() > 0, fences);
    }

    void publishesTheCountWithinTwoSeconds() {
        form_->show();
        bool ok = false;
        QTRY_VERIFY_WITH_TIMEOUT(labelNumber(*form_, &ok) > 0 && ok, 2000);
        const int count = labelNumber(*form_, &ok);
        QCOMPARE(form_->windowTitle(),
                 QString("Производительность видео карты и процессора [%1 FPS]").arg(count));
    }

    void timerTickPublishesAndRestartsTheCount() {
        FrameCount = 57;
        form_->publishFrameCount(1000);
        QCOMPARE(form_->Label3->text(), QString("57"));
        QCOMPARE(form_->windowTitle(), QString("Производительность видео карты и процессора [57 FPS]"));
        QCOMPARE(FrameCount, 0);
        // A tick that came half a second late still shows frames per second.
        FrameCount = 600;
        form_->publishFrameCount(1500);
        QCOMPARE(form_->Label3->text(), QString("400"));
        QCOMPARE(FrameCount, 0);
    }

    void dragsTurnAndMoveTheScene() {
        const float x = form_->scene().xRotation;
        const float depth = form_->scene().depth;
        sendMouse(form_.get(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {100, 100});
        sendMouse(form_.get(), QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {100, 120});
        sendMouse(form_.get(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {100, 120});
        QCOMPARE(form_->scene().xRotation, x + 10);
        sendMouse(form_.get(), QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {100, 100});
        sendMouse(form_.get(), QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {100, 130});
        sendMouse(form_.get(), QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {100, 130});
        QCOMPARE(form_->scene().depth, depth - 10);
        sendMouse(form_.get(), QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {300, 300});
        QCOMPARE(form_->scene().depth, depth - 10);
    }

    void closingDuringAFullTestMovesItOn_data() {
        QTest::addColumn<bool>("whileHidden");
        QTest::newRow("still asked to draw") << true;
        QTest::newRow("no longer asked") << false;
    }

    void closingDuringAFullTestMovesItOn() {
        QFETCH(bool, whileHidden);
        FullTestRunning = true;
        FullTestStep = 13;
        form_->setDrawingWhileHidden(whileHidden);
        form_->show();
        form_->close();
        QCOMPARE(FullTestStep, 14);
        QVERIFY(!clock_.running);
        QCOMPARE(form_->sceneRunning(), whileHidden);
    }

    void closingOutsideAFullTestResumesTheClock() {
        form_->show();
        form_->close();
        QCOMPARE(FullTestStep, 0);
        QVERIFY(clock_.running);
    }

    void brokenModelIsReportedAndNothingIsDrawn() {
        form_.reset();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("data/model/sarge"));
        QFile shipped(QString(VEXLIN_SOURCE_DIR) + "/data/model/sarge/lower.md3");
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QFile cut(dir.filePath("data/model/sarge/lower.md3"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(shipped.read(shipped.size() / 2));
        cut.close();
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        form_ = std::make_unique<TForm1>(services_);
        const bool prepared = form_->prepare();
        QDir::setCurrent(previous);

        QVERIFY(!prepared);
        QCOMPARE(recorder_->shown().size(), std::size_t{1});
        const auto& shown = recorder_->shown().front();
        QCOMPARE(shown.icon, Dialogs::Icon::Critical);
        QVERIFY2(shown.text.contains("data/model/sarge/lower.md3"), qPrintable(shown.text));
        QVERIFY(!form_->sceneRunning());
        QVERIFY(form_->lastFrame().isNull());
        // Neither showing it nor the full test tries again or reports again.
        form_->setDrawingWhileHidden(true);
        form_->show();
        QVERIFY(!form_->prepare());
        QVERIFY(!form_->sceneRunning());
        QCOMPARE(recorder_->shown().size(), std::size_t{1});
        // The count is still published, as 0.
        QVERIFY(form_->Timer1->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(form_->windowTitle(),
                                  QString("Производительность видео карты и процессора [0 FPS]"), 2500);
        QCOMPARE(form_->Label3->text(), QString("0"));
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorder_;
    FakeClock clock_{true};
    AppServices services_;
    std::unique_ptr<TForm1> form_;
};

} // namespace vexlin

QTEST_MAIN(vexlin::PerformanceFormTest)
#include "PerformanceFormTest.moc"
