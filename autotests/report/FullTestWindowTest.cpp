#include "app/Application.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/Startup.h"
#include "audio/SoundForm.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "platform/Factory.h"
#include "report/NumberText.h"
#include "report/ResultsPage.h"
#include "report/TestForm.h"
#include "sysinfo/SystemPage.h"
#include "text/PlainText.h"
#include "ui/Globals.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>

namespace vexlin {
namespace {

constexpr int kStepIntervalMs = 100; // the sequencer's timer, shortened from a second
constexpr double kSyntheticMhz = 2000.0;

// A time-stamp counter that runs at exactly 2000 MHz of the steady clock, so the measured clock is known;
// the identification comes from this processor.
class SyntheticProcessor final : public platform::Processor {
public:
    platform::CpuidRegisters cpuid(std::uint32_t leaf) const override { return real_->cpuid(leaf); }
    std::uint64_t readTimeStampCounter() const override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) *
               static_cast<std::uint64_t>(kSyntheticMhz / 1000.0);
    }

private:
    std::unique_ptr<platform::Processor> real_ = platform::makeProcessor();
};

class NoLauncher final : public platform::ProgramLauncher {
public:
    platform::LaunchResult run(std::string_view) override { return {}; }
};

class StayingPriority final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override {}
    bool raiseCurrentThreadToRealtime() override { return false; }
};

struct SeenMessage {
    QString caption;
    QString text;
    int buttons = 0;
    int stepWhenShown = 0;
    int stepWhenClosed = 0;
    bool performanceShownWhenClosed = false;
    bool reportEnabled = false;
};

// The user of the test desktop: watches which modal window is on top and closes it after a while, as a
// person reading the message or trying the keyboard would.
class TestUser : public QObject {
public:
    TestUser() {
        poll_.setInterval(20);
        connect(&poll_, &QTimer::timeout, this, &TestUser::look);
        poll_.start();
        deadline_.start();
    }

    // How long each kind of window stays open before the user closes it.
    int firstMessageMs = 3 * kStepIntervalMs + kStepIntervalMs / 2;
    int messageMs = kStepIntervalMs + kStepIntervalMs / 2;
    int windowMs = 3 * kStepIntervalMs;
    // Closes the full-test window once the test has finished and its last message is closed.
    bool closeWhenFinished = true;
    // Runs on every look, for what a single test does meanwhile.
    std::function<void()> meanwhile;

    std::vector<SeenMessage> messages;
    bool sawPerformanceWindow = false;
    bool sawKeyboardWindow = false;
    bool sawAudioWindow = false;
    bool captureRunningWhenShown = false;
    bool playbackRunningWhenShown = false;
    bool timedOut = false;

private:
    void look() {
        if (deadline_.elapsed() > 90000) {
            timedOut = true;
            closeEverything();
            return;
        }
        if (meanwhile) {
            meanwhile();
        }
        QWidget* top = QApplication::activeModalWidget();
        if (top != current_) {
            current_ = top;
            openedFor_.start();
            seen(top);
        }
        if (top == nullptr) {
            return;
        }
        if (top == Form1) {
            return; // the sequence closes the performance window itself
        }
        if (top == TestForm) {
            if (closeWhenFinished && FullTestStep == report::kFinished) {
                TestForm->close();
            }
            return;
        }
        if (openedFor_.elapsed() >= holdMs(top)) {
            closeTop(top);
        }
    }

    int holdMs(QWidget* top) const {
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            return messages.size() == 1 ? firstMessageMs : box->text().startsWith("'") ? 0 : messageMs;
        }
        return windowMs;
    }

    void seen(QWidget* top) {
        if (top == Form1) {
            sawPerformanceWindow = true;
        } else if (top == FormKlava) {
            sawKeyboardWindow = true;
        } else if (top == SoundForm) {
            sawAudioWindow = true;
            captureRunningWhenShown = SoundForm->captureRunning() && !SoundForm->Button1->isEnabled();
            playbackRunningWhenShown = !SoundForm->Button3->isEnabled() && SoundForm->Button4->isEnabled();
        } else if (auto* box = qobject_cast<QMessageBox*>(top)) {
            SeenMessage message;
            message.caption = box->windowTitle();
            message.text = box->text();
            message.buttons = static_cast<int>(box->buttons().size());
            message.stepWhenShown = FullTestStep;
            message.reportEnabled = TestForm->Button1->isEnabled();
            messages.push_back(message);
        }
    }

    void closeTop(QWidget* top) {
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
                if (it->text == box->text()) {
                    it->stepWhenClosed = FullTestStep;
                    it->performanceShownWhenClosed = Form1->isVisible();
                    break;
                }
            }
            box->button(QMessageBox::Ok)->click();
        } else {
            top->close();
        }
    }

    void closeEverything() {
        while (QWidget* top = QApplication::activeModalWidget()) {
            top->close();
            if (top->isVisible()) {
                break;
            }
        }
    }

    QTimer poll_;
    QElapsedTimer deadline_;
    QElapsedTimer openedFor_;
    QPointer<QWidget> current_;
};

