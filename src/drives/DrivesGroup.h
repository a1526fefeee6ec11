#pragma once

#include "app/shared/AppServices.h"
#include "drives/DriveLines.h"

#include <QGroupBox>
#include <filesystem>
#include <memory>

class QLabel;
class QListWidget;
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

    // Where the drives are read from and how smartctl is run; a test points these at a fixture tree and
    // at the unprivileged path through pkexec.
    void setSource(std::filesystem::path sysfsRoot, drives::RunSettings settings);
    const drives::RunSettings& runSettings() const { return settings_; }
    bool busy() const { return pending_ != nullptr; }

    QPushButton* Button10 = nullptr; // "Прочитать здоровье дисков"
    QListWidget* ListBox5 = nullptr; // a row per line: the drive, then its readings
    QLabel* StaticText27 = nullptr;  // what is going on, or what to do
    QTimer* Timer4 = nullptr;        // polls the worker while it runs

private:
    struct Pending;

    void listDrives();
    void showLines(const std::vector<results::ResultLine>& lines);

    AppServices& services_;
    std::filesystem::path sysfsRoot_;
    drives::RunSettings settings_;
    std::shared_ptr<Pending> pending_;
};

// The helper as installed (../lib/vexlin/ from the program's directory), else beside the program (the build).
std::filesystem::path smartHelperPath();

} // namespace vexlin
