#include "app/MainForm.h"
#include "platform/Factory.h"
#include "sysinfo/ClockThermalWatch.h"
#include "ui/Dialogs.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

namespace vexlin {
namespace {

std::filesystem::path fixtureTree(const QString& name) {
    return std::filesystem::path(VEXLIN_FIXTURES) / "thermal" / name.toStdString();
}

std::int64_t readingsOf(const results::ResultsStore& store) {
    const auto* line = store.find("thermal", "clock.verdict");
    if (line == nullptr) {
        return -1;
    }
    for (const auto& fact : line->facts) {
        if (fact.name == "readings") {
            return std::get<std::int64_t>(fact.value);
        }
    }
    return 0;
}

} // namespace

class ClockThermalTest : public QObject {
    Q_OBJECT
private slots:
    void init() { recorder_ = std::make_unique<ScopedRecordingDialogs>(); }
    void cleanup() { recorder_.reset(); }

    void readsOnceASecondWhileSwitchedOn() {
        results::ResultsStore store;
        auto sensors = platform::makeThermalSensors(fixtureTree("intel_laptop"));
        ClockThermalWatch watch(sensors.get(), store);
        QCOMPARE(watch.TimerThermal->interval(), 1000);
        QVERIFY(!watch.TimerThermal->isActive());
        QSignalSpy ticks(watch.TimerThermal, &QTimer::timeout);
        watch.setRunning(true);
        QVERIFY(watch.running());
        QVERIFY(watch.TimerThermal->isActive());
        watch.setRunning(true); // the switch is set again on every repaint path: still one run
        // One reading at once and one at the first tick, however late a busy machine delivers it; the
        // readings reach the store when the run ends.
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 1, 5000);
        watch.setRunning(false);
        QVERIFY(!watch.TimerThermal->isActive());
        QCOMPARE(readingsOf(store), std::int64_t{2});
        QCOMPARE(QString::fromStdString(store.find("thermal", "clock.verdict")->verdict),
                 QString("Перегрев: нет (макс. 52 °C, предел 100 °C)"));
        watch.setRunning(false);
        QCOMPARE(readingsOf(store), std::int64_t{2});
    }

    void theMainWindowsSwitchStartsAndEndsTheRun_data() {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("lines");
        // verdict, the processor, the drive, the ACPI zone, the clock, the fan
        QTest::newRow("intel_laptop") << "intel_laptop"
                                      << "Перегрев: нет (макс. 52 °C, предел 100 °C)" << 6;
        QTest::newRow("amd_laptop") << "amd_laptop"
                                    << "Перегрев: предел не сообщается (макс. 63 °C); снижение частоты из-за "
                                       "нагрева на этом процессоре не определить"
                                    << 9;
        QTest::newRow("virtual_machine") << "virtual_machine"
                                         << "Машина не сообщает показаний датчиков" << 1;
    }

    void theMainWindowsSwitchStartsAndEndsTheRun() {
        QFETCH(QString, tree);
        QFETCH(QString, verdict);
        QFETCH(int, lines);
        AppServices services = AppServices::forThisSystem(fixtureTree(tree));
        TMainForm window(services);
        auto* watch = window.findChild<ClockThermalWatch*>("ClockThermalWatch");
        QVERIFY(watch != nullptr);

        window.setClockTimerRunning(true);
        QVERIFY(watch->running());
        window.Timer2->stop(); // the measurement itself is not under test here
        window.setClockTimerRunning(false);
        QVERIFY(!watch->running());
        QCOMPARE(QString::fromStdString(services.results.find("thermal", "clock.verdict")->verdict), verdict);
        QCOMPARE(static_cast<int>(services.results.linesOf("thermal").size()), lines);

        // Opening a test window stops the measurement, and with it the run.
        services.results.clear();
        window.setClockTimerRunning(true);
        window.Timer2->stop();
        window.Button2Click();
        QVERIFY(!watch->running());
        QCOMPARE(QString::fromStdString(services.results.find("thermal", "clock.verdict")->verdict), verdict);
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorder_;
};

} // namespace vexlin

QTEST_MAIN(vexlin::ClockThermalTest)
#include "ClockThermalTest.moc"