long double expectedAverage(long double before, const std::vector<double>& samples) {
    const auto n = static_cast<int>(samples.size());
    long double sum = std::ldexp(before, -n);
    for (int i = 0; i < n; ++i) {
        sum += std::ldexp(static_cast<long double>(samples[static_cast<std::size_t>(i)]), -(n - i));
    }
    return sum;
}

QString separator() {
    return QLocale().decimalPoint();
}

} // namespace

class FullTestWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wholeSequence();
    void counterTextThatIsNoNumber();
    void secondStartBeginsAgain();
    void closingMidRun_data();
    void closingMidRun();
    void resultsPageIsTheThirdPage();

private:
    // Opens the full test from the main window as the user does and presses "Старт тестов(4)" in it;
    // returns when the full-test window has been closed.
    void runFullTest();

    std::unique_ptr<AppServices> services_;
    std::unique_ptr<TestUser> user_;
};

void FullTestWindowTest::initTestCase() {
    // The ctest entry that runs under a Russian locale says which separator the program must use.
    const QByteArray expected = qgetenv("VEXLIN_EXPECT_DECIMAL_POINT");
    if (!expected.isEmpty()) {
        QCOMPARE(separator(), QString::fromUtf8(expected));
    }
}

void FullTestWindowTest::init() {
    FullTestRunning = false;
    FullTestStep = 0;
    AverageFps = 0;
    AverageCpuMhz = 0;
    services_ = std::make_unique<AppServices>(AppServices::forThisSystem());
    services_->launcher = std::make_unique<NoLauncher>();
    services_->priority = std::make_unique<StayingPriority>();
    services_->processor = std::make_unique<SyntheticProcessor>();
    createWindows(*services_);
    TestForm->Timer1->setInterval(kStepIntervalMs);
    // The counter shows a fixed count, so the samples are known: its timer publishes nothing.
    QObject::disconnect(Form1->Timer1, &QTimer::timeout, nullptr, nullptr);
    Form1->Label3->setText("48");
    user_ = std::make_unique<TestUser>();
}

void FullTestWindowTest::cleanup() {
    user_.reset();
    destroyWindows();
    services_.reset();
}

void FullTestWindowTest::runFullTest() {
    QTimer::singleShot(0, TestForm, [] {
        TestForm->Button2->click();
        Form1->Label3->setText("48"); // the window starts its count afresh when the run has it draw
    });
    MainForm->Button6->click();
    QVERIFY(!user_->timedOut);
}

