#include "gfx/PerformanceForm.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Dialogs.h"
#include "app/shared/Globals.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QTemporaryDir>
#include <QtTest>
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
        for (const auto& shown : recorder_->shown()) {
            qWarning() << shown.caption << shown.text;
        }
        QVERIFY(recorder_->shown().empty());
        QVERIFY(form_->sceneRunning());
        QVERIFY(form_->IdleTimer->isActive());
        QCOMPARE(form_->IdleTimer->interval(), 0);
        QCOMPARE(form_->Timer1->interval(), 1000);
        QCOMPARE(form_->findChild<QLabel*>("Label3"), form_->Label3);
    }

    void drawsTheCharacterWhileHidden() {
        QVERIFY(!form_->isVisible());
        QTest::qWait(300);
        const QImage frame = form_->lastFrame();
        QVERIFY(!frame.isNull());
        const double lit = litShareAroundTheCentre(frame);
        QVERIFY2(lit > 0.05, qPrintable(QString("only %1 of the centre is lit").arg(lit)));
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

    void publishesTheCountWithinTwoSeconds() {
        form_->show();
        bool ok = false;
        QTRY_VERIFY_WITH_TIMEOUT(labelNumber(*form_, &ok) > 0 && ok, 2000);
        const int count = labelNumber(*form_, &ok);
        QCOMPARE(form_->windowTitle(),
                 QString("Производительность видео карты и процессора [%1 FPS]").arg(count));
    }

    void countsOnWhileHidden() {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        form_->hide();
        form_->Label3->setText("hidden");
        FrameCount = 0;
        bool ok = false;
        QTRY_VERIFY_WITH_TIMEOUT(labelNumber(*form_, &ok) > 0 && ok, 2500);
        QVERIFY(!form_->isVisible());
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

    void closingDuringAFullTestMovesItOn() {
        FullTestRunning = true;
        FullTestStep = 13;
        form_->show();
        form_->close();
        QCOMPARE(FullTestStep, 14);
        QVERIFY(!clock_.running);
        QVERIFY(form_->sceneRunning()); // drawing goes on after closing
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
        QDir::setCurrent(previous);

        QCOMPARE(recorder_->shown().size(), std::size_t{1});
        const auto& shown = recorder_->shown().front();
        QCOMPARE(shown.icon, Dialogs::Icon::Critical);
        QVERIFY2(shown.text.contains("data/model/sarge/lower.md3"), qPrintable(shown.text));
        QVERIFY(!form_->sceneRunning());
        QVERIFY(form_->lastFrame().isNull());
        FrameCount = 0;
        form_->Timer1Timer();
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
