#pragma once

#include "ui/AppServices.h"
#include "ui/ClockTimerSwitch.h"

#include <QIcon>
#include <QMainWindow>
#include <memory>

class QDialog;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace vexlin {

class BatteryPage;
class ResultsPage;
class ClockThermalWatch;
class SystemPage;
class TrayEntry;

// The picture of the tray entry last built by the battery monitor; one is held at a time.
inline QIcon TrayIconHandle;

// The hub: the column of test buttons, the pages "Система", "Батарея" and "Итоги", the menus and four timers.
class TMainForm : public QMainWindow, public ClockTimerSwitch {
    Q_OBJECT
public:
    explicit TMainForm(AppServices& services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Handlers, named after their control and event.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void HelpClick();
    void OptionsClick();
    void AboutClick();
    void runTool(const QString& title, const char* windowsCommandLine);
    // The tray picture of a short text in the window's font; a null icon on failure.
    QIcon MakeTextIcon(const QString& text) const;
    const TrayEntry& trayEntry() const { return *trayEntry_; }

    // ClockTimerSwitch
    bool measureOptionTicked() const override;
    void setClockTimerRunning(bool running) override;

    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr; // the bottom part of the left column, holding Button6
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    SystemPage* TabSheet1 = nullptr;
    BatteryPage* TabSheet2 = nullptr;
    ResultsPage* TabSheet3 = nullptr; // "Итоги"
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* TimerWallpaper = nullptr;
    // The sensors watched while Timer2 measures the clock.
    ClockThermalWatch* ClockThermal = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildButtonColumn();
    void buildMenus();
    QPushButton* addTestButton(QWidget* panel, const char* name, const char* caption, int y,
                               const char* below);
    void openModal(QDialog* window);
    void settleOuterSize();

    AppServices& services_;
    std::unique_ptr<TrayEntry> trayEntry_;
    bool shownOnce_ = false;
    bool outerSizeSettled_ = false;
    bool activatedOnce_ = false;
};

} // namespace vexlin
