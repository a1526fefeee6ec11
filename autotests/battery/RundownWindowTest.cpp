#include "app/MainForm.h"
#include "battery/BatteryPage.h"
#include "platform/linux/LinuxBatteryHealth.h"
#include "platform/linux/LinuxPowerSource.h"
#include "report/ReportJson.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

namespace vexlin {
namespace {

namespace fs = std::filesystem;

// A reading every 10 s of the replayed discharge: every tenth second of the recording.
constexpr int kRowsPerReading = 10;
constexpr int kLiveReadings = 100;
constexpr int kReadingsBeforeTheKill = 50;

struct Row {
    std::string status, mains, percent, energy, power;
};

std::vector<Row> replay() {
    std::ifstream in(std::string(VEXLIN_FIXTURES) + "/discharge/steady.csv");
    std::vector<Row> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string seconds;
        Row row;
        std::getline(fields, seconds, ',');
        std::getline(fields, row.status, ',');
        std::getline(fields, row.mains, ',');
        std::getline(fields, row.percent, ',');
        std::getline(fields, row.energy, ',');
        std::getline(fields, row.power, ',');
        rows.push_back(row);
    }
    return rows;
}

void writeValue(const fs::path& file, const std::string& value) {
    std::ofstream(file) << value << '\n';
}

// The worn ThinkPad pack's tree, its battery files then written one reading at a time.
class ReplayedSysfs {
public:
    explicit ReplayedSysfs(const fs::path& root) : root_(root), rows_(replay()) {
        fs::copy(std::string(VEXLIN_SOURCE_DIR) + "/autotests/platform/fixtures/battery/worn", root,
                 fs::copy_options::recursive);
        writeValue(battery() / "energy_full", "50000000");
    }
    void show(int reading) {
        const auto& row = rows_.at(static_cast<std::size_t>(reading * kRowsPerReading));
        writeValue(battery() / "status", row.status);
        writeValue(battery() / "capacity", row.percent);
        writeValue(battery() / "energy_now", row.energy);
        writeValue(battery() / "power_now", row.power);
        writeValue(root_ / "sys/class/power_supply/AC/online", row.mains);
    }
    void plugMains() {
        writeValue(battery() / "status", "Charging");
        writeValue(root_ / "sys/class/power_supply/AC/online", "1");
    }
    double energyWh(int reading) const {
        return std::stod(rows_.at(static_cast<std::size_t>(reading * kRowsPerReading)).energy) / 1e6;
    }
    fs::path battery() const { return root_ / "sys/class/power_supply/BAT0"; }

private:
    fs::path root_;
    std::vector<Row> rows_;
};

// Ten seconds between readings, on a clock the test owns.
std::function<platform::ClockReading()> steppingClock() {
    auto tick = std::make_shared<std::atomic<std::int64_t>>(0);
    return [tick] {
        const auto n = tick->fetch_add(1);
        return platform::ClockReading{3600'000'000'000 + n * 10'000'000'000,
                                      3500'000'000'000 + n * 10'000'000'000, 1764583200000 + n * 10'000};
    };
}

struct Window {
    AppServices services;
    std::unique_ptr<TMainForm> form;

    Window(const fs::path& root, const fs::path& folder) {
        BatteryTicks = 0;
        PowerStatus = {};
        services = AppServices::forThisSystem();
        services.power = std::make_unique<platform::linux_impl::LinuxPowerSource>(root);
        services.batteryHealth = std::make_unique<platform::linux_impl::LinuxBatteryHealth>(root);
        form = std::make_unique<TMainForm>(services);
        form->Timer1->stop();
        page()->setRundownFolder(folder);
    }
    BatteryPage* page() { return form->TabSheet2; }

    // The run started as the user starts it, the readings taken when the test says.
    void startRun() {
        battery::RecorderOptions options;
        options.sampleInterval = std::chrono::hours(1);
        options.journalEvery = 1;
        options.clock = steppingClock();
        page()->setRundownOptions(options);
        page()->setRundownChooser([] { return battery::RundownLoad::Work; });
        page()->RundownButton->click();
    }
    bool takeReading(std::size_t battery = 0) {
        auto* recorder = page()->rundown(battery);
        const auto before = recorder->journal().readings.size();
        recorder->sampleNow();
        // A loaded machine may keep the lane's thread waiting a while.
        for (int wait = 0; wait < 10000; ++wait) {
            if (recorder->journal().readings.size() > before) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
};

double numberIn(const QString& text) {
    static const QRegularExpression number("(\\d+),(\\d)");
    const auto match = number.match(text);
    return match.hasMatch() ? (match.captured(1) + "." + match.captured(2)).toDouble() : -1;
}

} // namespace

class RundownWindowTest : public QObject {
    Q_OBJECT
private slots:
    void liveRunShowsItsFiguresAndEndsWithMains();
    void runKilledMidwayIsFoundAtTheNextStart();
    void heavyLoadAsksForThePerformanceWindow();
    void packTakenOutAndPutBack();
    void onlyTheNewestJournalsAreKept();
};

// A hundred readings fast-forwarded through the fixture /sys: the live group follows them, and mains plugged
// in ends the run as a partial result in the store.
void RundownWindowTest::liveRunShowsItsFiguresAndEndsWithMains() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path root = fs::path(dir.path().toStdString()) / "root";
    ReplayedSysfs sysfs(root);
    sysfs.show(0);
    Window window(root, fs::path(dir.path().toStdString()) / "state/vexlin");
    ScopedRecordingDialogs dialogs;
    window.form->show();
    window.form->PageControl1->setCurrentWidget(window.page());
    window.startRun();
    auto* page = window.page();
    QVERIFY(page->rundown() && page->rundown()->running());
    QVERIFY(page->RundownGroup->isVisible());
    QVERIFY(!page->RundownButton->isEnabled());
    for (int reading = 1; reading < kLiveReadings; ++reading) {
        sysfs.show(reading);
        QVERIFY(window.takeReading());
    }
    page->RundownTimerTimer();
    QCOMPARE(page->RundownElapsed->text(), "Прошло: 0:16:30");
    // What the rate delivered agrees with the gauge's own counter over the same readings.
    const double counterFall = sysfs.energyWh(0) - sysfs.energyWh(kLiveReadings - 1);
    QVERIFY2(std::abs(numberIn(page->RundownDelivered->text()) - counterFall) <= 0.1,
             qPrintable(page->RundownDelivered->text()));
    QVERIFY2(page->RundownPower->text().startsWith("Средняя мощность: 10,"),
             qPrintable(page->RundownPower->text()));
    QVERIFY2(page->RundownCharge->text().startsWith("Заряд сейчас: 7"),
             qPrintable(page->RundownCharge->text()));
    QVERIFY2(page->RundownForecast->text().startsWith("До конца: около 3 ч"),
             qPrintable(page->RundownForecast->text()));
    const auto* running = window.services.results.find("battery", "rundown.1");
    QVERIFY(running != nullptr);
    QVERIFY(running->verdict.empty());

    sysfs.plugMains();
    QVERIFY(window.takeReading());
    page->RundownTimerTimer();
    QVERIFY(!page->rundown()->running());
    QCOMPARE(page->RundownGroup->title(), "Разрядный тест окончен");
    QVERIFY(page->RundownButton->isEnabled());
    const auto* line = window.services.results.find("battery", "rundown.1");
    QVERIFY(line != nullptr);
    QCOMPARE(QString::fromStdString(line->what), "Разрядный тест BAT0 (неполный)");
    QVERIFY2(
        QString::fromStdString(line->verdict).startsWith("Разрядный тест не дошёл до конца: подключена сеть"),
        line->verdict.c_str());

    // Seen ending here: the next start shows it without a message.
    Window next(root, fs::path(dir.path().toStdString()) / "state/vexlin");
    ScopedRecordingDialogs quiet;
    next.page()->findRundowns();
    QTest::qWait(50);
    QCOMPARE(quiet.shown().size(), 0u);
    QVERIFY(next.services.results.find("battery", "rundown.1") != nullptr);
}

// The program is killed with SIGKILL in the middle of a run; started again, it finds the journal, says that a
// run-down ended, and shows every reading that was written.
void RundownWindowTest::runKilledMidwayIsFoundAtTheNextStart() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path root = fs::path(dir.path().toStdString()) / "root";
    const fs::path folder = fs::path(dir.path().toStdString()) / "state/vexlin";
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {"--rundown-child", QString::fromStdString(root.string()), QString::fromStdString(folder.string())});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("recorded") && child.state() == QProcess::Running && waited.elapsed() < 120000) {
        child.waitForReadyRead(1000);
        said += child.readAllStandardOutput();
    }
    QVERIFY2(said.contains("recorded " + QByteArray::number(kReadingsBeforeTheKill)), said.constData());
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    Window window(root, folder);
    ScopedRecordingDialogs dialogs;
    window.page()->findRundowns();
    QTRY_COMPARE(dialogs.shown().size(), 1u);
    QVERIFY2(dialogs.shown()[0].text.startsWith("Разрядный тест, начатый "),
             qPrintable(dialogs.shown()[0].text));
    // Killed in the same boot: kept as a partial result, clearly marked.
    QVERIFY2(
        dialogs.shown()[0].text.contains("не до конца. Разрядный тест не дошёл до конца: Vexlin завершился "
                                         "аварийно на "),
        qPrintable(dialogs.shown()[0].text));
    const auto* line = window.services.results.find("battery", "rundown.1");
    QVERIFY(line != nullptr);
    std::int64_t readings = 0;
    std::string end;
    for (const auto& fact : line->facts) {
        if (fact.name == "readings") {
            readings = std::get<std::int64_t>(fact.value);
        } else if (fact.name == "end") {
            end = std::get<std::string>(fact.value);
        }
    }
    QCOMPARE(readings, static_cast<std::int64_t>(kReadingsBeforeTheKill + 1));
    QCOMPARE(end, std::string("interrupted"));
    // The report's twin carries it with the rest of the store.
    report::ReportRecord record;
    record.shown.results = window.services.results.lines();
    const auto json = QString::fromStdString(report::reportJson(record));
    QVERIFY(json.contains("\"rundown.1\""));
    QVERIFY(json.contains("\"interrupted\""));

    // Said once: the next start shows the result without the message.
    Window again(root, folder);
    ScopedRecordingDialogs quiet;
    again.page()->findRundowns();
    QTest::qWait(50);
    QCOMPARE(quiet.shown().size(), 0u);
    QVERIFY(again.services.results.find("battery", "rundown.1") != nullptr);
}

