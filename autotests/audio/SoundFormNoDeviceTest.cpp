// The audio test window on a machine without any sound device.  ctest runs this with PULSE_SERVER pointing
// at a socket that does not exist, so the sound server offers no inputs and no outputs.

#include "audio/MusicPlayer.h"
#include "audio/SoundForm.h"
#include "ui/Dialogs.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMediaDevices>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace vexlin;

class SoundFormNoDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!QMediaDevices::audioInputs().isEmpty()) {
            if (qEnvironmentVariableIsSet("VEXLIN_REQUIRE_TEST_DESKTOP")) {
                QFAIL("the sound server was not hidden from this test");
            }
            QSKIP("this desktop has recording devices; run through ctest, which hides the sound server");
        }
    }

    void deviceListStaysEmpty() {
        AppServices services;
        TSoundForm form(services);
        QCOMPARE(form.ListBox1->count(), 0);
    }

    // With nothing to record with, the self-test says so at once, as the microphone's verdict.
    void selfTestFindsNoMicrophone() {
        ScopedRecordingDialogs recorded;
        AppServices services;
        TSoundForm form(services);
        form.startSelfTest();
        QVERIFY(!form.selfTestRunning());
        const QStringList lines = form.SelfTestLabel->text().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QString("Левый канал: не проверен — нет микрофона"));
        QCOMPARE(lines[2], QString("Микрофон: не найден — в системе нет устройства записи"));
        const auto* microphone = services.results.find("audio", "microphone");
        QVERIFY(microphone != nullptr);
        QCOMPARE(microphone->judgement, results::Verdict::Bad);
        QVERIFY(form.SelfTestButton->isEnabled());
    }

    void stopEndsAtOnce_data() {
        QTest::addColumn<int>("position");
        QTest::newRow("smallest buffer") << 0;
        QTest::newRow("largest buffer") << 10;
    }
    void stopEndsAtOnce() {
        QFETCH(int, position);
        AppServices services;
        TSoundForm form(services);
        form.TrackBar1->setValue(position);
        form.Button1->click();
        QVERIFY(form.captureRunning());
        QVERIFY(!form.Button1->isEnabled());
        QElapsedTimer clock;
        clock.start();
        form.Button2->click();
        // A hang guard: with nothing to record from there is nothing to wait for.
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!form.captureRunning());
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(!form.Button2->isEnabled());
        QCOMPARE(form.buffersDrawn(), std::uint64_t(0));
    }

    void musicWithoutAnOutputSaysSo() {
        ScopedRecordingDialogs recorded;
        AppServices services;
        TSoundForm form(services);
        QVERIFY(form.sound().musicOpen()); // the file is fine; only the speakers are missing
        QVERIFY(recorded.shown().empty());
        form.Button3->click();
        QVERIFY(!form.sound().musicPlaying());
        QCOMPARE(recorded.shown().size(), std::size_t(1));
        QVERIFY(recorded.shown()[0].text.contains("устройства вывода"));
        // Not shown as playing when nothing plays.
        QVERIFY(form.Button3->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
        form.close();
        QCOMPARE(recorded.shown().size(), std::size_t(1));
    }

    // The tune is decoded while the windows are built; a file that is there but is no tune is named when it
    // is played, and a file that is not there at once, as before.
    void musicFileThatIsNoTune_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("toldAtOnce");
        QTest::addColumn<QString>("words");
        QTest::newRow("broken") << QString(VEXLIN_FIXTURES "/not-an-mp3.mp3") << false << "нет звука MP3";
        QTest::newRow("missing") << QString(VEXLIN_FIXTURES "/no-such-tune.mp3") << true << "не найден";
    }
    void musicFileThatIsNoTune() {
        QFETCH(QString, file);
        QFETCH(bool, toldAtOnce);
        QFETCH(QString, words);
        ScopedRecordingDialogs recorded;
        AppServices services;
        TSoundForm form(services, nullptr, file.toStdString());
        QCOMPARE(recorded.shown().size(), std::size_t(toldAtOnce ? 1 : 0));
        QVERIFY(!form.sound().musicOpen());
        form.Button3->click();
        QVERIFY(!form.sound().musicPlaying());
        QVERIFY(!recorded.shown().empty());
        QVERIFY2(recorded.shown().back().text.contains(words), qPrintable(recorded.shown().back().text));
        QVERIFY2(recorded.shown().back().text.contains(file), qPrintable(recorded.shown().back().text));
        QVERIFY(form.Button3->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
    }
};

QTEST_MAIN(SoundFormNoDeviceTest)
#include "SoundFormNoDeviceTest.moc"
