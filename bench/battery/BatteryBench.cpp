// The battery monitor's costs with a day of points on the chart: one tick, one repaint of the chart, one
// tray icon; and, for comparison, the same day with every point handed to the chart's series.
#include "app/MainForm.h"
#include "battery/BatteryPage.h"
#include "battery/TrayIcon.h"
#include "support/QtBenchMain.h"
#include "ui/Globals.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>
#include <QValueAxis>
#include <benchmark/benchmark.h>

namespace {

using namespace vexlin;

constexpr int kDayOfTicks = 86400;

// 80 % falling by one every 15 minutes, so a day of points has both long flat runs and steps.
class DischargingPower final : public platform::PowerSource {
public:
    platform::PowerStatus read() const override {
        platform::PowerStatus status;
        status.ACLineStatus = 0;
        status.BatteryFlag = 0;
        status.BatteryLifePercent = static_cast<std::uint8_t>(std::max(1, 80 - polls / 900));
        status.BatteryLifeTime = 3600;
        ++polls;
        return status;
    }
    mutable int polls = 0;
};

// One main window for all benchmarks, with a day of ticks behind it.
struct Fixture {
    Fixture() {
        services = AppServices::forThisSystem();
        services.power = std::make_unique<DischargingPower>();
        form = std::make_unique<TMainForm>(services);
        form->Timer1->stop();
        form->resize(810, 620);
        form->show();
        // The real ticks, made while the page "Система" is in front.
        for (int i = 0; i < kDayOfTicks; ++i) {
            form->Timer1Timer();
        }
        form->PageControl1->setCurrentIndex(1);
        QCoreApplication::processEvents();
    }
    AppServices services;
    std::unique_ptr<TMainForm> form;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_MonitorTickWithADayOfPoints(benchmark::State& state) {
    auto& f = fixture();
    for (auto _ : state) {
        f.form->Timer1Timer();
    }
    state.counters["points"] = static_cast<double>(f.form->TabSheet2->chargeHistory().size());
    state.counters["drawn"] = f.form->TabSheet2->Series1->count();
}
BENCHMARK(BM_MonitorTickWithADayOfPoints)->Unit(benchmark::kMillisecond);

void BM_ChartRepaintWithADayOfPoints(benchmark::State& state) {
    auto& f = fixture();
    QChartView* view = f.form->TabSheet2->Chart1;
    QImage target(view->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        view->render(&painter);
    }
    state.counters["width"] = view->width();
    state.counters["height"] = view->height();
}
BENCHMARK(BM_ChartRepaintWithADayOfPoints)->Unit(benchmark::kMillisecond);

void BM_MakeTrayIcon(benchmark::State& state) {
    auto& f = fixture();
    const char* texts[] = {"||||||||", "|||   ", "!   ", "!!!!"};
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.form->MakeTextIcon(texts[i++ % 4]));
    }
}
BENCHMARK(BM_MakeTrayIcon)->Unit(benchmark::kMicrosecond);

// For comparison: every point in the series and the axis following the last one.
struct AllPointsChart {
    AllPointsChart() {
        series = new QLineSeries;
        QList<QPointF> points;
        for (int x = 0; x < kDayOfTicks; ++x) {
            points.append({double(x), double(80 - x / 900)});
        }
        series->replace(points);
        auto* chart = new QChart;
        chart->legend()->hide();
        chart->addSeries(series);
        axisX = new QValueAxis;
        auto* axisY = new QValueAxis;
        axisY->setRange(0, 101);
        chart->addAxis(axisX, Qt::AlignBottom);
        chart->addAxis(axisY, Qt::AlignLeft);
        series->attachAxis(axisX);
        series->attachAxis(axisY);
        axisX->setRange(0, kDayOfTicks - 1);
        view = std::make_unique<QChartView>(chart);
        view->resize(655, 480);
        view->show();
        QCoreApplication::processEvents();
    }
    QLineSeries* series;
    QValueAxis* axisX;
    std::unique_ptr<QChartView> view;
};

void BM_AllPointsInTheSeriesTick(benchmark::State& state) {
    AllPointsChart chart;
    int x = kDayOfTicks;
    for (auto _ : state) {
        chart.series->append(x, 10);
        chart.axisX->setRange(0, x);
        ++x;
    }
}
BENCHMARK(BM_AllPointsInTheSeriesTick)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_AllPointsInTheSeriesRepaint(benchmark::State& state) {
    AllPointsChart chart;
    QImage target(chart.view->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        chart.view->render(&painter);
    }
}
BENCHMARK(BM_AllPointsInTheSeriesRepaint)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return vexlin::bench::runWithApplication<QApplication>(argc, argv, [] { fixture().form.reset(); });
}