void FullTestWindowTest::wholeSequence() {
    QVERIFY(services_->results.empty());
    QVERIFY(TestForm->Button2->isEnabled());
    QVERIFY(!TestForm->Button1->isEnabled());
    runFullTest();

    const QStringList announcements = {
        QString::fromUtf8(report::kPerformanceAnnouncement.data()),
        QString::fromUtf8(report::kKeyboardAnnouncement.data()),
        QString::fromUtf8(report::kClockAnnouncement.data()),
        QString::fromUtf8(report::kAudioAnnouncement.data()),
        QString::fromUtf8(report::kFinishedMessage.data()),
    };
    QStringList texts;
    for (const SeenMessage& message : user_->messages) {
        texts << message.text;
        QCOMPARE(message.caption, QString("Информация"));
        QCOMPARE(message.buttons, 1);
    }
    QCOMPARE(texts, announcements);

    // The counter was sampled while the first message was open, before the window appeared.
    const SeenMessage& first = user_->messages.front();
    QCOMPARE(first.stepWhenShown, 2);
    QVERIFY2(first.stepWhenClosed >= 4, qPrintable(QString::number(first.stepWhenClosed)));
    QVERIFY(!first.performanceShownWhenClosed);
    QVERIFY(user_->sawPerformanceWindow);
    QVERIFY(!Form1->isVisible());

    QVERIFY(user_->sawKeyboardWindow);
    QCOMPARE(user_->messages[1].stepWhenShown, report::kWaitingForKeyboard);
    QVERIFY(user_->sawAudioWindow);
    QVERIFY(user_->captureRunningWhenShown);
    QVERIFY(user_->playbackRunningWhenShown);
    QVERIFY(!SoundForm->captureRunning()); // stopped by its own close

    // The report button was enabled by the end, and closing the window disabled it again.
    QVERIFY(user_->messages.back().reportEnabled);
    QVERIFY(!TestForm->Button1->isEnabled());
    QCOMPARE(FullTestStep, report::kFinished);
    QVERIFY(!FullTestRunning);
    QVERIFY(!TestForm->Timer1->isActive());
    QVERIFY(!MainForm->Timer2->isActive());

    const auto& frames = TestForm->sequencer().frameSamples();
    QCOMPARE(frames, std::vector<double>(report::kFrameSamples, 48.0));
    QVERIFY(AverageFps == expectedAverage(0, frames)); // sums of halves of 48: exact

    const auto& clocks = TestForm->sequencer().clockSamples();
    QCOMPARE(clocks.size(), std::size_t(report::kClockSamples));
    for (const double mhz : clocks) {
        QVERIFY2(std::abs(mhz - kSyntheticMhz) < 5.0, qPrintable(QString::number(mhz)));
    }
    QVERIFY(std::abs(static_cast<double>(AverageCpuMhz - expectedAverage(0, clocks))) < 1e-9);
    // The clock wrote its field with this locale's separator, and it was read back with the same one.
    QVERIFY(MainForm->TabSheet1->StaticText22->text().contains(separator()));

    // The page "Итоги" shows both averages, in the locale's numbers.
    const std::string sep = separator().toStdString();
    MainForm->TabSheet3->refresh();
    // Other tests of the run (battery, sensors, the audio self-test) have lines of their own there too.
    QTreeWidget* list = MainForm->TabSheet3->ListView1;
    const auto row = [list](const QString& what) -> QTreeWidgetItem* {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == what) {
                return list->topLevelItem(i);
            }
        }
        return nullptr;
    };
    QTreeWidgetItem* fps = row("Тест производительности");
    QTreeWidgetItem* mhz = row("Реальная частота процессора");
    QVERIFY(fps != nullptr && mhz != nullptr);
    QVERIFY(list->indexOfTopLevelItem(fps) < list->indexOfTopLevelItem(mhz));
    QCOMPARE(fps->text(1), "47" + separator() + "98 FPS");
    QCOMPARE(mhz->text(1), QString::fromStdString(
                               text::fixedNumberText(static_cast<double>(AverageCpuMhz), 2, sep) + " MHz"));
}

void FullTestWindowTest::counterTextThatIsNoNumber() {
    int stepWhenSpoilt = -1;
    int spoiltPolls = 0;
    user_->closeWhenFinished = false;
    user_->meanwhile = [&] {
        if (stepWhenSpoilt < 0 && Form1->isVisible() && FullTestStep >= 5) {
            stepWhenSpoilt = FullTestStep;
            Form1->Label3->setText("abc");
        } else if (stepWhenSpoilt >= 0 && ++spoiltPolls == 25) { // half a second, about five ticks
            QCOMPARE(FullTestStep, stepWhenSpoilt);
            Form1->Label3->setText("48");
        } else if (spoiltPolls > 25 && FullTestStep >= stepWhenSpoilt + 2) {
            TestForm->close();
        }
    };
    runFullTest();

    QVERIFY(stepWhenSpoilt >= 5);
    int errors = 0;
    for (const SeenMessage& message : user_->messages) {
        if (message.text.startsWith("'")) {
            ++errors;
            QCOMPARE(message.text, QString("'abc' is not a valid floating point value"));
            QCOMPARE(message.caption, QString("Vexlin"));
            QCOMPARE(message.stepWhenShown, stepWhenSpoilt);
        }
    }
    QVERIFY2(errors >= 2, qPrintable(QString::number(errors)));
    // Only good texts were folded in.
    for (const double frames : TestForm->sequencer().frameSamples()) {
        QCOMPARE(frames, 48.0);
    }
    QVERIFY(!Form1->isVisible());
}

