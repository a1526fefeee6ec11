#include "drives/DriveLines.h"
#include "drives/UdisksReader.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vexlin;

namespace {

const QString kFixtures = QStringLiteral(VEXLIN_FIXTURES);

// Debian's python3-dbusmock is installed for the system's python3, which need not be the first on PATH.
QString python() {
    for (const QString& candidate :
         {QString("/usr/bin/python3"), QStandardPaths::findExecutable("python3")}) {
        if (!candidate.isEmpty() && QProcess::execute(candidate, {"-c", "import dbusmock"}) == 0) {
            return candidate;
        }
    }
    return {};
}

} // namespace

// UDisks2 as a fake service (python3-dbusmock) on a bus of the test's own, started and stopped here.
class UdisksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsTheDrive_data();
    void readsTheDrive();
    void sataAndNvmeWithoutAPassword();

private:
    QProcess daemon_;
    QProcess mock_;
    QString address_;
    std::optional<QDBusConnection> bus_;
};

void UdisksTest::initTestCase() {
    const QString interpreter = python();
    if (interpreter.isEmpty()) {
        QSKIP("python3-dbusmock is not installed (scripts/install-deps.sh installs it)");
    }
    daemon_.setProgram("dbus-daemon");
    daemon_.setArguments({"--session", "--nofork", "--print-address=1"});
    daemon_.start();
    QVERIFY2(daemon_.waitForStarted(5000), "dbus-daemon did not start");
    QTRY_VERIFY_WITH_TIMEOUT(daemon_.canReadLine(), 5000);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    QVERIFY(!address_.isEmpty());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address_);
    mock_.setProcessEnvironment(environment);
    mock_.setProgram(interpreter);
    mock_.setArguments({"-m", "dbusmock", "--template", kFixtures + "/udisks2/udisks2.py"});
    mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock_.start();
    QVERIFY2(mock_.waitForStarted(5000), "dbusmock did not start");

    bus_ = QDBusConnection::connectToBus(address_, "vexlin-udisks-test");
    QVERIFY(bus_->isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(bus_->interface()->isServiceRegistered("org.freedesktop.UDisks2"), 15000);
}

void UdisksTest::cleanupTestCase() {
    bus_.reset();
    QDBusConnection::disconnectFromBus("vexlin-udisks-test");
    for (QProcess* process : {&mock_, &daemon_}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
}

void UdisksTest::readsTheDrive_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("interface");
    QTest::addColumn<QString>("model");
    QTest::addColumn<qlonglong>("powerOnHours");
    QTest::addColumn<int>("temperature");
    QTest::addColumn<qlonglong>("reallocated"); // -1: not reported
    QTest::addColumn<qlonglong>("pending");
    QTest::addColumn<int>("percentageUsed"); // -1: not reported
    QTest::addColumn<bool>("passed");
    QTest::newRow("sata hard disk") << "sda" << true << int(drives::Interface::SataHdd)
                                    << "Hitachi HDS721050DLE630" << 65592LL << 25 << 1975LL << 8LL << -1
                                    << false;
    QTest::newRow("nvme controller") << "nvme0n1" << true << int(drives::Interface::Nvme)
                                     << "SAMSUNG MZVL21T0HCLR-00B00" << 10423LL << 29 << -1LL << -1LL << 16
                                     << true;
    QTest::newRow("block device udisks does not know")
        << "sdz" << false << 0 << "" << 0LL << 0 << -1LL << -1LL << -1 << false;
}

void UdisksTest::readsTheDrive() {
    QFETCH(QString, name);
    QFETCH(bool, found);
    const auto record = readThroughUdisks(*bus_, name.toStdString());
    QCOMPARE(record.has_value(), found);
    if (!found) {
        return;
    }
    QFETCH(int, interface);
    QFETCH(QString, model);
    QFETCH(qlonglong, powerOnHours);
    QFETCH(int, temperature);
    QFETCH(qlonglong, reallocated);
    QFETCH(qlonglong, pending);
    QFETCH(int, percentageUsed);
    QFETCH(bool, passed);
    QCOMPARE(int(record->interface), interface);
    QCOMPARE(QString::fromStdString(record->model), model);
    QCOMPARE(record->powerOnHours.value_or(-1), powerOnHours);
    QCOMPARE(record->temperature.value_or(-1), temperature);
    QCOMPARE(record->reallocatedSectors.value_or(-1), reallocated);
    QCOMPARE(record->pendingSectors.value_or(-1), pending);
    QCOMPARE(record->percentageUsed.value_or(-1), percentageUsed);
    QCOMPARE(record->assessmentPassed, std::optional<bool>(passed));
}

// The laptop's two internal drives come from UDisks2: no smartctl and no pkexec are there, so neither may be
// needed; the USB drive is listed as before.
void UdisksTest::sataAndNvmeWithoutAPassword() {
    QTemporaryDir empty;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", empty.path().toUtf8());
    drives::RunSettings settings;
    settings.privileged = false;
    settings.systemDirectories.clear();
    settings.withoutPassword = [this](const std::string& name) { return readThroughUdisks(*bus_, name); };
    const auto reading = drives::readDrives((kFixtures + "/sysfs-laptop").toStdString(), settings);
    qputenv("PATH", oldPath);

    QVERIFY(!reading.failure);
    const auto lines = drives::driveLines(reading, ",");
    QMap<QString, const results::ResultLine*> byKey;
    for (const auto& line : lines) {
        byKey.insert(QString::fromStdString(line.key), &line);
    }
    QVERIFY(byKey.contains("sda.drive") && byKey.contains("nvme0n1.health"));
    QCOMPARE(QString::fromStdString(byKey["sda.drive"]->verdict),
             QString::fromUtf8("Неисправен: диск сам сообщает о сбое"));
    QVERIFY(byKey["sda.drive"]->facts.end() !=
            std::find(byKey["sda.drive"]->facts.begin(), byKey["sda.drive"]->facts.end(),
                      results::Fact{"health_source", std::string("udisks2"), ""}));
    QCOMPARE(QString::fromStdString(byKey["nvme0n1.drive"]->verdict), QString::fromUtf8("Изношен на 16 %"));
    // udisks gives no temperature limits; the kernel's hwmon does.
    QVERIFY2(QString::fromStdString(byKey["nvme0n1.health"]->value)
                 .contains(QString::fromUtf8("29 °C (предел 72 °C, критический 85 °C)")),
             byKey["nvme0n1.health"]->value.c_str());
    QVERIFY(QString::fromStdString(byKey["nvme0n1.health"]->value)
                .contains(QString::fromUtf8("записано 58,2 ТБ")));
    QCOMPARE(QString::fromStdString(byKey["sdb.drive"]->verdict), QString::fromUtf8(drives::kExternalWords));
}

QTEST_GUILESS_MAIN(UdisksTest)
#include "UdisksTest.moc"
