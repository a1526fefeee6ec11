#include "drives/DrivesGroup.h"
#include "report/ReportJson.h"
#include "report/ResultsPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace vexlin;

namespace {

const QString kFixtures = QStringLiteral(VEXLIN_FIXTURES);

void writeScript(const QString& path, const QString& body) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("#!/bin/sh\nPATH=/usr/bin:/bin\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QStringList rows(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

} // namespace

class DrivesWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void virtualDiskSaysSoWithoutReading();
    void readsThroughPkexecWithoutWaiting();
    void cannotRead_data();
    void cannotRead();
    void shortSelfTestShowsProgressAndResult();
    void virtualDiskHasNoSelfTest();

private:
    // Fake programs first on PATH; the fake smartctl answers with a real drive's output for each device.
    void fakeSmartctl(const QString& extra = QString());
    void fakePkexec(const QString& body);
    drives::RunSettings unprivileged() const;

    std::unique_ptr<QTemporaryDir> fakes_;
    QByteArray oldPath_;
};

void DrivesWindowTest::init() {
    fakes_ = std::make_unique<QTemporaryDir>();
    oldPath_ = qgetenv("PATH");
    qputenv("PATH", fakes_->path().toUtf8()); // nothing else: what is not faked is missing
}

void DrivesWindowTest::cleanup() {
    qputenv("PATH", oldPath_);
    fakes_.reset();
}

void DrivesWindowTest::fakeSmartctl(const QString& extra) {
    writeScript(fakes_->filePath("smartctl"),
                extra + "echo \"$*\" >> '" + fakes_->filePath("smartctl.trace") + "'\n" +
                    "case \"$3\" in /dev/nvme0n1) f=nvme-worn-samsung-pm9a1.json;; "
                    "/dev/sda) f=sata-hdd-pending-hitachi.json;; *) exit 2;; esac\n"
                    "cat '" +
                    kFixtures + "/smartctl/'$f");
}

// pkexec as polkit runs it: the helper's path, then the helper's one argument.
void DrivesWindowTest::fakePkexec(const QString& body) {
    writeScript(fakes_->filePath("pkexec"),
                "echo \"$*\" >> '" + fakes_->filePath("pkexec.trace") + "'\n" + body);
}

drives::RunSettings DrivesWindowTest::unprivileged() const {
    drives::RunSettings settings;
    settings.privileged = false;
    settings.helper = "/usr/lib/vexlin/vexlin-smart-helper";
    settings.systemDirectories.clear();
    settings.timeout = std::chrono::seconds(20);
    return settings;
}

// This build machine's case: a qemu virtio disk has no health records, which needs no password to say.
void DrivesWindowTest::virtualDiskSaysSoWithoutReading() {
    AppServices services;
    services.sysfsRoot = (kFixtures + "/sysfs-virtual-machine").toStdString();
    DrivesGroup group(services);
    QCOMPARE(group.objectName(), QString("GroupBox5"));
    QCOMPARE(group.title(), QString::fromUtf8("Накопители"));
    QCOMPARE(rows(group.ListBox5),
             QStringList{QString::fromUtf8("vda: виртуальный диск: сведений о здоровье нет — 275 ГБ")});
    QCOMPARE(group.Button10->text(), QString::fromUtf8("Прочитать здоровье дисков"));
    QVERIFY(services.results.empty()); // nothing measured until the button is pressed
}

