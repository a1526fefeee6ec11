// The tune of the sound service over Qt Multimedia: it is decoded a while after it is given, or at once when
// anything asks for it sooner; a tune given later replaces one still waiting or being decoded.  No sound
// device is needed: nothing here is played.

#include "audio/QtSoundService.h"

#include <QtTest>
#include <chrono>
#include <filesystem>
#include <memory>

using namespace vexlin;
using namespace std::chrono_literals;

namespace {

const std::filesystem::path kTune = std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3";
const std::filesystem::path kBroken = std::filesystem::path(VEXLIN_FIXTURES) / "not-an-mp3.mp3";

// A delay no test outlives: the tune is decoded only when it is asked for.
constexpr std::chrono::milliseconds kNever = std::chrono::hours(1);

} // namespace

class QtSoundServiceMusicTest : public QObject {
    Q_OBJECT

private slots:
    void aTuneOpensWhetherAskedForEarlyOrLate_data() {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("askAfterMs");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opens");
        const QString tune = QString::fromStdString(kTune.string());
        const QString broken = QString::fromStdString(kBroken.string());
        QTest::newRow("asked for before its decoder starts") << int(kNever.count()) << 0 << tune << true;
        QTest::newRow("decoded aside, asked for while it runs") << 0 << 0 << tune << true;
        QTest::newRow("decoded aside, asked for later") << 0 << 300 << tune << true;
        QTest::newRow("broken, asked for early") << int(kNever.count()) << 0 << broken << false;
        QTest::newRow("broken, decoded aside") << 0 << 300 << broken << false;
    }
    void aTuneOpensWhetherAskedForEarlyOrLate() {
        QFETCH(int, delayMs);
        QFETCH(int, askAfterMs);
        QFETCH(QString, file);
        QFETCH(bool, opens);
        QtSoundService sound(nullptr, std::chrono::milliseconds(delayMs));
        // A file that exists is not read before the answer: a broken one says so when it is played.
        QCOMPARE(sound.openMusic(file.toStdString()), std::string());
        QTest::qWait(askAfterMs);
        QCOMPARE(sound.musicOpen(), opens);
        if (!opens) {
            const std::string error = sound.playMusic(true);
            QVERIFY2(error.find("Плеер не открыт.") == 0, error.c_str());
            QVERIFY2(error.find(kBroken.string()) != std::string::npos, error.c_str());
        }
    }

    void aMissingFileIsReportedAtOnce() {
        QtSoundService sound(nullptr, kNever);
        const std::filesystem::path missing = std::filesystem::path(VEXLIN_FIXTURES) / "no-such-music.mp3";
        QCOMPARE(sound.openMusic(missing), "Файл музыки не найден: " + missing.string());
        QVERIFY(!sound.musicOpen());
    }

    // The tune given last is the one that plays, whatever state the one before it was in.
    void theLastTuneGivenWins_data() {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("betweenMs");
        QTest::addColumn<bool>("brokenLast");
        QTest::newRow("first still waiting, good then broken") << int(kNever.count()) << 0 << true;
        QTest::newRow("first still waiting, broken then good") << int(kNever.count()) << 0 << false;
        QTest::newRow("first decoded aside, good then broken") << 0 << 300 << true;
        QTest::newRow("first decoded aside, broken then good") << 0 << 300 << false;
    }
    void theLastTuneGivenWins() {
        QFETCH(int, delayMs);
        QFETCH(int, betweenMs);
        QFETCH(bool, brokenLast);
        QtSoundService sound(nullptr, std::chrono::milliseconds(delayMs));
        QCOMPARE(sound.openMusic(brokenLast ? kTune : kBroken), std::string());
        QTest::qWait(betweenMs);
        QCOMPARE(sound.openMusic(brokenLast ? kBroken : kTune), std::string());
        QTest::qWait(betweenMs);
        QCOMPARE(sound.musicOpen(), !brokenLast);
    }

    void aMissingFileReplacesAWaitingTune() {
        QtSoundService sound(nullptr, kNever);
        QCOMPARE(sound.openMusic(kTune), std::string());
        QVERIFY(!sound.openMusic(std::filesystem::path(VEXLIN_FIXTURES) / "no-such-music.mp3").empty());
        QVERIFY(!sound.musicOpen());
    }

    // Closing the program with the tune still waiting or still being decoded neither hangs nor leaks.
    void theServiceGoesWithItsTuneInAnyState_data() {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("lifeMs");
        QTest::newRow("waiting") << int(kNever.count()) << 0;
        QTest::newRow("decoder starting") << 0 << 0;
        QTest::newRow("decoder at work") << 0 << 5;
    }
    void theServiceGoesWithItsTuneInAnyState() {
        QFETCH(int, delayMs);
        QFETCH(int, lifeMs);
        auto sound = std::make_unique<QtSoundService>(nullptr, std::chrono::milliseconds(delayMs));
        QCOMPARE(sound->openMusic(kTune), std::string());
        QTest::qWait(lifeMs);
        sound.reset();
    }
};

QTEST_MAIN(QtSoundServiceMusicTest)
#include "QtSoundServiceMusicTest.moc"
