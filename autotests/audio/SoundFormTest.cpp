// The audio test window on the test desktop: its controls, restart rules, close handler, and real capture
// and playback against the sound server's null sink ("testsink") and the microphone fed from it ("testmic").

#include "audio/SoundForm.h"

#include "PulseHelpers.h"
#include "audio/CaptureFormat.h"
#include "audio/Mp3Decoder.h"
#include "audio/MusicPlayer.h"
#include "audio/WaveformBox.h"
#include "support/FakeClock.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QAudioSink>
#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMediaDevices>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

using namespace vexlin;

namespace {

using vexlin::testing::FakeClock;

// A sine played into the default output for as long as the object lives.
class Tone {
public:
    explicit Tone(double hz, double seconds = 8.0) {
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        const int frames = static_cast<int>(seconds * 44100);
        data_.resize(frames * 4);
        auto* out = reinterpret_cast<qint16*>(data_.data());
        for (int i = 0; i < frames; ++i) {
            const auto v = static_cast<qint16>(16000 * std::sin(2 * M_PI * hz * i / 44100.0));
            out[2 * i] = v;
            out[2 * i + 1] = v;
        }
        buffer_.setData(data_);
        buffer_.open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
        sink_->start(&buffer_);
    }
    ~Tone() { sink_->stop(); }

private:
    QByteArray data_;
    QBuffer buffer_;
    std::unique_ptr<QAudioSink> sink_;
};

int spread(const std::vector<audio::WavePoint>& points) {
    if (points.empty()) {
        return 0;
    }
    const auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                                 [](const auto& a, const auto& b) { return a.y < b.y; });
    return high->y - low->y;
}

double rms(const std::vector<std::int16_t>& interleaved, std::size_t firstFrame, std::size_t frames,
           int channel) {
    double sum = 0;
    for (std::size_t i = firstFrame; i < firstFrame + frames; ++i) {
        const double v = interleaved[2 * i + static_cast<std::size_t>(channel)];
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(frames));
}

// The first frame whose left sample is louder than `threshold`.
std::size_t onset(const std::vector<std::int16_t>& interleaved, int threshold) {
    for (std::size_t i = 0; i + 1 < interleaved.size(); i += 2) {
        if (std::abs(interleaved[i]) > threshold) {
            return i / 2;
        }
    }
    return interleaved.size() / 2;
}

const QString kQuietChild = "--stop-with-quiet-input";

// A recording device that never delivers a byte, for the life of the object the only one there is (the sound
// back end does not always follow a changed default, but it has to take the only microphone).  The test
// desktop's own microphone comes back afterwards.
class QuietMicrophone {
public:
    QuietMicrophone() {
        fifo_ = QDir::temp().absoluteFilePath(
            QString("vexlin-quiet-mic-%1").arg(QCoreApplication::applicationPid()));
        module_ = loadModule({"module-pipe-source", "source_name=vexlin_quiet_mic", "file=" + fifo_,
                              "format=s16le", "rate=22050", "channels=1"});
        if (loaded()) {
            testing::pactl({"unload-module", "module-remap-source"});
            testing::pactl({"set-default-source", "vexlin_quiet_mic"});
        }
    }
    ~QuietMicrophone() {
        if (loaded()) {
            loadModule({"module-remap-source", "master=testsink.monitor", "source_name=testmic"});
            testing::pactl({"set-default-source", "testmic"});
            testing::pactl({"unload-module", module_});
        }
        QFile::remove(fifo_);
    }
    QuietMicrophone(const QuietMicrophone&) = delete;
    QuietMicrophone& operator=(const QuietMicrophone&) = delete;
    bool loaded() const { return !module_.isEmpty(); }

private:
    static QString loadModule(const QStringList& arguments) {
        QProcess load;
        load.start("pactl", QStringList{"load-module"} + arguments);
        if (load.waitForFinished(5000) && load.exitCode() == 0) {
            return QString::fromUtf8(load.readAllStandardOutput()).trimmed();
        }
        return {};
    }

    QString fifo_;
    QString module_;
};

} // namespace

class SoundFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FullTestRunning = false;
        FullTestStep = 0;
        // No test may block on a message box; those that expect one read it from here.
        recorded_ = std::make_unique<ScopedRecordingDialogs>();
    }
    void cleanup() {
        FullTestRunning = false;
        recorded_.reset();
    }

    void createsItsControls() {
        AppServices services;
        TSoundForm form(services);
        QCOMPARE(form.windowTitle(), QString("Тест микрофона и звуковой карты"));
        QCOMPARE(form.Button1->text(), QString("Start"));
        QCOMPARE(form.Button2->text(), QString("Stop"));
        QCOMPARE(form.CheckBox1->text(), QString("16 / 8 bit"));
        QCOMPARE(form.Label1->text(), QString("   Левый канал"));
        QCOMPARE(form.Label2->text(), QString("   Правый канал"));
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(!form.Button2->isEnabled());
        QVERIFY(form.Button3->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
        QCOMPARE(form.TrackBar1->maximum(), 10);
        QCOMPARE(form.TrackBar2->maximum(), 65535);
        QCOMPARE(form.TrackBar3->maximum(), 65535);
        QVERIFY(form.sound().musicOpen());
        QVERIFY2(recorded_->shown().empty(),
                 "the music did not open (the test runs from the repository root)");
        QVERIFY(form.findChild<QListWidget*>("ListBox1") == form.ListBox1);
    }

    void listsEveryRecordingDeviceWithItsFormats() {
        const auto inputs = QMediaDevices::audioInputs();
        if (inputs.isEmpty()) {
            VEXLIN_NEEDS_TEST_DESKTOP("no recording device on this desktop");
        }
        AppServices services;
        TSoundForm form(services);
        QVERIFY2(form.ListBox1->count() > 0, "the window lists no recording device");
        QCOMPARE(form.ListBox1->item(0)->text(), inputs.first().description());
        QStringList lines;
        for (int i = 0; i < form.ListBox1->count(); ++i) {
            lines << form.ListBox1->item(i)->text();
        }
        for (const QAudioDevice& input : inputs) {
            QVERIFY2(lines.contains(input.description()), qPrintable(input.description()));
        }
        // The capture format itself must be listed for a device that can record it.
        QVERIFY(lines.contains("22.05 kHz, mono, 16-bit"));
    }

    void missingMusicKeepsTheMicrophoneHalf() {
        const ScopedRecordingDialogs& recorded = *recorded_;
        AppServices services;
        TSoundForm reference(services);
        const std::filesystem::path missing = std::filesystem::path(VEXLIN_FIXTURES) / "no-such-music.mp3";
        TSoundForm form(services, nullptr, missing);

        QCOMPARE(recorded.shown().size(), std::size_t(1));
        QVERIFY(recorded.shown()[0].text.contains(QString::fromStdString(missing.string())));
        QCOMPARE(form.ListBox1->count(), reference.ListBox1->count());
        if (!QMediaDevices::audioInputs().isEmpty()) {
            QVERIFY(form.ListBox1->count() > 0);
        }
        QCOMPARE(form.Button1->text(), QString("Start"));
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(!form.Button2->isEnabled());

        form.Button3->click();
        QCOMPARE(recorded.shown().size(), std::size_t(2));
        QVERIFY(recorded.shown()[1].text.contains("не открыт"));
        QVERIFY(form.Button3->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
        QVERIFY(!form.sound().musicPlaying());
    }

    void restartsOnlyWhileRecording_data() {
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QString>("control");
        QTest::newRow("16/8 bit while recording") << true << "CheckBox1";
        QTest::newRow("track bar while recording") << true << "TrackBar1";
        QTest::newRow("16/8 bit while idle") << false << "CheckBox1";
        QTest::newRow("track bar while idle") << false << "TrackBar1";
    }
    void restartsOnlyWhileRecording() {
        QFETCH(bool, recording);
        QFETCH(QString, control);
        AppServices services;
        TSoundForm form(services);
        if (recording) {
            form.Button1->click();
            QVERIFY(form.captureRunning());
        }
        const int startsBefore = form.captureStarts();
        if (control == "CheckBox1") {
            form.CheckBox1->click();
        } else {
            form.TrackBar1->setValue(10);
        }

        if (!recording) {
            QCOMPARE(form.captureStarts(), startsBefore);
            QVERIFY(!form.captureRunning());
            // The change applies at the next start.
            form.Button1->click();
        } else {
            QCOMPARE(form.captureStarts(), startsBefore + 1);
        }
        QVERIFY(form.captureRunning());
        QCOMPARE(form.captureSixteenBit(), control == "CheckBox1");
        QCOMPARE(form.captureBufferSamples(), control == "TrackBar1" ? 5100 : 100);
        QVERIFY(!form.Button1->isEnabled());
        QVERIFY(form.Button2->isEnabled());
        form.Button2->click();
        QVERIFY(!form.captureRunning());
    }

    void closeStopsAndResets_data() {
        QTest::addColumn<bool>("fullTest");
        QTest::addColumn<bool>("optionTicked");
        QTest::addColumn<int>("expectedStep");
        QTest::addColumn<bool>("expectedClock");
        QTest::newRow("full test") << true << true << 28 << false;
        QTest::newRow("alone, option ticked") << false << true << 3 << true;
        QTest::newRow("alone, option not ticked") << false << false << 3 << false;
    }
    void closeStopsAndResets() {
        QFETCH(bool, fullTest);
        QFETCH(bool, optionTicked);
        QFETCH(int, expectedStep);
        QFETCH(bool, expectedClock);
        FakeClock clock;
        clock.ticked = optionTicked;
        AppServices services;
        services.clock = &clock;
        TSoundForm form(services);
        form.TrackBar1->setValue(4);
        form.CheckBox1->setChecked(true);
        form.TrackBar2->setValue(1000);
        FullTestRunning = fullTest;
        FullTestStep = 3;

        // The full test presses both start buttons before the window is shown.
        form.Button1->click();
        form.Button3->click();
        QVERIFY(form.captureRunning());
        QVERIFY(form.sound().musicPlaying());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.close();

        QVERIFY(!form.isVisible());
        QVERIFY(!form.captureRunning());
        QVERIFY(!form.sound().musicPlaying());
        QCOMPARE(form.TrackBar1->value(), 0);
        QVERIFY(!form.CheckBox1->isChecked());
        QCOMPARE(form.TrackBar2->value(), 1000); // the volume is the user's, not reset
        QCOMPARE(form.captureStarts(), 1);       // the resets restarted nothing
        QVERIFY(form.Button1->isEnabled());
        QVERIFY(!form.Button2->isEnabled());
        QVERIFY(form.Button3->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
        QCOMPARE(FullTestStep, expectedStep);
        QCOMPARE(clock.running, expectedClock);
    }

    void volumeWordFollowsTheTrackBars() {
        AppServices services;
        TSoundForm form(services);
        QVERIFY(!form.sound().volumeWord().has_value()); // full stream volume until one is moved
        form.TrackBar2->setValue(65535);
        QCOMPARE(*form.sound().volumeWord(), 0x0000FFFFu);
        form.TrackBar3->setValue(16384);
        QCOMPARE(*form.sound().volumeWord(), 0x4000FFFFu);
        form.TrackBar2->setValue(0);
        QCOMPARE(*form.sound().volumeWord(), 0x40000000u);
    }

    // --- against the test desktop's sound server
    // ------------------------------------------------------------

    void silenceDrawsAFlatLineThroughTheMiddle_data() {
        QTest::addColumn<bool>("sixteenBit");
        QTest::newRow("16 bit") << true;
        QTest::newRow("8 bit") << false;
    }
    void silenceDrawsAFlatLineThroughTheMiddle() {
        QFETCH(bool, sixteenBit);
        requireTestDesktopAudio();
        testing::Recorder pace("testsink.monitor");
        AppServices services;
        TSoundForm form(services);
        form.CheckBox1->setChecked(sixteenBit);
        form.Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= 3, 5000);
        const int middle = form.PaintBox1->height() / 2;
        for (const audio::WavePoint& p : form.waveformPoints()) {
            QCOMPARE(p.y, middle);
        }
        form.Button2->click();
    }

    void toneDrawsALiveWaveform() {
        requireTestDesktopAudio();
        testing::Recorder pace("testsink.monitor");
        AppServices services;
        TSoundForm form(services);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.CheckBox1->setChecked(true);
        form.TrackBar1->setValue(2); // 1100 samples: five cycles of 100 Hz per buffer
        form.Button1->click();
        Tone tone(100.0);
        QTRY_VERIFY_WITH_TIMEOUT(spread(form.waveformPoints()) > form.PaintBox1->height() / 3, 5000);
        QVERIFY(spread(form.waveformPoints()) <= form.PaintBox1->height());

        // The picture on screen is the waveform: dark pixels above and below the middle line.
        QTest::qWait(100);
        const QImage picture = form.PaintBox1->picture();
        int darkRows = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (qGray(picture.pixel(x, y)) < 64) {
                    ++darkRows;
                    break;
                }
            }
        }
        QVERIFY2(darkRows > picture.height() / 3, qPrintable(QString::number(darkRows)));
        if (qEnvironmentVariableIsSet("VEXLIN_SCREENSHOT_DIR")) {
            form.grab().save(qEnvironmentVariable("VEXLIN_SCREENSHOT_DIR") + "/sound-form-live.png");
        }

        // The stop waits for the buffer in flight and draws it.
        const std::uint64_t before = form.buffersDrawn();
        form.Button2->click();
        QVERIFY(form.buffersDrawn() > before);
        QVERIFY(!form.captureRunning());
    }

    void keepsUpWithTheSmallestBuffers() {
        requireTestDesktopAudio();
        testing::Recorder pace("testsink.monitor");
        AppServices services;
        TSoundForm form(services);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Button1->click(); // position 0: 100-sample buffers, about 220 a second
        QTRY_VERIFY_WITH_TIMEOUT(form.buffersDrawn() >= 1, 5000);
        const std::uint64_t first = form.buffersDrawn();
        QElapsedTimer clock;
        clock.start();
        qint64 worstBacklog = 0;
        while (clock.elapsed() < 2000) {
            QTest::qWait(50);
            worstBacklog = std::max(worstBacklog, form.captureBacklogBytes());
        }
        const double perSecond = static_cast<double>(form.buffersDrawn() - first) * 1000.0 / clock.elapsed();
        form.Button2->click();
        qInfo("%.1f buffers drawn a second, worst backlog %lld bytes", perSecond, worstBacklog);
        // 22050 / 100 = 220.5 buffers a second come in; all of them must be drawn, with no queue building up.
        QVERIFY2(perSecond > 180 && perSecond < 260, qPrintable(QString::number(perSecond)));
        QVERIFY2(worstBacklog < 22050 / 4, qPrintable(QString::number(worstBacklog)));
    }

    void stopReturnsPromptlyWhenTheInputDeliversNothing_data() {
        QTest::addColumn<int>("position");
        QTest::newRow("smallest buffer") << 0;
        QTest::newRow("largest buffer") << 10;
    }
    void stopReturnsPromptlyWhenTheInputDeliversNothing() {
        QFETCH(int, position);
        requireTestDesktopAudio();
        // A microphone that opens fine and then stays silent for ever: a pipe source nobody writes into.  The
        // sound back end reads the default device once per process, so the window runs in a child process
        // started after the quiet microphone became the default.
        QuietMicrophone quiet;
        QVERIFY2(quiet.loaded(), "could not load module-pipe-source");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {kQuietChild, QString::number(position)});
        QVERIFY(child.waitForStarted(5000));
        if (!child.waitForFinished(30000)) {
            child.kill();
            child.waitForFinished(3000);
            QFAIL("the stop hung with an input that delivers nothing");
        }
        const QString report = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        QVERIFY2(report.startsWith("device=vexlin_quiet_mic "), qPrintable(report));
        const QStringList fields = report.split(' ');
        QCOMPARE(fields.size(), 4);
        const qint64 took = fields[1].section('=', 1).toLongLong();
        QCOMPARE(fields[2], QString("drawn=0"));
        QCOMPARE(fields[3], QString("running=0"));
        // A hang guard, not a speed budget: the stop gives up after a few buffer durations.
        const int bound = audio::stopWaitLimitMs(audio::captureBufferSamples(position)) + 500;
        qInfo("stop with a quiet input took %lld ms (bound %d ms)", took, bound);
        QVERIFY2(took < bound, qPrintable(QString("%1 ms, bound %2 ms").arg(took).arg(bound)));
    }

    void musicStartsOverAtItsEnd() {
        requireTestDesktopAudio();
        MusicPlayer player;
        // Half a second of tone, so the end comes round quickly.
        QVERIFY(player.open(std::filesystem::path(VEXLIN_FIXTURES) / "tone-mono-22050.mp3").empty());
        QVERIFY(player.play().empty());
        QTRY_VERIFY_WITH_TIMEOUT(player.loop().loopsCompleted() >= 2, 5000);
        QVERIFY(player.isPlaying());
        // Start again begins at the start.
        QVERIFY(player.play().empty());
        QVERIFY(player.loop().loopsCompleted() < 2);
        player.stop();
        QVERIFY(!player.isPlaying());
    }

    void musicPlaysLeftAndRightAtTheirOwnVolume() {
        requireTestDesktopAudio();
        const audio::DecodeResult source =
            audio::decodeMp3File(std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3");
        QVERIFY2(source.ok(), source.error.c_str());
        QCOMPARE(source.pcm.rate, 44100);

        testing::Recorder recorder("testsink.monitor");
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.samples().empty(), 5000);
        AppServices services;
        TSoundForm form(services);
        form.Button3->click();
        QVERIFY(form.sound().musicPlaying());
        // Moved while the music plays: the gains apply to what follows.
        QTest::qWait(300);
        form.TrackBar2->setValue(65535);
        form.TrackBar3->setValue(16384);
        QTest::qWait(3200);
        const std::vector<std::int16_t> recorded = recorder.samples();
        form.Button4->click();
        QVERIFY(!form.sound().musicPlaying());

        // Line the recording up with the tune by the first loud note on the left (full volume throughout the
        // measured part), then compare a stretch well after the track bars moved.
        const std::size_t recordedStart = onset(recorded, 2000);
        const std::size_t sourceStart = onset(source.pcm.samples, 2000);
        const std::size_t skip = 44100;   // 1 s: the volume change is heard by then
        const std::size_t frames = 66150; // 1.5 s
        QVERIFY2(
            recordedStart + skip + frames <= recorded.size() / 2,
            qPrintable(
                QString("recorded %1 frames, music from %2").arg(recorded.size() / 2).arg(recordedStart)));
        const double recLeft = rms(recorded, recordedStart + skip, frames, 0);
        const double recRight = rms(recorded, recordedStart + skip, frames, 1);
        const double srcLeft = rms(source.pcm.samples, sourceStart + skip, frames, 0);
        const double srcRight = rms(source.pcm.samples, sourceStart + skip, frames, 1);
        QVERIFY(srcLeft > 0 && srcRight > 0 && recRight > 0);

        const double leftGain = recLeft / srcLeft;
        const double rightGain = recRight / srcRight;
        const QString figures = QString("left gain %1, right gain %2").arg(leftGain).arg(rightGain);
        qInfo("%s", qPrintable(figures));
        QVERIFY2(std::abs(leftGain - 1.0) < 0.1, qPrintable(figures));
        const double expectedRatio = 65535.0 / 16384.0;
        QVERIFY2(std::abs(leftGain / rightGain / expectedRatio - 1.0) < 0.1, qPrintable(figures));
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorded_;

    void requireTestDesktopAudio() {
        if (!testing::testDesktopAudio()) {
            VEXLIN_NEEDS_TEST_DESKTOP(
                "needs the test desktop's sound server with its null sink (scripts/headless-desktop.sh)");
        }
    }
};

namespace {

// The child side of stopReturnsPromptlyWhenTheInputDeliversNothing: start recording at a buffer size, stop,
// and report the device, how long the stop took, the buffers drawn and whether capture still runs.
int runQuietChild(int position) {
    AppServices services;
    ScopedRecordingDialogs quietDialogs;
    TSoundForm form(services);
    form.TrackBar1->setValue(position);
    form.Button1->click();
    QTest::qWait(300);
    QElapsedTimer clock;
    clock.start();
    form.Button2->click();
    const qint64 took = clock.elapsed();
    QTextStream(stdout) << "device=" << QMediaDevices::defaultAudioInput().id() << " took=" << took
                        << " drawn=" << form.buffersDrawn() << " running=" << (form.captureRunning() ? 1 : 0)
                        << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == kQuietChild) {
        return runQuietChild(QString(argv[2]).toInt());
    }
    SoundFormTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "SoundFormTest.moc"
