#include "drives/DrivesGroup.h"

#include "drives/UdisksReader.h"
#include "ui/VerdictColour.h"

#include <QBrush>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace vexlin {

// What the worker hands over; shared, so that a window closed mid-reading leaves the worker something to
// write to.
struct DrivesGroup::Pending {
    std::mutex mutex;
    bool done = false;
    drives::DrivesReading reading;
};

struct DrivesGroup::SelfTestPending {
    std::mutex mutex;
    bool done = false;
    bool cancelled = false; // the window went: the worker stops waiting
    std::vector<drives::SelfTestProgress> progress;
};

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

std::string separator() {
    return QLocale().decimalPoint().toStdString();
}

} // namespace

std::filesystem::path smartHelperPath() {
    const std::filesystem::path here = QCoreApplication::applicationDirPath().toStdString();
    const auto installed = here / "../lib/vexlin/vexlin-smart-helper";
    std::error_code error;
    if (std::filesystem::exists(installed, error)) {
        return std::filesystem::weakly_canonical(installed, error);
    }
    return here / "vexlin-smart-helper";
}

DrivesGroup::DrivesGroup(AppServices& services, QWidget* parent)
    : QGroupBox(QString::fromUtf8("Накопители"), parent), services_(services),
      sysfsRoot_(services.sysfsRoot) {
    setObjectName("GroupBox5");
    settings_.privileged = geteuid() == 0;
    settings_.helper = smartHelperPath();
    if (!settings_.privileged) {
        // UDisks2 reads SATA drives (and NVMe ones, from udisks 2.10) without a password.
        settings_.withoutPassword = [](const std::string& name) {
            return readThroughUdisks(QDBusConnection::systemBus(), name);
        };
    }

    ListBox5 = new QListWidget(this);
    ListBox5->setObjectName("ListBox5");
    // Room for four drives: the processor group above keeps the page's height.
    const int row = ListBox5->fontMetrics().height() + 2;
    ListBox5->setMinimumHeight(2 * row + 6);
    ListBox5->setMaximumHeight(4 * row + 6);
    StaticText27 = new QLabel(this);
    StaticText27->setObjectName("StaticText27");
    StaticText27->setWordWrap(true);
    Button10 = new QPushButton(QString::fromUtf8("Прочитать здоровье дисков"), this);
    Button10->setObjectName("Button10");
    Timer4 = new QTimer(this);
    Timer4->setObjectName("Timer4");
    Timer4->setInterval(100);

    Button11 = new QPushButton(QString::fromUtf8("Короткий тест диска"), this);
    Button11->setObjectName("Button11");
    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName("ProgressBar2");
    ProgressBar2->setRange(0, 100);
    ProgressBar2->setVisible(false);
    Timer5 = new QTimer(this);
    Timer5->setObjectName("Timer5");
    Timer5->setInterval(250);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ListBox5, 1);
    layout->addWidget(StaticText27);
    layout->addWidget(ProgressBar2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button10);
    buttons->addWidget(Button11);
    layout->addLayout(buttons);

    connect(Button10, &QPushButton::clicked, this, &DrivesGroup::Button10Click);
    connect(Timer4, &QTimer::timeout, this, &DrivesGroup::Timer4Timer);
    connect(Button11, &QPushButton::clicked, this, &DrivesGroup::Button11Click);
    connect(Timer5, &QTimer::timeout, this, &DrivesGroup::Timer5Timer);
    listDrives();
}

DrivesGroup::~DrivesGroup() {
    if (selfTest_) {
        const std::lock_guard lock(selfTest_->mutex);
        selfTest_->cancelled = true;
    }
}

void DrivesGroup::setSource(std::filesystem::path sysfsRoot, drives::RunSettings settings) {
    sysfsRoot_ = std::move(sysfsRoot);
    settings_ = std::move(settings);
    listDrives();
}

// The drives as the kernel lists them, before anything is read: cheap, and says at once what needs no
// reading (a virtual disk, an external one).
void DrivesGroup::listDrives() {
    drives::DrivesReading listed;
    for (auto& drive : drives::listDrives(sysfsRoot_)) {
        drives::DriveReport report;
        report.drive = std::move(drive);
        listed.drives.push_back(std::move(report));
    }
    lines_ = drives::driveLines(listed, separator());
    selfTestLines_.clear();
    showLines(lines_);
    StaticText27->setText(QString());
}

// A row per drive, its verdict first so that the narrow column shows it; the readings and the reasons are in
// the row's tooltip (and on the page "Итоги").
void DrivesGroup::showLines(const std::vector<results::ResultLine>& lines) {
    ListBox5->clear();
    QListWidgetItem* drive = nullptr;
    for (const auto& line : lines) {
        const bool details = line.key.ends_with(".health") || line.key.ends_with(".selftest");
        QString text = details ? fromStd(line.what) + ": " + fromStd(line.value) : QString();
        if (!details) {
            const auto dot = line.key.find('.');
            text = fromStd(dot == std::string::npos ? line.what : line.key.substr(0, dot)) + ": ";
            text += fromStd(line.verdict.empty() ? line.value : line.verdict);
            if (!line.verdict.empty() && !line.value.empty()) {
                text += QString::fromUtf8(" — ") + fromStd(line.value);
            }
        }
        if (details && drive != nullptr) {
            QString tip = drive->toolTip() + '\n' + text;
            if (!line.verdict.empty()) {
                tip += '\n' + fromStd(line.verdict);
            }
            drive->setToolTip(tip);
            continue;
        }
        drive = new QListWidgetItem(text, ListBox5);
        drive->setToolTip(text);
        if (const auto colour = verdictColour(line.judgement)) {
            drive->setForeground(QBrush(*colour));
        }
    }
}

