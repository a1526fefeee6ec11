// The self-test on the test desktop's sound server: the null sink heard through the microphone remapped from
// its monitor (with the room noise the test desktop plays into the sink, or it would be a loopback), a sink
// that routes only its left channel on, and a muted microphone.  The sound back end reads
// the default devices once per process, so each case runs the window in a child process started after the
// devices were set up.

#include "PulseHelpers.h"
#include "audio/SoundForm.h"
#include "ui/Dialogs.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>

using namespace vexlin;

namespace {

const QString kChild = "--run-self-test";

QString loadModule(const QStringList& arguments) {
    QProcess load;
    load.start("pactl", QStringList{"load-module"} + arguments);
    if (load.waitForFinished(5000) && load.exitCode() == 0) {
        return QString::fromUtf8(load.readAllStandardOutput()).trimmed();
    }
    return {};
}

// The devices of one case, set up for the life of the object and put back afterwards.
class Devices {
public:
    explicit Devices(const QString& setup) {
        if (setup == "left only") {
            // Its right channel goes to a channel the null sink does not have, so nothing of it is heard.
            module_ = loadModule({"module-remap-sink", "sink_name=vexlin_left_only", "master=testsink",
                                  "channels=2", "channel_map=front-left,front-right",
                                  "master_channel_map=front-left,aux0", "remix=no"});
            ok_ = !module_.isEmpty() && testing::pactl({"set-default-sink", "vexlin_left_only"});
        } else if (setup == "muted microphone") {
            muted_ = true;
            ok_ = testing::pactl({"set-source-mute", "testmic", "1"});
        }
    }
    ~Devices() {
        if (!module_.isEmpty()) {
            testing::pactl({"set-default-sink", "testsink"});
            testing::pactl({"unload-module", module_});
        }
        if (muted_) {
            testing::pactl({"set-source-mute", "testmic", "0"});
        }
    }
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;
    bool ok() const { return ok_; }

private:
    QString module_;
    bool muted_ = false;
    bool ok_ = true;
};

} // namespace

class SoundSelfTestPulseTest : public QObject {
    Q_OBJECT

private slots:
    void verdictsOnRealDevices_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("microphone");
        QTest::newRow("null sink and its monitor") << ""
                                                   << "Левый канал: слышен"
                                                   << "Правый канал: слышен"
                                                   << "Микрофон: сигнал есть";
        QTest::newRow("sink without its right channel") << "left only"
                                                        << "Левый канал: слышен"
                                                        << "Правый канал: не слышен"
                                                        << "Микрофон: сигнал есть";
        QTest::newRow("muted microphone") << "muted microphone"
                                          << "Левый канал: не проверен"
                                          << "Правый канал: не проверен"
                                          << "Микрофон: тишина — не подключён или выключен";
    }
    void verdictsOnRealDevices() {
        QFETCH(QString, setup);
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QString, microphone);
        if (!testing::testDesktopAudio()) {
            VEXLIN_NEEDS_TEST_DESKTOP("needs the test desktop's sound server (scripts/headless-desktop.sh)");
        }
        Devices devices(setup);
        QVERIFY2(devices.ok(), "could not set up the devices");
        // Captured data comes in time only while a low-latency recorder reads the monitor.
        testing::Recorder pace("testsink.monitor");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {kChild});
        QVERIFY(child.waitForStarted(5000));
        if (!child.waitForFinished(30000)) {
            child.kill();
            child.waitForFinished(3000);
            QFAIL("the self-test did not finish");
        }
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n');
        qInfo("%s", qPrintable(lines.join(" | ")));
        // Verdicts on the channels come with the note on what a mono recording cannot tell.
        QCOMPARE(lines.size(), left.endsWith("слышен") ? 4 : 3);
        QVERIFY2(lines[0].startsWith(left), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(right), qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(microphone), qPrintable(lines[2]));
    }
};

namespace {

// The child: the audio window with the real sound service runs one self-test and prints its three lines.
int runChild() {
    ScopedRecordingDialogs quiet;
    AppServices services;
    TSoundForm form(services);
    form.show();
    form.startSelfTest();
    QElapsedTimer clock;
    clock.start();
    while (form.selfTestRunning() && clock.elapsed() < 20000) {
        QTest::qWait(50);
    }
    if (qEnvironmentVariableIsSet("VEXLIN_SCREENSHOT_DIR")) {
        form.grab().save(qEnvironmentVariable("VEXLIN_SCREENSHOT_DIR") + "/sound-form-self-test.png");
    }
    QTextStream(stdout) << form.SelfTestLabel->text() << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 2 && QString(argv[1]) == kChild) {
        return runChild();
    }
    SoundSelfTestPulseTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "SoundSelfTestPulseTest.moc"
