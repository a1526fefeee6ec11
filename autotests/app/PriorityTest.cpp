// The program's priorities read back after a start-up as the program does it: the services first, then the
// user-interface thread lowered to idle.  Only that thread is idle: the sound thread, the sound server's
// client threads, the clock's measuring thread and every program started (tools, web pages) run normally.

#include "../audio/PulseHelpers.h"
#include "app/ShellOpen.h"
#include "app/Startup.h"
#include "app/StartupWarmUp.h"
#include "sysinfo/ClockMeasurement.h"
#include "ui/AppServices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fstream>
#include <sched.h>

using namespace vexlin;

namespace {

// Records the policy of the thread that asks to be raised, and raises nothing.
class PolicyRecorder final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override {}
    bool raiseCurrentThreadToRealtime() override {
        policy = sched_getscheduler(0);
        return false;
    }
    int policy = -1;
};

class NoCounter final : public platform::Processor {
public:
    platform::CpuidRegisters cpuid(std::uint32_t) const override { return {}; }
    std::uint64_t readTimeStampCounter() const override { return 0; }
};

// Thread name and policy of every thread of this process.
QList<QPair<QString, int>> threads() {
    QList<QPair<QString, int>> found;
    for (const QString& tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + tid + "/comm");
        comm.open(QIODevice::ReadOnly);
        found.append({QString::fromUtf8(comm.readAll()).trimmed(), sched_getscheduler(tid.toInt())});
    }
    return found;
}

// The policy of every thread of this process that has this name.
QList<int> policiesOfThreadsNamed(const QString& wanted) {
    QList<int> policies;
    for (const auto& [name, policy] : threads()) {
        if (name == wanted) {
            policies.append(policy);
        }
    }
    return policies;
}

// A program that writes its pid into `pidFile` and stays a few seconds.
void writeTool(const QString& path, const QString& pidFile) {
    std::ofstream(path.toStdString())
        << "#!/bin/sh\necho $$ > '" << pidFile.toStdString() << ".tmp'\n/bin/mv '" << pidFile.toStdString()
        << ".tmp' '" << pidFile.toStdString() << "'\nexec /bin/sleep 5\n";
    QFile::setPermissions(path, QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
}

// The policy of the program that wrote `pidFile`, once it has.
int policyOfStartedProgram(const QString& pidFile) {
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(pidFile) && waited.elapsed() < 5000) {
        QTest::qWait(20);
    }
    QFile file(pidFile);
    file.open(QIODevice::ReadOnly);
    const int pid = QString::fromUtf8(file.readAll()).trimmed().toInt();
    const int policy = pid > 0 ? sched_getscheduler(pid) : -1;
    if (pid > 0) {
        ::kill(pid, SIGTERM);
    }
    return policy;
}

} // namespace

class PriorityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(tools_.isValid());
        writeTool(tools_.filePath("dconf-editor"), tools_.filePath("tool.pid"));
        writeTool(tools_.filePath("browser"), tools_.filePath("browser.pid"));
        qputenv("PATH", (tools_.path() + ":" + qEnvironmentVariable("PATH")).toUtf8());
        // The desktop's opener starts the browser named here for web pages.
        qputenv("DEFAULT_BROWSER", tools_.filePath("browser").toUtf8());
        qputenv("BROWSER", tools_.filePath("browser").toUtf8());

        services_ = startServices();
        {
            // As at start-up: the warm-up connects to the session bus before the interface thread is lowered.
            StartupWarmUp warmUp;
            warmUp.applicationReady();
        }
        services_.priority->lowerCurrentThreadToIdle();
    }

    void busThreadRunsNormally() {
        QCOMPARE(policiesOfThreadsNamed("QDBusConnection"), QList<int>{SCHED_OTHER});
    }

    void onlyTheInterfaceThreadIsIdle() {
        QCOMPARE(sched_getscheduler(0), SCHED_IDLE);
        // The service comes from the sound module, loaded aside; any call waits for it.
        services_.sound->captureOpen();
        QCOMPARE(policiesOfThreadsNamed("vexlin-sound"), QList<int>{SCHED_OTHER});
    }

    void soundServerThreadsRunNormally() {
        if (!testing::testDesktopAudio()) {
            VEXLIN_NEEDS_TEST_DESKTOP("needs the test desktop's sound server (scripts/headless-desktop.sh)");
        }
        // Music and capture running, as in the audio test.
        QVERIFY(
            services_.sound->openMusic(std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3")
                .empty());
        QVERIFY(services_.sound->playMusic(true).empty());
        int buffers = 0;
        services_.sound->startCapture({600, true}, [&](const std::vector<std::uint8_t>&) { ++buffers; });
        QTRY_VERIFY_WITH_TIMEOUT(buffers > 2, 5000);

        int clientThreads = 0;
        for (const auto& [name, policy] : threads()) {
            if (name == "threaded-ml") {
                ++clientThreads;
                QCOMPARE(policy, SCHED_OTHER);
            }
        }
        QVERIFY2(clientThreads > 0, "no client thread of the sound server found");
        // Nothing but the interface thread is idle.
        for (const auto& [name, policy] : threads()) {
            if (policy == SCHED_IDLE) {
                QCOMPARE(name, QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15));
            }
        }
        services_.sound->stopCapture(true);
        services_.sound->stopMusic();
    }

    void clockMeasuresOnANormalThread_data() {
        QTest::addColumn<bool>("fromLane");
        QTest::addColumn<int>("expected");
        QTest::newRow("from the lane") << true << int(SCHED_OTHER);
        QTest::newRow("from the idle thread") << false << int(SCHED_IDLE);
    }
    void clockMeasuresOnANormalThread() {
        QFETCH(bool, fromLane);
        QFETCH(int, expected);
        PolicyRecorder recorder;
        NoCounter counter;
        sysinfo::ClockTime instant{[](std::chrono::milliseconds) {},
                                   [] { return std::chrono::nanoseconds(0); }};
        sysinfo::measureClockMhz(recorder, counter, fromLane ? services_.lane.get() : nullptr, instant);
        QCOMPARE(recorder.policy, expected);
    }

    void toolsMenuProgramsRunNormally() {
        const auto result = services_.launcher->run("regedit");
        QVERIFY(result.launched);
        QCOMPARE(QString::fromStdString(result.program), QString("dconf-editor"));
        QCOMPARE(policyOfStartedProgram(tools_.filePath("tool.pid")), SCHED_OTHER);
    }

    void webPagesOpenNormally() {
        QVERIFY(openWithDesktop(nullptr, "https://vexlin.invalid/", services_.lane.get()));
        QCOMPARE(policyOfStartedProgram(tools_.filePath("browser.pid")), SCHED_OTHER);
    }

    void cleanupTestCase() { services_ = AppServices(); }

private:
    QTemporaryDir tools_;
    AppServices services_;
};

QTEST_MAIN(PriorityTest)
#include "PriorityTest.moc"
