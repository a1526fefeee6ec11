#pragma once

#include "drives/DriveLines.h"
#include "drives/SelfTest.h"
#include "ui/AppServices.h"

#include <QGroupBox>
#include <filesystem>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vexlin {

// The group "Накопители" of the page "Система": the internal drives the kernel lists, and on request their
// health as the drives record it.  smartctl runs on a worker thread started from the normal-priority lane;
// the window only polls for the result, so a hung drive never holds it up.
class DrivesGroup : public QGroupBox {
    Q_OBJECT
public:
    DrivesGroup(AppServices& services, QWidget* parent = nullptr);
    ~DrivesGroup() override;

    void Button10Click(); // "Прочитать здоровье дисков"
    void Timer4Timer();   // whether the worker has finished
    void Button11Click(); // "Короткий тест диска"
    void Timer5Timer();   // how far the drives' self-tests got

    // Where the drives are read from and how smartctl is run; a test points these at a fixture tree and
    // at the unprivileged path through pkexec.
    void setSource(std::filesystem::path sysfsRoot, drives::RunSettings settings);
    const drives::RunSettings& runSettings() const { return settings_; }
    bool busy() const { return pending_ != nullptr; }
    // How often the drives are asked how far their self-test got, and how long at most; a test shortens
    // these.
    void setSelfTestSettings(drives::SelfTestSettings settings) { selfTestSettings_ = settings; }
    bool testing() const { return selfTest_ != nullptr; }

    QPushButton* Button10 = nullptr;      // "Прочитать здоровье дисков"
    QListWidget* ListBox5 = nullptr;      // a row per line: the drive, then its readings
    QLabel* StaticText27 = nullptr;       // what is going on, or what to do
    QTimer* Timer4 = nullptr;             // polls the worker while it runs
    QPushButton* Button11 = nullptr;      // "Короткий тест диска"
    QProgressBar* ProgressBar2 = nullptr; // the self-test's progress, shown while it runs
    QTimer* Timer5 = nullptr;             // polls the self-test's worker

private:
    struct Pending;
    struct SelfTestPending;

    void listDrives();
    void showLines(const std::vector<results::ResultLine>& lines);
    void storeLines(const std::vector<results::ResultLine>& lines);

    AppServices& services_;
    std::filesystem::path sysfsRoot_;
    drives::RunSettings settings_;
    std::shared_ptr<Pending> pending_;
    std::shared_ptr<SelfTestPending> selfTest_;
    drives::SelfTestSettings selfTestSettings_;
    std::vector<results::ResultLine> lines_;         // the drives' lines as last read
    std::vector<results::ResultLine> selfTestLines_; // the last self-test's result per drive
};

// The helper as installed (../lib/vexlin/ from the program's directory), else beside the program (the build).
std::filesystem::path smartHelperPath();

} // namespace vexlin
