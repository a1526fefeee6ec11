#include "screen/MonitorForm.h"

#include "support/FakeClock.h"
#include "ui/ClockTimerSwitch.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace vexlin {
namespace {

using testing::FakeClock;

// Counts the repaints that cover the whole window.
class FullRepaints : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* widget = static_cast<QWidget*>(watched);
            if (static_cast<QPaintEvent*>(event)->rect() == widget->rect()) {
                ++count;
            }
        }
        return false;
    }
};

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

} // namespace

class MonitorFormTest : public QObject {
    Q_OBJECT

private:
    AppServices services_;
    FakeClock clock_;
    std::unique_ptr<TMonitorForm> form_;

    QPushButton* button(const char* name) { return form_->findChild<QPushButton*>(name); }

    // Stops the timers' own ticks so that a test counts the frames itself.
    void holdAnimation() {
        form_->Timer1->stop();
        form_->Timer2->stop();
    }

private slots:
    void init() {
        services_.clock = &clock_;
        clock_ = FakeClock{};
        form_ = std::make_unique<TMonitorForm>(services_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QTRY_COMPARE(form_->size(), form_->screen()->size());
        QVERIFY(!form_->OffscreenImage.isNull());
    }

    void cleanup() {
        form_->close();
        form_.reset();
    }

    void fillsTheScreenWithoutABorder() {
        QVERIFY(form_->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(form_->windowState().testFlag(Qt::WindowFullScreen));
        QCOMPARE(form_->OffscreenImage.size(), form_->size() * form_->devicePixelRatio());
        QCOMPARE(form_->Panel1->geometry(), QRect(0, form_->height() - 62, form_->width(), 62));
        QVERIFY(form_->Panel1->isVisible());
        QVERIFY(form_->Timer1->isActive());
        QVERIFY(!form_->Timer2->isActive());
        for (QLabel* label : form_->Labels) {
            QVERIFY(!label->isVisible());
        }
    }

    void colourButtons_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("White") << "Panel2"
                               << "White" << QRect(8, 8, 49, 49);
        QTest::newRow("Black") << "Panel3"
                               << "Black" << QRect(79, 8, 49, 49);
        QTest::newRow("Aqua") << "Panel9"
                              << "Aqua" << QRect(510, 8, 49, 49);
        QTest::newRow("SpeedOfPixel") << "Panel10"
                                      << "Speed of Pixel" << QRect(582, 8, 91, 49);
        QTest::newRow("Text") << "Panel11"
                              << "Text TEXT" << QRect(695, 8, 91, 49);
    }

    void colourButtons() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        auto* b = form_->findChild<QPushButton*>(name);
        QVERIFY(b != nullptr);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->geometry(), geometry);
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    }

    // Boxes of row k are k pixels further each tick; the outline is black, the inside white, and the strip
    // left of each box wipes the positions it passed, so no trail is left behind.
    void framesMoveTheBoxes_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QColor>("background");
        QTest::newRow("OneTickWhite") << 1 << 0 << QColor(Qt::white);
        QTest::newRow("TwoTicksWhite") << 2 << 0 << QColor(Qt::white);
        QTest::newRow("FortyTicksBlack") << 40 << 1 << QColor(Qt::black);
        QTest::newRow("SevenTicksAqua") << 7 << 7 << QColor(Qt::cyan);
        QTest::newRow("ThreeTicksWhiteAgain") << 3 << 8 << QColor(Qt::white);
    }

    void framesMoveTheBoxes() {
        QFETCH(int, ticks);
        QFETCH(int, clicks);
        QFETCH(QColor, background);
        holdAnimation();
        for (int i = 0; i < clicks; ++i) {
            // Apart, so that no two make a double click.
            QTest::mouseClick(form_.get(), Qt::LeftButton, {}, QPoint(form_->width() / 2, 10), 1000);
        }
        holdAnimation();
        const auto start = form_->state().boxX();
        for (int i = 0; i < ticks; ++i) {
            form_->Timer1Timer();
        }
        const QImage& image = form_->OffscreenImage;
        for (int row = 0; row < kBoxRows; ++row) {
            const int x = start[static_cast<std::size_t>(row)] + ticks * (row + 1);
            const int y = boxRowTop(row, image.height());
            const QString where = QString("row %1 at %2,%3").arg(row + 1).arg(x).arg(y);
            QVERIFY2(pixel(image, x, y) == Qt::black, qPrintable(where));
            QVERIFY2(pixel(image, x + kBoxWidth - 1, y + kBoxHeight - 1) == Qt::black, qPrintable(where));
            QVERIFY2(pixel(image, x + 1, y + 1) == Qt::white, qPrintable(where));
            QVERIFY2(pixel(image, x + kBoxWidth - 2, y + kBoxHeight - 2) == Qt::white, qPrintable(where));
            QVERIFY2(pixel(image, x + kBoxWidth, y + 50) == background, qPrintable(where));
            for (int left = 0; left < x; ++left) {
                QVERIFY2(pixel(image, left, y + 50) == background,
                         qPrintable(where + QString(" trail at %1").arg(left)));
            }
        }
        // The window shows the composed frame as it is, one image pixel on one screen pixel, also on a scaled
        // screen (the bar covers the bottom of it).
        const qreal ratio = form_->devicePixelRatio();
        const QRect page(0, 0, image.width(), image.height() - qRound(62 * ratio));
        QImage shown = form_->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown.setDevicePixelRatio(1);
        QCOMPARE(shown.copy(page), image.copy(page));
    }

    void mouseCycleOnlyOnThePixelResponsePage() {
        holdAnimation();
        const QPoint page(form_->width() / 2, 10);
        QTest::mouseClick(form_.get(), Qt::LeftButton, {}, page);
        QCOMPARE(form_->state().background(), (Rgb{0, 0, 0}));
        QTest::mouseClick(form_.get(), Qt::RightButton, {}, page);
        QCOMPARE(form_->state().background(), (Rgb{255, 0, 0}));

        button("Panel6")->click(); // blue
        QVERIFY(!form_->Panel1->isVisible());
        QVERIFY(!form_->Timer1->isActive());
        QCOMPARE(form_->grab().toImage().pixelColor(5, 5), QColor(Qt::blue));
        QTest::mouseClick(form_.get(), Qt::LeftButton, {}, page);
        QVERIFY(form_->Panel1->isVisible());
        QCOMPARE(form_->state().background(), (Rgb{0, 0, 255}));
        // A click on the bar itself is no click on the page.
        QTest::mouseClick(form_->Panel1, Qt::LeftButton, {}, QPoint(form_->Panel1->width() - 5, 5));
        QCOMPARE(form_->state().background(), (Rgb{0, 0, 255}));
    }

    void sameColourRepaintsTheWholeWindow() {
        FullRepaints repaints;
        form_->installEventFilter(&repaints);
        button("Panel4")->click(); // red
        QTest::mouseClick(form_.get(), Qt::LeftButton, {}, QPoint(100, 10));
        QTest::qWait(50);
        repaints.count = 0;
        button("Panel4")->click();
        QTRY_VERIFY(repaints.count > 0);
        form_->removeEventFilter(&repaints);
    }

    void textPageCyclesFonts() {
        button("Panel11")->click();
        QVERIFY(!form_->Panel1->isVisible());
        QVERIFY(!form_->Timer1->isActive());
        QVERIFY(form_->Timer2->isActive());
        QCOMPARE(form_->Timer2->interval(), 2000);
        form_->Timer2->stop();
        const char* fonts[] = {"Arial", "Courier New", "Times New Roman"};
        for (const char* font : fonts) {
            form_->Timer2Timer();
            for (int i = 0; i < kLabelCount; ++i) {
                QLabel* label = form_->Labels[static_cast<std::size_t>(i)];
                QVERIFY(label->isVisible());
                QCOMPARE(label->objectName(), QString("Label%1").arg(i + 1));
                QCOMPARE(label->font().family(), QString(font));
                QCOMPARE(label->font().pixelSize(), labelGeometry()[static_cast<std::size_t>(i)].pixelHeight);
                QCOMPARE(label->text(), QString("Black %1 size %2").arg(font).arg(4 + 2 * i));
                QCOMPARE(label->pos(), QPoint(8, labelGeometry()[static_cast<std::size_t>(i)].top));
            }
        }
        QCOMPARE(form_->grab().toImage().pixelColor(form_->width() - 3, form_->height() - 3),
                 QColor(Qt::white));
        button("Panel10")->click();
        QVERIFY(form_->Timer1->isActive());
        QVERIFY(!form_->Timer2->isActive());
        QVERIFY(!form_->Labels[0]->isVisible());
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("closes");
        QTest::newRow("LetterTicked") << int(Qt::Key_A) << "a" << true << true;
        QTest::newRow("LetterUnticked") << int(Qt::Key_A) << "a" << false << true;
        QTest::newRow("Cyrillic") << 0x6d6 << "ж" << true << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << true << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << "\r" << false << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << " " << false << true;
        QTest::newRow("Left") << int(Qt::Key_Left) << "" << true << false;
        QTest::newRow("F5") << int(Qt::Key_F5) << "" << true << false;
        QTest::newRow("Shift") << int(Qt::Key_Shift) << "" << true << false;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << "\x7f" << true << false;
    }

    void keys() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, ticked);
        QFETCH(bool, closes);
        clock_.ticked = ticked;
        // The text is what the active layout typed, as X11 hands it over.
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(form_.get(), &event);
        QCOMPARE(form_->isVisible(), !closes);
        QCOMPARE(clock_.running, closes && ticked);
        if (closes) {
            QVERIFY(!form_->Timer1->isActive());
        }
    }
};

} // namespace vexlin

QTEST_MAIN(vexlin::MonitorFormTest)
#include "MonitorFormTest.moc"
