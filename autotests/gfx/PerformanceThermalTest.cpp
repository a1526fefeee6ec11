#include "gfx/PerformanceForm.h"
#include "platform/Factory.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QLabel>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

namespace vexlin {
namespace {

namespace fs = std::filesystem;

fs::path fixtureTree(const QString& name) {
    return fs::path(VEXLIN_SOURCE_DIR) / "autotests/sysinfo/fixtures/thermal" / name.toStdString();
}

QStringList keysOf(const results::ResultsStore& store) {
    QStringList keys;
    for (const auto& line : store.linesOf("thermal")) {
        keys << QString::fromStdString(line.key);
    }
    return keys;
}

const results::Fact* factOf(const results::ResultLine& line, const std::string& name) {
    for (const auto& fact : line.facts) {
        if (fact.name == name) {
            return &fact;
        }
    }
    return nullptr;
}

QString textOf(const results::ResultsStore& store, const char* key) {
    const auto* line = store.find("thermal", key);
    return line == nullptr ? QString("(no line)") : QString::fromStdString(line->verdict);
}

} // namespace

class PerformanceThermalTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        recorder_ = std::make_unique<ScopedRecordingDialogs>();
        services_.clock = &clock_;
        services_.results.clear();
    }
    void cleanup() {
        form_.reset();
        services_.thermal.reset();
        recorder_.reset();
    }

    void showsTheLineAndReportsTheRun_data() {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("throttled"); // "yes", "no" or "unknown"

        QTest::newRow("intel_laptop")
            << "intel_laptop"
            << "Процессор 52 °C, вентилятор 2360 об/мин"
            << QStringList{"performance.verdict",   "performance.cpu_package_max", "performance.drive_max",
                           "performance.board_max", "performance.cpu_clock",       "performance.fan1"}
            << "Перегрев: нет (макс. 52 °C, предел 100 °C)"
            << "no";
        QTest::newRow("amd_laptop") << "amd_laptop"
                                    << "Процессор 63 °C"
                                    << QStringList{"performance.verdict",      "performance.cpu_package_max",
                                                   "performance.gpu_edge_max", "performance.gpu_junction_max",
                                                   "performance.gpu_mem_max",  "performance.gpu2_edge_max",
                                                   "performance.drive_max",    "performance.board_max",
                                                   "performance.cpu_clock"}
                                    // k10temp tells no limit, and throttling cannot be seen
                                    << "Перегрев: предел не сообщается (макс. 63 °C); снижение частоты из-за "
                                       "нагрева на этом процессоре не определить"
                                    << "unknown";
        QTest::newRow("virtual_machine") << "virtual_machine"
                                         << "Нет данных датчиков" << QStringList{"performance.verdict"}
                                         << "Машина не сообщает показаний датчиков"
                                         << "unknown";
    }

    void showsTheLineAndReportsTheRun() {
        QFETCH(QString, tree);
        QFETCH(QString, line);
        QFETCH(QStringList, keys);
        QFETCH(QString, verdict);
        QFETCH(QString, throttled);
        services_.thermal = platform::makeThermalSensors(fixtureTree(tree));
        form_ = std::make_unique<TForm1>(services_);

        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        auto* label = form_->findChild<QLabel*>("LabelTemp");
        QCOMPARE(label, form_->LabelTemp);
        QCOMPARE(label->text(), line);
        QVERIFY(label->isVisible());
        // Its own label in the top left corner, clear of the frame counter at the top right.
        QCOMPARE(label->pos(), QPoint(0, 0));
        QVERIFY(!label->geometry().intersects(form_->Label3->geometry()));
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(line));

        form_->Timer1Timer();
        QCOMPARE(label->text(), line);
        QVERIFY(services_.results.linesOf("thermal").empty()); // reported when the run ends
        form_->close();

        QCOMPARE(keysOf(services_.results), keys);
        QCOMPARE(textOf(services_.results, "performance.verdict"), verdict);
        const auto* fact = factOf(*services_.results.find("thermal", "performance.verdict"), "throttled");
        const QString told = fact == nullptr ? "unknown" : std::get<bool>(fact->value) ? "yes" : "no";
        QCOMPARE(told, throttled);
        QVERIFY(clock_.running); // the close rule of the window still holds
    }

    void aRunThatHeatsUpAndThrottles() {
        testing::TempDir dir("vexlin-perf-thermal");
        fs::copy(fixtureTree("intel_laptop"), dir.path(),
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        services_.thermal = platform::makeThermalSensors(dir.path());
        form_ = std::make_unique<TForm1>(services_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

        const fs::path coretemp = dir.path() / "sys/devices/platform/coretemp.0/hwmon/hwmon5";
        std::ofstream(coretemp / "temp1_input") << "98000\n";
        std::ofstream(dir.path() / "sys/devices/platform/thinkpad_hwmon/hwmon/hwmon4/fan1_input") << "5100\n";
        std::ofstream(dir.path() / "sys/devices/system/cpu/cpu0/thermal_throttle/package_throttle_count")
            << "44\n";
        form_->Timer1Timer();
        QCOMPARE(form_->LabelTemp->text(), QString("Процессор 98 °C, вентилятор 5100 об/мин"));
        std::ofstream(coretemp / "temp1_input") << "71000\n";
        form_->Timer1Timer();
        QCOMPARE(form_->LabelTemp->text(), QString("Процессор 71 °C, вентилятор 5100 об/мин"));
        form_->close();

        QCOMPARE(textOf(services_.results, "performance.verdict"),
                 QString("Процессор снижал частоту из-за перегрева"));
        QCOMPARE(textOf(services_.results, "performance.cpu_package_max"),
                 QString("Перегрев: близко к пределу (макс. 98 °C, предел 100 °C)"));
        QCOMPARE(QString::fromStdString(services_.results.find("thermal", "performance.fan1")->value),
                 QString("2360–5100 об/мин"));
        const auto& verdict = *services_.results.find("thermal", "performance.verdict");
        QCOMPARE(std::get<std::int64_t>(factOf(verdict, "throttle_count_rise")->value), std::int64_t{4});
        QCOMPARE(std::get<std::int64_t>(factOf(verdict, "readings")->value), std::int64_t{3});
    }

    void withoutSensorsWiredTheLineStaysHidden() {
        form_ = std::make_unique<TForm1>(services_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QVERIFY(!form_->LabelTemp->isVisible());
        form_->Timer1Timer();
        form_->close();
        QVERIFY(services_.results.empty());
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorder_;
    testing::FakeClock clock_{true};
    AppServices services_;
    std::unique_ptr<TForm1> form_;
};

} // namespace vexlin

QTEST_MAIN(vexlin::PerformanceThermalTest)
#include "PerformanceThermalTest.moc"