// "Под нагрузкой": the journal says which load ran, and the main window is asked for the performance window
// once the button's click is over.
void RundownWindowTest::heavyLoadAsksForThePerformanceWindow() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path root = fs::path(dir.path().toStdString()) / "root";
    ReplayedSysfs sysfs(root);
    sysfs.show(0);
    Window window(root, fs::path(dir.path().toStdString()) / "state/vexlin");
    int asked = 0;
    // In place of the main window's handler, which would open the real (modal) performance window.
    QObject::disconnect(window.page(), &BatteryPage::heavyLoadRequested, nullptr, nullptr);
    QObject::connect(window.page(), &BatteryPage::heavyLoadRequested, [&asked] { ++asked; });
    window.page()->setRundownChooser([] { return battery::RundownLoad::Load; });
    battery::RecorderOptions options;
    options.sampleInterval = std::chrono::hours(1);
    options.clock = steppingClock();
    window.page()->setRundownOptions(options);
    window.page()->RundownButton->click();
    QCOMPARE(asked, 0);
    QTRY_COMPARE(asked, 1);
    QCOMPARE(window.page()->rundown()->journal().header.load, battery::RundownLoad::Load);
}

// A ThinkPad with two packs: both recorded, the external one taken out of its bay in the middle of the run
// (its supply leaves /sys) and put back later.  The page, the health lines and the run-down follow; the run
// of the pack taken out ends as partial with the reason, the other goes on.
void RundownWindowTest::packTakenOutAndPutBack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path root = fs::path(dir.path().toStdString()) / "root";
    const fs::path fixture = fs::path(VEXLIN_FIXTURES) / "two_packs/sys";
    fs::create_directories(root);
    fs::copy(fixture, root / "sys", fs::copy_options::recursive);
    const fs::path bay = root / "sys/class/power_supply/BAT1";
    Window window(root, fs::path(dir.path().toStdString()) / "state/vexlin");
    ScopedRecordingDialogs dialogs;
    window.form->show();
    window.form->PageControl1->setCurrentWidget(window.page());
    auto* page = window.page();
    auto& results = window.services.results;
    window.form->Timer1Timer();
    window.form->Timer1Timer();
    QVERIFY(results.find("battery", "BAT1.charge") != nullptr);

    window.startRun();
    QCOMPARE(page->rundownCount(), 2u);
    QCOMPARE(QString::fromStdString(page->rundown(0)->journal().header.battery), "BAT0");
    QCOMPARE(QString::fromStdString(page->rundown(1)->journal().header.battery), "BAT1");
    for (const char* energy : {"48800000", "48690000"}) {
        writeValue(bay / "energy_now", energy);
        writeValue(bay / "capacity", "74");
        QVERIFY(window.takeReading(0));
        QVERIFY(window.takeReading(1));
        window.form->Timer1Timer();
    }
    page->RundownTimerTimer();
    QCOMPARE(page->RundownGroup->title(), "Разрядный тест идёт: показана BAT1, записываются BAT0, BAT1");

    fs::remove_all(bay);
    QElapsedTimer waited;
    waited.start();
    while (page->rundown(1)->running() && waited.elapsed() < 20000) {
        page->rundown(1)->sampleNow();
        window.form->Timer1Timer();
        QTest::qWait(5);
    }
    QVERIFY(!page->rundown(1)->running());
    QVERIFY(page->rundown(0)->running());
    for (int tick = 0; tick < 3; ++tick) {
        window.form->Timer1Timer();
    }
    page->RundownTimerTimer();
    const auto* removed = results.find("battery", "rundown.2");
    QVERIFY(removed != nullptr);
    QCOMPARE(QString::fromStdString(removed->what), "Разрядный тест BAT1 (неполный)");
    const std::string verdict = removed->verdict;
    QVERIFY2(QString::fromStdString(verdict).startsWith(
                 "Разрядный тест не дошёл до конца: батарея отключена на 74 %"),
             verdict.c_str());
    QCOMPARE(page->RundownGroup->title(), "Разрядный тест идёт: показана BAT0, записываются BAT0");
    QCOMPARE(page->RundownDelivered->text(), "Ждёт: не разряжается");
    if (qEnvironmentVariableIsSet("VEXLIN_SCREENSHOT_DIR")) {
        window.form->grab().save(qEnvironmentVariable("VEXLIN_SCREENSHOT_DIR") +
                                 "/rundown-pack-taken-out.png");
    }
    // What was measured of the pack stays shown; its measurement starts again with whatever pack comes back.
    QVERIFY(results.find("battery", "BAT1.charge") != nullptr);
    QVERIFY(page->healthMonitor().estimate("BAT1") == nullptr);
    QVERIFY2(page->StaticText8->text().contains("80"), qPrintable(page->StaticText8->text()));

    // Back in, with less charge than it left with.
    fs::copy(fixture / "class/power_supply/BAT1", bay, fs::copy_options::recursive);
    writeValue(bay / "capacity", "40");
    writeValue(bay / "energy_now", "26090000");
    window.form->Timer1Timer();
    window.form->Timer1Timer();
    QVERIFY(page->healthMonitor().estimate("BAT1") != nullptr);
    const auto* charge = results.find("battery", "BAT1.charge");
    QVERIFY(charge != nullptr);
    QVERIFY2(QString::fromStdString(charge->value).contains("40"), charge->value.c_str());
    // The run of the pack taken out stays ended; the other one goes on until it is stopped.
    QVERIFY(!page->rundown(1)->running());
    QVERIFY(window.takeReading(0));
    page->RundownStopClick();
    QVERIFY(!page->rundown(0)->running());
    QVERIFY(page->RundownGroup->title().startsWith("Разрядный тест окончен"));
    QVERIFY(page->RundownButton->isEnabled());
    QCOMPARE(results.find("battery", "rundown.2")->verdict, verdict);
    QCOMPARE(dialogs.shown().size(), 0u);
}

