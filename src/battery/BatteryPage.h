#pragma once

#include "battery/BatteryHealthMonitor.h"
#include "battery/ChargeHistory.h"
#include "battery/DischargeAnalysis.h"
#include "battery/MonitorTexts.h"
#include "battery/RundownRecorder.h"
#include "ui/AppServices.h"

#include <QElapsedTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
class QCategoryAxis;

namespace vexlin {

class ChargeChartView;

// The main window's page "Батарея": power-status texts, the charge chart and the run-time forecast.  The main
// window's Timer1 (through showTexts/addChartPoint) and Timer3 drive it.
class BatteryPage : public QWidget {
    Q_OBJECT
public:
    BatteryPage(AppServices& services, QWidget* parent = nullptr);
    ~BatteryPage() override;

    // The monitor tick's share of the page: the status texts, then the chart point.
    void showTexts(const battery::MonitorTick& tick);
    void addChartPoint(const battery::MonitorTick& tick);

    void Timer3Timer(); // one forecast tick, reading the status the monitor polled last

    // The monitor tick's battery-health share: one snapshot of the batteries folded into their measurement,
    // their lines in the results store brought up to date.
    void pollHealth();
    const battery::BatteryHealthMonitor& healthMonitor() const { return health_; }
    // Seconds on a steady clock; a test replaces it to replay a recorded discharge at its own pace.
    void setHealthClock(std::function<double()> clock) { healthClock_ = std::move(clock); }

    void Button9Click();

    // The run-down test: the button's message and choice, the live group once a second, and at start the
    // runs that ended while Vexlin was not running.
    void RundownButtonClick();
    void RundownStopClick();
    void RundownTimerTimer();
    void findRundowns(); // once, when the main window is first shown
    // One recorder for each battery that answered when the run began, in name order.
    battery::RundownRecorder* rundown(std::size_t index = 0) {
        return index < rundowns_.size() ? rundowns_[index].recorder.get() : nullptr;
    }
    std::size_t rundownCount() const { return rundowns_.size(); }

signals:
    // "Под нагрузкой" chosen: the main window opens the performance window, whose drawing is the load.
    void heavyLoadRequested();

public:
    // A test keeps the journals in a folder of its own, reads the battery at its own pace and answers the
    // choice itself.
    void setRundownFolder(std::filesystem::path folder) { rundownFolder_ = std::move(folder); }
    void setRundownOptions(battery::RecorderOptions options) { rundownOptions_ = std::move(options); }
    void setRundownChooser(std::function<std::optional<battery::RundownLoad>()> chooser) {
        rundownChooser_ = std::move(chooser);
    }

    // Every stored chart point; Series1 holds only what is needed to draw them at the current size and zoom.
    const battery::ChargeHistory& chargeHistory() const { return history_; }
    const battery::DischargeAnalysis& analysis() const { return analysis_; }

    QLabel* StaticText7 = nullptr;  // run time
    QLabel* StaticText8 = nullptr;  // charge
    QLabel* StaticText9 = nullptr;  // flags
    QLabel* StaticText10 = nullptr; // power source
    QLabel* Label16 = nullptr;
    QLabel* StaticText24 = nullptr; // forecast progress and result
    QPushButton* Button9 = nullptr; // "Считать"
    QWidget* Panel3 = nullptr;      // the right-hand panel of the top strip
    QLabel* StaticText26 = nullptr; // elapsed time
    QChartView* Chart1 = nullptr;
    QLineSeries* Series1 = nullptr; // "Батарея"
    QLineSeries* Series2 = nullptr; // "Эталонная батарея", never filled
    QValueAxis* LeftAxis = nullptr;
    QCategoryAxis* BottomAxis = nullptr;
    QTimer* Timer3 = nullptr;             // the main window's forecast timer, set by the main window
    QPushButton* RundownButton = nullptr; // "Разрядный тест"
    QGroupBox* RundownGroup = nullptr;    // the live view, shown while a run goes on
    QLabel* RundownElapsed = nullptr;
    QLabel* RundownDelivered = nullptr;
    QLabel* RundownPower = nullptr;
    QLabel* RundownCharge = nullptr;
    QLabel* RundownForecast = nullptr;
    QPushButton* RundownStop = nullptr; // "Остановить"
    QTimer* RundownTimer = nullptr;     // 1000 ms while a run goes on

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildTopStrip(QWidget* strip);
    void buildChart();
    void fitBottomAxisToPoints();
    void redrawSeries();
    void relabelBottomAxis(double xMin, double xMax);
    void showAnalysis();
    QWidget* buildRundownRow();
    void putRundownResult(int number, const battery::Journal& journal, bool live);
    int journalNumber(const std::filesystem::path& file) const;
    static std::filesystem::path seenMark(const std::filesystem::path& journal);
    static void markRundownSeen(const std::filesystem::path& journal);

    AppServices& services_;
    battery::ChargeHistory history_;
    battery::DischargeAnalysis analysis_;
    std::vector<std::int32_t> labelPositions_;
    bool adjustingAxes_ = false;
    bool chartStale_ = false; // points arrived while the chart was hidden
    battery::BatteryHealthMonitor health_;
    std::function<double()> healthClock_;
    struct Rundown {
        std::unique_ptr<battery::RundownRecorder> recorder;
        int number = 0;        // the journal's place in the folder: its key "rundown.<n>"
        bool finished = false; // its end has been told
    };
    bool rundownRunning() const;
    std::vector<Rundown> rundowns_;
    std::filesystem::path rundownFolder_;
    battery::RecorderOptions rundownOptions_;
    std::function<std::optional<battery::RundownLoad>()> rundownChooser_;
    std::string bootId_;
    QElapsedTimer rundownElapsed_;
    bool rundownsFound_ = false;
};

} // namespace vexlin
