// The audio window's self-test against a sound device in memory (FakeSoundService): what it shows, what it
// stores, and what it does to the music and the capture around it.

#include "FakeSoundService.h"
#include "audio/SoundForm.h"
#include "audio/WaveformBox.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace vexlin;

class SoundSelfTestTest : public QObject {
    Q_OBJECT

    // The window with the fake device; the test keeps a pointer to it.
    std::unique_ptr<TSoundForm> makeForm(AppServices& services, testing::FakeSoundService*& fake) {
        auto owned = std::make_unique<testing::FakeSoundService>();
        fake = owned.get();
        services.sound = std::move(owned);
        return std::make_unique<TSoundForm>(services);
    }

    static QStringList shown(const TSoundForm& form) { return form.SelfTestLabel->text().split('\n'); }

private slots:
    void init() {
        FullTestRunning = false;
        recorded_ = std::make_unique<ScopedRecordingDialogs>();
    }
    void cleanup() {
        FullTestRunning = false;
        recorded_.reset();
    }

    void hasItsButtonBesideTheOthers() {
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        QCOMPARE(form->SelfTestButton->text(), QString("Автотест"));
        QCOMPARE(form->SelfTestButton->parentWidget(), form->GroupBox2);
        QVERIFY(form->findChild<QPushButton*>("SelfTestButton") == form->SelfTestButton);
        // The controls already there keep their places.
        QCOMPARE(form->Button3->geometry(), QRect(8, 96, 75, 25));
        QCOMPARE(form->Button4->geometry(), QRect(92, 96, 75, 25));
        QVERIFY(!form->SelfTestButton->geometry().intersects(form->Button4->geometry()));
        QVERIFY(form->GroupBox2->rect().contains(form->SelfTestLabel->geometry()));
        QVERIFY(form->SelfTestLabel->text().isEmpty());
    }