void FullTestWindowTest::secondStartBeginsAgain() {
    long double averageAtRestart = -1;
    bool restarted = false;
    int stepRightAfter = -1;
    user_->closeWhenFinished = false;
    user_->meanwhile = [&] {
        if (!restarted && Form1->isVisible() && FullTestStep >= 6) {
            restarted = true;
            averageAtRestart = AverageFps;
            TestForm->Button2->click();
            stepRightAfter = FullTestStep;
        } else if (restarted && Form1->isVisible() && FullTestStep >= 5) {
            TestForm->close();
        }
    };
    runFullTest();

    QVERIFY(restarted);
    QCOMPARE(stepRightAfter, 1);
    QVERIFY(averageAtRestart > 0);
    const auto& frames = TestForm->sequencer().frameSamples();
    QVERIFY(frames.size() >= 3);
    // The second run went on from the average the first one had reached.
    QVERIFY(AverageFps == expectedAverage(averageAtRestart, frames));
    int announced = 0;
    for (const SeenMessage& message : user_->messages) {
        announced += message.text == QString::fromUtf8(report::kPerformanceAnnouncement.data()) ? 1 : 0;
    }
    QCOMPARE(announced, 2);
}

void FullTestWindowTest::closingMidRun_data() {
    QTest::addColumn<int>("closeAtStep");
    QTest::addColumn<bool>("optionTicked");
    QTest::newRow("frame samples") << 6 << false;
    QTest::newRow("clock samples") << 19 << false;
    QTest::newRow("clock samples, option ticked") << 19 << true;
}

void FullTestWindowTest::closingMidRun() {
    QFETCH(int, closeAtStep);
    QFETCH(bool, optionTicked);
    OptionsForm->CheckBox1->setChecked(optionTicked);
    MainForm->Timer2->stop();
    int stepAtClose = -1;
    user_->closeWhenFinished = false;
    user_->meanwhile = [&] {
        // Closed as a user can: with nothing but the performance window over the full-test window.
        QWidget* top = QApplication::activeModalWidget();
        if (stepAtClose < 0 && FullTestStep >= closeAtStep && (top == TestForm || top == Form1)) {
            stepAtClose = FullTestStep;
            TestForm->close();
        }
    };
    runFullTest();

    QVERIFY(stepAtClose >= closeAtStep);
    QVERIFY(!FullTestRunning);
    QVERIFY(!TestForm->Timer1->isActive());
    QVERIFY(!Form1->isVisible());
    QCOMPARE(MainForm->Timer2->isActive(), optionTicked);
    MainForm->Timer2->stop();
    // Nothing goes on behind the user's back.
    const std::size_t messages = user_->messages.size();
    QTest::qWait(4 * kStepIntervalMs);
    QCOMPARE(FullTestStep, stepAtClose);
    QCOMPARE(user_->messages.size(), messages);
}

void FullTestWindowTest::resultsPageIsTheThirdPage() {
    QTabWidget* pages = MainForm->PageControl1;
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(2), QString("Итоги"));
    QCOMPARE(pages->widget(2), static_cast<QWidget*>(MainForm->TabSheet3));
    QCOMPARE(MainForm->TabSheet3->objectName(), QString("TabSheet3"));
    // Before any full test only what the machine reports by itself (the battery) may be there.
    const int before = MainForm->TabSheet3->ListView1->topLevelItemCount();
    QVERIFY(services_->results.linesOf("full_test").empty());

    // A result that arrives while the page is not looked at shows within the main window's next tick.
    results::ResultLine line;
    line.source = "full_test";
    line.key = "average_fps";
    line.what = "Тест производительности";
    line.value = "59,97 FPS";
    services_->results.put(line);
    MainForm->Timer1->setInterval(50);
    QTRY_VERIFY_WITH_TIMEOUT(
        MainForm->TabSheet3->ListView1->topLevelItemCount() > before &&
            !MainForm->TabSheet3->ListView1->findItems("Тест производительности", Qt::MatchExactly, 0)
                 .isEmpty(),
        2000);
    MainForm->Timer1->setInterval(1000);
}

} // namespace vexlin

int main(int argc, char** argv) {
    vexlin::VexlinApplication app(argc, argv);
    QApplication::setApplicationName("Vexlin");
    vexlin::FullTestWindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "FullTestWindowTest.moc"
