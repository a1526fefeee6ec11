// The audio window when the device under a running stream goes away (FakeSoundService loses it as a real one
// does: streams closed first, then the window told): what it says, what it stops, and that the same buttons
// work again once a device is back.

#include "FakeSoundService.h"
#include "audio/SoundForm.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace vexlin;

class SoundDeviceLossTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FullTestRunning = false;
        recorded_ = std::make_unique<ScopedRecordingDialogs>();
    }
    void cleanup() { recorded_.reset(); }

    void stopsWithAWordAndStartsAgain_data() {
        QTest::addColumn<QString>("running"); // what runs when the device goes: capture, music or selftest
        QTest::addColumn<bool>("input");      // the microphone goes, else the speakers
        QTest::addColumn<QString>("label");   // where the window says so
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("musicAfter"); // the music plays on afterwards
        QTest::newRow("MicrophoneWhileRecording") << "capture" << true << "Label3"
                                                  << "Устройство отключено" << false;
        QTest::newRow("SpeakersWhileMusicPlays") << "music" << false << "SelfTestLabel"
                                                 << "Музыка остановлена: устройство отключено" << false;
        // The music paused for the self-test comes back on speakers that are still there, and only then.
        QTest::newRow("MicrophoneDuringSelfTest") << "selftest" << true << "SelfTestLabel"
                                                  << "Автотест: устройство отключено" << true;
        QTest::newRow("SpeakersDuringSelfTest") << "selftest" << false << "SelfTestLabel"
                                                << "Автотест: устройство отключено" << false;
    }
    void stopsWithAWordAndStartsAgain() {
        QFETCH(QString, running);
        QFETCH(bool, input);
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(bool, musicAfter);
        AppServices services;
        auto owned = std::make_unique<testing::FakeSoundService>();
        testing::FakeSoundService* fake = owned.get();
        services.sound = std::move(owned);
        TSoundForm form(services);

        if (running == "capture") {
            form.Button1->click();
            QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= 2, 5000);
        } else {
            form.Button3->click();
            QVERIFY(fake->musicPlaying());
        }
        if (running == "selftest") {
            // An earlier verdict that must not stand for this run.
            services.results.put({.source = "audio", .key = "left_channel", .verdict = "слышен"});
            form.startSelfTest();
            QTRY_COMPARE_WITH_TIMEOUT(fake->clipsPlayed, 1, 5000);
        }

        fake->loseDevice(input ? audio::LostDevice::Input : audio::LostDevice::Output);

        QCOMPARE(form.findChild<QLabel*>(label)->text(), text);
        if (qEnvironmentVariableIsSet("VEXLIN_SCREENSHOT_DIR")) {
            form.grab().save(qEnvironmentVariable("VEXLIN_SCREENSHOT_DIR") + "/sound-form-lost-" +
                             QTest::currentDataTag() + ".png");
        }
        QVERIFY(!form.selfTestRunning());
        QCOMPARE(fake->musicPlaying(), musicAfter);
        QCOMPARE(form.Button3->isEnabled(), !musicAfter);
        QCOMPARE(form.Button4->isEnabled(), musicAfter);
        if (input || running == "selftest") {
            QVERIFY(!form.captureRunning());
            QVERIFY(!fake->captureOpen());
            QVERIFY(form.Button1->isEnabled());
            QVERIFY(!form.Button2->isEnabled());
        }
        if (running == "selftest") {
            QVERIFY(services.results.find("audio", "left_channel") == nullptr);
            const results::ResultLine* line = services.results.find("audio", "self_test");
            QVERIFY(line != nullptr);
            QCOMPARE(line->verdict, std::string("устройство отключено"));
            QVERIFY(!form.selfTestFindings().measured);
        }
        QVERIFY(recorded_->shown().empty()); // said in the window, not in a box that waits for a click

        // A device is back: the same buttons work, and the word of the loss goes.
        fake->hasInput = true;
        if (running == "selftest") {
            form.startSelfTest();
            QTRY_VERIFY_WITH_TIMEOUT(!form.selfTestRunning(), 10000);
            QVERIFY2(!form.SelfTestLabel->text().contains("отключено"),
                     qPrintable(form.SelfTestLabel->text()));
            QVERIFY(services.results.find("audio", "left_channel") != nullptr);
        } else if (input) {
            const std::uint64_t before = form.buffersDrawn();
            form.Button1->click();
            QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= before + 2, 5000);
            QVERIFY(form.Label3->text().isEmpty());
        } else {
            form.Button3->click();
            QVERIFY(fake->musicPlaying());
            QVERIFY(form.SelfTestLabel->text().isEmpty());
            QVERIFY(form.Button4->isEnabled());
        }
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorded_;
};

QTEST_MAIN(SoundDeviceLossTest)
#include "SoundDeviceLossTest.moc"