    // The capture through the service: each full buffer drawn, and a stop that draws the buffer in flight.
    void captureDrawsEveryBufferAndStopsOnABoundary_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("sixteenBit");
        QTest::newRow("smallest buffer, 8-bit") << 0 << false;
        QTest::newRow("largest buffer, 16-bit") << 10 << true;
    }
    void captureDrawsEveryBufferAndStopsOnABoundary() {
        QFETCH(int, position);
        QFETCH(bool, sixteenBit);
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        QCOMPARE(form->ListBox1->item(0)->text(), QString("Fake microphone"));
        form->TrackBar1->setValue(position);
        form->CheckBox1->setChecked(sixteenBit);
        form->Button1->click();
        QVERIFY(fake->captureOpen());
        QTRY_VERIFY_WITH_TIMEOUT(form->buffersDrawn() >= 2, 5000);
        QCOMPARE(form->waveformPoints().size(), std::size_t(form->captureBufferSamples()));
        // Silence from the fake microphone: a flat line through the middle.
        for (const audio::WavePoint& p : form->waveformPoints()) {
            QCOMPARE(p.y, form->PaintBox1->height() / 2);
        }
        const std::uint64_t before = form->buffersDrawn();
        form->Button2->click();
        QCOMPARE(form->buffersDrawn(), before + 1);
        QVERIFY(!form->captureRunning());
        QVERIFY(!fake->captureOpen());
        QCOMPARE(fake->captureStarts, 1);
    }

    void reportsWhatTheMicrophoneHeard_data() {
        QTest::addColumn<double>("leftGain");
        QTest::addColumn<double>("rightGain");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<bool>("sixteenBit");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("microphone");
        QTest::addColumn<double>("roomNoise");
        QTest::newRow("both speakers") << 1.0 << 1.0 << false << true << "Левый канал: слышен"
                                       << "Правый канал: слышен"
                                       << "Микрофон: сигнал есть" << 0.0003;
        QTest::newRow("both speakers, 8-bit capture") << 1.0 << 1.0 << false << false << "Левый канал: слышен"
                                                      << "Правый канал: слышен"
                                                      << "Микрофон: сигнал есть" << 0.0003;
        // Bursts 40 dB down are below the smallest step of 8-bit samples: heard only because the test
        // records 16-bit whatever the window shows.
        QTest::newRow("quiet speakers, 8-bit window")
            << 0.01 << 0.01 << false << false << "Левый канал: слышен"
            << "Правый канал: слышен"
            << "Микрофон: сигнал есть" << 0.0003;
        QTest::newRow("right speaker dead") << 1.0 << 0.0 << false << true << "Левый канал: слышен"
                                            << "Правый канал: не слышен"
                                            << "Микрофон: сигнал есть" << 0.0003;
        QTest::newRow("microphone muted") << 1.0 << 1.0 << true << true << "Левый канал: не проверен"
                                          << "Правый канал: не проверен"
                                          << "Микрофон: тишина — не подключён или выключен" << 0.0003;
        QTest::newRow("input looped back from the output")
            << 1.0 << 1.0 << false << true << "Левый канал: не проверен"
            << "Правый канал: не проверен"
            << "Микрофон: похоже на петлю с выхода звука" << 0.0;
    }
    void reportsWhatTheMicrophoneHeard() {
        QFETCH(double, leftGain);
        QFETCH(double, rightGain);
        QFETCH(bool, muted);
        QFETCH(bool, sixteenBit);
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QString, microphone);
        QFETCH(double, roomNoise);
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        fake->leftGain = leftGain;
        fake->rightGain = rightGain;
        fake->microphoneMuted = muted;
        fake->roomNoise = roomNoise;
        form->CheckBox1->setChecked(sixteenBit);

        form->SelfTestButton->click();
        QVERIFY(form->selfTestRunning());
        QVERIFY(!form->SelfTestButton->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!form->selfTestRunning(), 10000);
        QCOMPARE(fake->clipsPlayed, 1);

        const QStringList lines = shown(*form);
        // Under verdicts on the channels, what a mono recording cannot tell.
        const bool judged = left.endsWith("слышен");
        QCOMPARE(lines.size(), judged ? 4 : 3);
        QVERIFY2(lines[0].startsWith(left), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(right), qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(microphone), qPrintable(lines[2]));
        if (judged) {
            QCOMPARE(lines[3], QString("Запись моно: проверены каналы, не места динамиков"));
        }
        QVERIFY(form->SelfTestButton->isEnabled());
        QVERIFY(fake->captureSettings.back().sixteenBit);

        // The same verdicts in the results of this run.
        const auto* leftLine = services.results.find("audio", "left_channel");
        const auto* rightLine = services.results.find("audio", "right_channel");
        const auto* micLine = services.results.find("audio", "microphone");
        QVERIFY(leftLine && rightLine && micLine);
        QCOMPARE(QString::fromStdString(leftLine->verdict), lines[0]);
        QCOMPARE(QString::fromStdString(rightLine->verdict), lines[1]);
        QCOMPARE(QString::fromStdString(micLine->verdict), lines[2]);
    }

    void pausesTheMusicAndLeavesTheCaptureAsItWas_data() {
        QTest::addColumn<bool>("music");
        QTest::addColumn<bool>("capture");
        QTest::addColumn<bool>("sixteenBit");
        QTest::addColumn<int>("starts"); // capture starts for the test and after it
        QTest::newRow("music and 16-bit capture running") << true << true << true << 0;
        // Recorded 16-bit for the test, and back at the window's 8 bits afterwards.
        QTest::newRow("music and 8-bit capture running") << true << true << false << 2;
        QTest::newRow("both stopped") << false << false << false << 1;
    }
    void pausesTheMusicAndLeavesTheCaptureAsItWas() {
        QFETCH(bool, music);
        QFETCH(bool, capture);
        QFETCH(bool, sixteenBit);
        QFETCH(int, starts);
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        form->CheckBox1->setChecked(sixteenBit);
        if (music) {
            form->Button3->click();
        }
        if (capture) {
            form->Button1->click();
        }
        const int startsBefore = fake->captureStarts;
        form->startSelfTest();
        QVERIFY(!fake->musicPlaying()); // paused while the tones play
        QVERIFY(form->captureSixteenBit());
        QTRY_VERIFY_WITH_TIMEOUT(!form->selfTestRunning(), 10000);

        QCOMPARE(fake->musicPlaying(), music);
        if (music) {
            // Started once from the beginning by the user, then resumed where it was paused.
            QCOMPARE(fake->musicPlays, (std::vector<bool>{true, false}));
        }
        QCOMPARE(form->captureRunning(), capture);
        QCOMPARE(fake->captureOpen(), capture);
        QCOMPARE(fake->captureStarts, startsBefore + starts);
        QCOMPARE(form->Button1->isEnabled(), !capture);
        if (capture) {
            QCOMPARE(form->captureSixteenBit(), sixteenBit);
        }
    }

    void runsByItselfDuringTheFullTest_data() {
        QTest::addColumn<bool>("fullTest");
        QTest::newRow("full test") << true;
        QTest::newRow("opened alone") << false;
    }
    void runsByItselfDuringTheFullTest() {
        QFETCH(bool, fullTest);
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        FullTestRunning = fullTest;
        // The full test starts capture and playback before it shows the window.
        form->Button1->click();
        form->Button3->click();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::qWait(50);
        QCOMPARE(form->selfTestRunning(), fullTest);
        if (fullTest) {
            QTRY_VERIFY_WITH_TIMEOUT(!form->selfTestRunning(), 10000);
            QCOMPARE(services.results.linesOf("audio").size(), std::size_t(3));
            QVERIFY(form->captureRunning());
            QVERIFY(fake->musicPlaying());
        }
        FullTestRunning = false;
        form->close();
    }

    void closingCancelsARunningTest() {
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        form->show();
        form->startSelfTest();
        QTest::qWait(200);
        form->close();
        QVERIFY(!form->selfTestRunning());
        QVERIFY(!fake->captureOpen());
        QVERIFY(services.results.linesOf("audio").empty()); // half a test judges nothing
    }

    void withoutAnInputItEndsAndSaysSo_data() {
        QTest::addColumn<bool>("deviceListed");
        QTest::addColumn<QString>("microphone");
        QTest::addColumn<int>("judgement");
        QTest::newRow("device that records nothing")
            << true << "Микрофон: запись слишком коротка для проверки" << int(results::Verdict::None);
        // No recording device at all is the microphone's own fault.
        QTest::newRow("no recording device")
            << false << "Микрофон: не найден — в системе нет устройства записи" << int(results::Verdict::Bad);
    }
    void withoutAnInputItEndsAndSaysSo() {
        QFETCH(bool, deviceListed);
        QFETCH(QString, microphone);
        QFETCH(int, judgement);
        AppServices services;
        testing::FakeSoundService* fake = nullptr;
        auto form = makeForm(services, fake);
        fake->hasInput = false;
        if (!deviceListed) {
            fake->devices.clear();
        }
        form->startSelfTest();
        QTRY_VERIFY_WITH_TIMEOUT(!form->selfTestRunning(), 10000);
        QCOMPARE(fake->clipsPlayed, 0);
        QCOMPARE(shown(*form).last(), microphone);
        QVERIFY(!form->captureRunning());
        const auto* micLine = services.results.find("audio", "microphone");
        QVERIFY(micLine != nullptr);
        QCOMPARE(int(micLine->judgement), judgement);
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorded_;
};

QTEST_MAIN(SoundSelfTestTest)
#include "SoundSelfTestTest.moc"