void DrivesGroup::storeLines(const std::vector<results::ResultLine>& lines) {
    services_.results.clearSource(drives::kSource);
    for (const auto& line : lines) {
        services_.results.put(line);
    }
}

void DrivesGroup::Button10Click() {
    if (pending_ || selfTest_) {
        return;
    }
    auto pending = std::make_shared<Pending>();
    pending_ = pending;
    Button10->setEnabled(false);
    StaticText27->setText(QString::fromUtf8(
        settings_.privileged ? "Читаю показания дисков…"
                             : "Читаю показания дисков: система спросит пароль администратора…"));
    auto body = [pending, root = sysfsRoot_, settings = settings_] {
        auto reading = drives::readDrives(root, settings);
        const std::lock_guard lock(pending->mutex);
        pending->reading = std::move(reading);
        pending->done = true;
    };
    // smartctl is started from the lane, so it does not inherit the window thread's idle priority.
    std::thread worker = services_.lane ? services_.lane->startThread(body) : std::thread(body);
    worker.detach();
    Timer4->start();
}

void DrivesGroup::Timer4Timer() {
    if (!pending_) {
        Timer4->stop();
        return;
    }
    drives::DrivesReading reading;
    {
        const std::lock_guard lock(pending_->mutex);
        if (!pending_->done) {
            return;
        }
        reading = std::move(pending_->reading);
    }
    pending_.reset();
    Timer4->stop();
    Button10->setEnabled(true);

    lines_ = drives::driveLines(reading, separator());
    const auto lines = drives::withSelfTestLines(lines_, selfTestLines_);
    showLines(lines);
    storeLines(lines);
    StaticText27->setText(reading.failure ? fromStd(reading.failure->message)
                                          : QString::fromUtf8("Показания прочитаны."));
}

// The drives test themselves; the worker only starts the tests and asks how far they got, from the lane,
// with the reading's timeout on every smartctl.  External and virtual drives are not asked: a USB bridge
// rarely passes the command on, and a hypervisor's disk has no self-test.
void DrivesGroup::Button11Click() {
    if (pending_ || selfTest_) {
        return;
    }
    std::vector<std::string> names;
    for (const auto& drive : drives::listDrives(sysfsRoot_)) {
        if (!drive.usb && !drive.isVirtual) {
            names.push_back(drive.name);
        }
    }
    if (names.empty()) {
        StaticText27->setText(
            QString::fromUtf8("Короткий тест диска: внутренних дисков, которые проверяют себя сами, нет."));
        return;
    }
    auto pending = std::make_shared<SelfTestPending>();
    selfTest_ = pending;
    Button10->setEnabled(false);
    Button11->setEnabled(false);
    ProgressBar2->setValue(0);
    ProgressBar2->setVisible(true);
    StaticText27->setText(QString::fromUtf8(
        settings_.privileged ? "Короткий тест диска: запускаю…"
                             : "Короткий тест диска: система спросит пароль администратора…"));
    auto body = [pending, names, settings = settings_, test = selfTestSettings_] {
        auto report = [&pending](const std::vector<drives::SelfTestProgress>& progress) {
            const std::lock_guard lock(pending->mutex);
            pending->progress = progress;
            return !pending->cancelled;
        };
        auto finished = drives::runShortSelfTests(names, settings, test, report);
        const std::lock_guard lock(pending->mutex);
        pending->progress = std::move(finished);
        pending->done = true;
    };
    std::thread worker = services_.lane ? services_.lane->startThread(body) : std::thread(body);
    worker.detach();
    Timer5->start();
}

void DrivesGroup::Timer5Timer() {
    if (!selfTest_) {
        Timer5->stop();
        return;
    }
    std::vector<drives::SelfTestProgress> progress;
    bool done = false;
    {
        const std::lock_guard lock(selfTest_->mutex);
        progress = selfTest_->progress;
        done = selfTest_->done;
    }
    // The bar follows the slowest drive; the label names each one.
    QStringList parts;
    int slowest = 100;
    bool any = false;
    for (const auto& drive : progress) {
        if (drive.outcome.kind != drives::SelfTestOutcome::Kind::Running) {
            continue;
        }
        any = true;
        const int percent = drive.outcome.status.percentDone.value_or(0);
        slowest = std::min(slowest, percent);
        parts << fromStd(drive.drive) + " " + QString::number(percent) + " %";
    }
    if (any) {
        ProgressBar2->setValue(slowest);
        StaticText27->setText(QString::fromUtf8("Короткий тест диска идёт (около двух минут): ") +
                              parts.join(", "));
    }
    if (!done) {
        return;
    }
    selfTest_.reset();
    Timer5->stop();
    ProgressBar2->setVisible(false);
    Button10->setEnabled(true);
    Button11->setEnabled(true);
    selfTestLines_.clear();
    for (const auto& drive : progress) {
        selfTestLines_.push_back(drives::selfTestLine(drive));
    }
    const auto lines = drives::withSelfTestLines(lines_, selfTestLines_);
    showLines(lines);
    storeLines(lines);
    StaticText27->setText(QString::fromUtf8("Короткий тест диска закончен."));
}

} // namespace vexlin