void DrivesWindowTest::readsThroughPkexecWithoutWaiting() {
    // The drive takes a while to answer; the window must not.
    fakeSmartctl("sleep 1\n");
    fakePkexec("exec '" + fakes_->filePath("smartctl") + "' --json -x /dev/$2");
    AppServices services;
    DrivesGroup group(services);
    group.setSource((kFixtures + "/sysfs-laptop").toStdString(), unprivileged());
    group.show();

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(group.Button10, Qt::LeftButton);
    QVERIFY2(clock.elapsed() < 500, "the click waited for smartctl");
    QVERIFY(group.busy());
    QVERIFY(!group.Button10->isEnabled());
    QVERIFY(group.StaticText27->text().contains(QString::fromUtf8("пароль администратора")));
    QTRY_VERIFY_WITH_TIMEOUT(!group.busy(), 15000);
    QVERIFY(group.Button10->isEnabled());
    QCOMPARE(group.StaticText27->text(), QString::fromUtf8("Показания прочитаны."));

    const QStringList shown = rows(group.ListBox5);
    QCOMPARE(shown.size(), 3); // a row per drive
    QVERIFY2(
        shown[0].startsWith(QString::fromUtf8("nvme0n1: Изношен на 16 % — SAMSUNG MZVL21T0HCLR-00B00, NVMe")),
        qPrintable(shown.join('\n')));
    QVERIFY(group.ListBox5->item(0)->toolTip().contains(QString::fromUtf8("10423 ч работы")));
    QVERIFY(shown[1].startsWith(QString::fromUtf8("sda: Неисправен: диск сам сообщает о сбое")));
    QCOMPARE(shown[2],
             QString::fromUtf8("sdb: внешний диск (USB): в выводах не участвует — WDC WD3200BEVT-6, 320 ГБ"));

    // pkexec ran our helper with nothing but a device name, once per internal drive, never for the USB one.
    QFile trace(fakes_->filePath("pkexec.trace"));
    QVERIFY(trace.open(QIODevice::ReadOnly));
    QCOMPARE(
        QString::fromUtf8(trace.readAll()),
        QString("/usr/lib/vexlin/vexlin-smart-helper nvme0n1\n/usr/lib/vexlin/vexlin-smart-helper sda\n"));

    // The page "Итоги" and the JSON read the same lines from the store.
    const auto lines = services.results.linesOf("drives");
    QCOMPARE(lines.size(), std::size_t{5});
    ResultsPage page(services.results);
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItemCount(), 6); // the group's heading, then the lines
    QCOMPARE(page.ListView1->topLevelItem(0)->text(0), QString::fromUtf8("Накопители"));
    QCOMPARE(page.ListView1->topLevelItem(1)->text(2), QString::fromUtf8("✓ Изношен на 16 %"));
    report::ReportRecord record;
    record.shown.results = services.results.lines();
    const QString json = QString::fromStdString(report::reportJson(record));
    QVERIFY2(json.contains("\"nvme0n1.health\"") && json.contains("\"percentage_used\": 16"),
             qPrintable(json));
    QVERIFY(json.contains("\"pending_sectors\": 8"));
}

void DrivesWindowTest::cannotRead_data() {
    QTest::addColumn<bool>("smartctl");
    QTest::addColumn<QString>("pkexec"); // the fake's body; empty for no pkexec at all
    QTest::addColumn<QString>("said");
    QTest::newRow("password refused")
        << true << "exit 126" << QString::fromUtf8("Пароль администратора не принят");
    QTest::newRow("authentication failed")
        << true << "exit 127" << QString::fromUtf8("введите пароль администратора");
    QTest::newRow("no pkexec") << true << "" << QString("sudo apt install pkexec polkitd");
    QTest::newRow("no smartctl") << false << "exit 0" << QString("sudo apt install smartmontools");
}

void DrivesWindowTest::cannotRead() {
    QFETCH(bool, smartctl);
    QFETCH(QString, pkexec);
    QFETCH(QString, said);
    if (smartctl) {
        fakeSmartctl();
    }
    if (!pkexec.isEmpty()) {
        fakePkexec(pkexec);
    }
    AppServices services;
    DrivesGroup group(services);
    group.setSource((kFixtures + "/sysfs-laptop").toStdString(), unprivileged());
    QTest::mouseClick(group.Button10, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!group.busy(), 15000);
    QVERIFY2(group.StaticText27->text().contains(said), qPrintable(group.StaticText27->text()));
    QVERIFY(group.Button10->isEnabled());
    // One line says what to do; no drive is judged on nothing.
    const auto* failure = services.results.find("drives", "reading");
    QVERIFY(failure != nullptr);
    QVERIFY(QString::fromStdString(failure->verdict).contains(said));
    QVERIFY(services.results.find("drives", "nvme0n1.health") == nullptr);
}