// Twenty-two runs in the folder: the next start removes the two oldest with their marks before it lists the
// results, and numbers the twenty it keeps.
void RundownWindowTest::onlyTheNewestJournalsAreKept() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path folder = fs::path(dir.path().toStdString()) / "state/vexlin";
    fs::create_directories(folder);
    std::vector<fs::path> made;
    for (int day = 1; day <= 22; ++day) {
        char name[64];
        std::snprintf(name, sizeof name, "rundown-2026-11-%02d-10-00-00-BAT0.journal", day);
        made.push_back(folder / name);
        fs::copy_file(fs::path(VEXLIN_FIXTURES) / "rundown/honest.journal", made.back());
        std::ofstream(made.back().string() + ".shown");
    }
    Window window(fs::path(dir.path().toStdString()) / "root", folder);
    ScopedRecordingDialogs dialogs;
    window.page()->findRundowns();
    QTest::qWait(50);
    const std::vector<fs::path> kept(made.begin() + 2, made.end());
    QVERIFY(platform::rundownJournals(folder) == kept);
    QVERIFY(!fs::exists(made[0].string() + ".shown"));
    QVERIFY(window.services.results.find("battery", "rundown.20") != nullptr);
    QVERIFY(window.services.results.find("battery", "rundown.21") == nullptr);
    QCOMPARE(dialogs.shown().size(), 0u); // every one of them was told before
}

} // namespace vexlin

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--rundown-child") {
        using namespace vexlin;
        const fs::path root = argv[2];
        ReplayedSysfs sysfs(root);
        sysfs.show(0);
        Window window(root, argv[3]);
        window.form->show();
        window.startRun();
        if (window.page()->rundown() == nullptr) {
            return 2;
        }
        for (int reading = 1; reading <= kReadingsBeforeTheKill; ++reading) {
            sysfs.show(reading);
            if (!window.takeReading()) {
                return 3;
            }
            window.page()->RundownTimerTimer();
            QCoreApplication::processEvents();
        }
        std::cout << "recorded " << kReadingsBeforeTheKill << std::endl;
        // Running on until the parent cuts it off.
        return app.exec();
    }
    vexlin::RundownWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RundownWindowTest.moc"
