// The audio window over the real sound service when the sound server loses the device in use: the test runs
// a sound server of its own (nothing else plays or records through it), with a null sink and a microphone
// fed from it, and unloads the module of the one in use while the window records, plays or runs its
// self-test.  The window must say so within a moment, stay responsive, and start again once the module is
// loaded back.

#include "PulseHelpers.h"
#include "audio/QtSoundService.h"
#include "audio/SoundForm.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace vexlin;

namespace {

QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A sound server for this test alone: its socket in a directory of its own, named to every client of this
// process (the sound service, pactl, parec) through PULSE_SERVER.
class OwnSoundServer {
public:
    bool start() {
        if (!dir_.isValid()) {
            return false;
        }
        QProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", dir_.path());
        environment.insert("HOME", dir_.path());
        environment.remove("PULSE_SERVER");
        // Off the session bus, where the test desktop's server holds the sound server's name already.
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        server.setProcessEnvironment(environment);
        server.start("pulseaudio", {"--daemonize=yes", "-n", "--exit-idle-time=-1", "--log-target=stderr",
                                    "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket()});
        if (!server.waitForFinished(15000) || server.exitCode() != 0) {
            return false;
        }
        qputenv("PULSE_SERVER", ("unix:" + socket()).toUtf8());
        started_ = true;
        for (int i = 0; i < 100 && !testing::pactl({"info"}); ++i) {
            QThread::msleep(50);
        }
        return testing::pactl({"info"});
    }
    ~OwnSoundServer() {
        if (!started_) {
            return;
        }
        // Gone before its directory is removed.
        QProcess kill;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", dir_.path());
        environment.insert("HOME", dir_.path());
        kill.setProcessEnvironment(environment);
        kill.start("pulseaudio", {"--kill"});
        kill.waitForFinished(5000);
        for (int i = 0; i < 100 && testing::pactl({"info"}); ++i) {
            QThread::msleep(50);
        }
    }

private:
    QString socket() const { return dir_.filePath("native"); }

    QTemporaryDir dir_;
    bool started_ = false;
};

OwnSoundServer* server = nullptr;

} // namespace

class SoundDeviceLossPulseTest : public QObject {
    Q_OBJECT

    // The speakers and the microphone of the test's server; both again after a loss.
    bool plugIn() {
        unplug(true);
        speakers_ = output(
            "pactl", {"load-module", "module-null-sink", "sink_name=losssink", "rate=44100", "channels=2"});
        microphone_ = output("pactl", {"load-module", "module-remap-source", "master=losssink.monitor",
                                       "source_name=lossmic"});
        if (speakers_.isEmpty() || microphone_.isEmpty() ||
            !testing::pactl({"set-default-sink", "losssink"}) ||
            !testing::pactl({"set-default-source", "lossmic"})) {
            return false;
        }
        // Recorded alongside, the null sink hands out its data as it plays rather than in bursts.
        recorder_ = std::make_unique<testing::Recorder>("losssink.monitor");
        return recorder_->running();
    }
    void unplug(bool both) {
        if (both) {
            recorder_.reset();
        }
        for (QString* module : {&microphone_, &speakers_}) {
            if (!module->isEmpty() && (both || module == &microphone_)) {
                testing::pactl({"unload-module", *module});
                module->clear();
            }
        }
    }

private slots:
    void initTestCase() {
        if (server == nullptr) {
            VEXLIN_NEEDS_TEST_DESKTOP("no sound server of the test's own could be started");
        }
        FullTestRunning = false;
    }
    void init() {
        QVERIFY(plugIn());
        recorded_ = std::make_unique<ScopedRecordingDialogs>();
    }
    void cleanup() {
        recorded_.reset();
        unplug(true);
    }

    void saysSoAndStartsAgain_data() {
        QTest::addColumn<QString>("running"); // capture, music or selftest
        QTest::addColumn<bool>("speakers");   // the sink's module goes (and its microphone with it)
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::newRow("MicrophoneWhileRecording") << "capture" << false << "Label3"
                                                  << "Устройство отключено";
        QTest::newRow("SpeakersWhileMusicPlays") << "music" << true << "SelfTestLabel"
                                                 << "Музыка остановлена: устройство отключено";
        QTest::newRow("MicrophoneDuringSelfTest") << "selftest" << false << "SelfTestLabel"
                                                  << "Автотест: устройство отключено";
    }
    void saysSoAndStartsAgain() {
        QFETCH(QString, running);
        QFETCH(bool, speakers);
        QFETCH(QString, label);
        QFETCH(QString, text);
        AppServices services;
        services.sound = std::make_unique<QtSoundService>(nullptr, std::chrono::milliseconds(0));
        TSoundForm form(services, nullptr, VEXLIN_SOURCE_DIR "/data/FruitCocktail.mp3");
        form.show();

        if (running == "music") {
            form.Button3->click();
            QVERIFY(services.sound->musicPlaying());
        } else if (running == "capture") {
            form.Button1->click();
        } else {
            form.startSelfTest();
        }
        if (running != "music") {
            QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= 3, 10000);
        }

        unplug(speakers);
        QTRY_COMPARE_WITH_TIMEOUT(form.findChild<QLabel*>(label)->text(), text, 5000);
        QVERIFY(!form.selfTestRunning());
        QVERIFY(!form.captureRunning());
        QVERIFY(!services.sound->captureOpen());
        QVERIFY(!services.sound->musicPlaying());
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(form.Button3->isEnabled());

        QVERIFY(plugIn());
        if (running == "music") {
            form.Button3->click();
            QVERIFY(recorded_->shown().empty());
            QVERIFY(services.sound->musicPlaying());
            return;
        }
        const std::uint64_t before = form.buffersDrawn();
        if (running == "capture") {
            form.Button1->click();
            QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= before + 3, 10000);
            QVERIFY(form.Label3->text().isEmpty());
        } else {
            form.startSelfTest();
            QTRY_VERIFY_WITH_TIMEOUT(!form.selfTestRunning(), 15000);
            QVERIFY2(!form.SelfTestLabel->text().contains("отключено"),
                     qPrintable(form.SelfTestLabel->text()));
            QVERIFY(form.buffersDrawn() > before);
        }
    }

private:
    QString speakers_;
    QString microphone_;
    std::unique_ptr<testing::Recorder> recorder_;
    std::unique_ptr<ScopedRecordingDialogs> recorded_;
};

int main(int argc, char** argv) {
    // Before anything of the sound back end starts: it connects to the server named then.
    OwnSoundServer own;
    if (own.start()) {
        server = &own;
    }
    QApplication app(argc, argv);
    SoundDeviceLossPulseTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "SoundDeviceLossPulseTest.moc"