// The drives test themselves: the fake smartctl answers `-x` with a real drive's log before the start, while
// it runs and after, and `-t short` as smartctl does when the drive takes the command.
void DrivesWindowTest::shortSelfTestShowsProgressAndResult() {
    const QString dir = fakes_->path();
    const QString files = kFixtures + "/smartctl/";
    writeScript(
        dir + "/smartctl",
        "echo \"$*\" >> '" + dir +
            "/smartctl.trace'\n"
            "if [ \"$2\" = -t ]; then touch '" +
            dir +
            "/started.'$(basename $4); "
            "echo '{\"json_format_version\": [1, 0], \"smartctl\": {\"exit_status\": 0}}'; exit 0; fi\n"
            "d=$(basename $3)\n"
            "case $d in nvme0n1) before=selftest-nvme-passed-team-tm8fp6.json; "
            "during=selftest-nvme-running-extended.json; after=$before;; "
            "sda) before=selftest-ata-read-failure-wd-scorpio.json; "
            "during=selftest-ata-running-toshiba-hg6.json; after=$before;; *) exit 2;; esac\n"
            "if [ ! -e '" +
            dir + "/started.'$d ]; then cat '" + files +
            "'$before; exit 0; fi\n"
            "n=$(cat '" +
            dir + "/polls.'$d 2>/dev/null || echo 0); n=$((n+1)); echo $n > '" + dir +
            "/polls.'$d\n"
            "if [ $n -le 3 ]; then cat '" +
            files + "'$during; else cat '" + files + "'$after; fi");
    fakePkexec("shift_helper=$1; shift; exec '" + dir +
               "/smartctl' --json $(if [ \"$1\" = short-test ]; "
               "then echo -t short /dev/$2; else echo -x /dev/$1; fi)");
    AppServices services;
    DrivesGroup group(services);
    group.setSource((kFixtures + "/sysfs-laptop").toStdString(), unprivileged());
    drives::SelfTestSettings test;
    test.pollInterval = std::chrono::milliseconds(300);
    group.setSelfTestSettings(test);
    group.show();
    QCOMPARE(group.Button11->text(), QString::fromUtf8("Короткий тест диска"));
    QCOMPARE(group.Button11->objectName(), QString("Button11"));

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(group.Button11, Qt::LeftButton);
    QVERIFY2(clock.elapsed() < 500, "the click waited for the drives");
    QVERIFY(group.testing());
    QVERIFY(!group.Button10->isEnabled() && !group.Button11->isEnabled());
    QVERIFY(group.ProgressBar2->isVisible());
    // While the drives test themselves the label names each one's progress and the bar follows the slowest.
    QTRY_VERIFY_WITH_TIMEOUT(group.StaticText27->text().contains("sda 10 %"), 15000);
    QVERIFY2(group.StaticText27->text().contains("nvme0n1 16 %"), qPrintable(group.StaticText27->text()));
    QCOMPARE(group.ProgressBar2->value(), 10);
    QTRY_VERIFY_WITH_TIMEOUT(!group.testing(), 20000);
    QVERIFY(!group.ProgressBar2->isVisible());
    QVERIFY(group.Button11->isEnabled());
    QCOMPARE(group.StaticText27->text(), QString::fromUtf8("Короткий тест диска закончен."));

    const auto* failed = services.results.find("drives", "sda.selftest");
    QVERIFY(failed != nullptr);
    QCOMPARE(failed->judgement, results::Verdict::Bad);
    QCOMPARE(QString::fromStdString(failed->value),
             QString::fromUtf8("Short offline: Completed: read failure (на 16402 ч работы)"));
    const auto* passed = services.results.find("drives", "nvme0n1.selftest");
    QVERIFY(passed != nullptr);
    QCOMPARE(QString::fromStdString(passed->verdict), QString::fromUtf8("Короткий тест пройден"));
    // Each result right after its drive's lines; the USB drive was not asked.
    const auto lines = services.results.linesOf("drives");
    QStringList keys;
    for (const auto& line : lines) {
        keys << QString::fromStdString(line.key);
    }
    QCOMPARE(keys,
             (QStringList{"nvme0n1.drive", "nvme0n1.selftest", "sda.drive", "sda.selftest", "sdb.drive"}));
    QVERIFY(group.ListBox5->item(1)->toolTip().contains(QString::fromUtf8("Короткий тест не пройден")));

    QFile trace(fakes_->filePath("pkexec.trace"));
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QString calls = QString::fromUtf8(trace.readAll());
    QVERIFY2(calls.contains("/usr/lib/vexlin/vexlin-smart-helper short-test nvme0n1\n") &&
                 calls.contains("/usr/lib/vexlin/vexlin-smart-helper short-test sda\n") &&
                 !calls.contains("sdb"),
             qPrintable(calls));

    report::ReportRecord record;
    record.shown.results = services.results.lines();
    const QString json = QString::fromStdString(report::reportJson(record));
    QVERIFY2(json.contains("\"self_test\": \"failed\"") && json.contains("\"self_test_hours\": 16402"),
             qPrintable(json));
}

// This build machine: nothing to test, said at once, nothing run.
void DrivesWindowTest::virtualDiskHasNoSelfTest() {
    AppServices services;
    services.sysfsRoot = (kFixtures + "/sysfs-virtual-machine").toStdString();
    DrivesGroup group(services);
    QTest::mouseClick(group.Button11, Qt::LeftButton);
    QVERIFY(!group.testing());
    QVERIFY(group.StaticText27->text().contains(QString::fromUtf8("проверяют себя сами, нет")));
    QVERIFY(services.results.empty());
}

QTEST_MAIN(DrivesWindowTest)
#include "DrivesWindowTest.moc"
