#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace vexlin::testing {

// pactl with arguments; true when it ran and succeeded.
inline bool pactl(const QStringList& arguments) {
    QProcess process;
    process.start("pactl", arguments);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Run by ctest (scripts/test.sh), a missing test desktop is a broken set-up that must fail, not a skip that
// would let every sound test pass unseen; run by hand elsewhere, the test is skipped.
#define VEXLIN_NEEDS_TEST_DESKTOP(reason)                                                                    \
    do {                                                                                                     \
        if (qEnvironmentVariableIsSet("VEXLIN_REQUIRE_TEST_DESKTOP")) {                                      \
            QFAIL(reason);                                                                                   \
        }                                                                                                    \
        QSKIP(reason);                                                                                       \
    } while (false)

// The test desktop's sound server with its null sink and remapped microphone.
inline bool testDesktopAudio() {
    QProcess process;
    process.start("pactl", {"list", "short", "sinks"});
    if (!process.waitForFinished(5000) || process.exitCode() != 0) {
        return false;
    }
    return process.readAllStandardOutput().contains("testsink");
}

// Records 44.1 kHz 16-bit stereo from a source while it lives.  With a short latency the null sink's monitor
// hands out data as it plays instead of in seconds-long bursts, which also speeds up the microphone.
class Recorder {
public:
    explicit Recorder(const QString& source) {
        process_.start("parec", {"-d", source, "--format=s16le", "--rate=44100", "--channels=2",
                                 "--latency-msec=20", "--raw"});
        process_.waitForStarted(5000);
    }
    ~Recorder() { stop(); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool running() const { return process_.state() == QProcess::Running; }
    // Interleaved stereo recorded so far.
    std::vector<std::int16_t> samples() {
        data_ += process_.readAllStandardOutput();
        std::vector<std::int16_t> out(static_cast<std::size_t>(data_.size()) / 2);
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto lo = static_cast<std::uint8_t>(data_[static_cast<qsizetype>(2 * i)]);
            const auto hi = static_cast<std::uint8_t>(data_[static_cast<qsizetype>(2 * i + 1)]);
            out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
        }
        return out;
    }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            data_ += process_.readAllStandardOutput();
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

private:
    QProcess process_;
    QByteArray data_;
};

} // namespace vexlin::testing
