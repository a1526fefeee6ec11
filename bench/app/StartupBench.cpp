// Start-up budget: the splash must be up within 100 ms and the main window shown within 1 s.  Measured in
// process with the real services; run it on a display (scripts/headless-desktop.sh gives one).
#include "app/Application.h"
#include "app/Forms.h"
#include "app/LogoForm.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "ui/AppServices.h"

#include <QElapsedTimer>
#include <QTest>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

double applicationObjectSeconds = 0;

double secondsSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void BM_SplashVisible(benchmark::State& state) {
    auto services = vexlin::AppServices::forThisSystem();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        vexlin::TLogoForm splash(*services.power);
        splash.show();
        splash.repaint();
        QApplication::processEvents();
        state.SetIterationTime(secondsSince(timer) + applicationObjectSeconds);
    }
}
BENCHMARK(BM_SplashVisible)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// From the splash to the main window exposed on the screen: every window created once, as at a real start.
void BM_StartupToMainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto services = vexlin::AppServices::forThisSystem();
        {
            vexlin::TLogoForm splash(*services.power);
            splash.show();
            splash.repaint();
            QApplication::processEvents();
            vexlin::createWindows(services);
        }
        vexlin::MainForm->show();
        const bool exposed = QTest::qWaitForWindowExposed(vexlin::MainForm);
        state.SetIterationTime(secondsSince(timer) + applicationObjectSeconds);
        if (!exposed) {
            state.SkipWithError("the main window never became visible");
        }
        vexlin::destroyWindows();
    }
    state.counters["application_object_ms"] = applicationObjectSeconds * 1000.0;
}
BENCHMARK(BM_StartupToMainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer timer;
    timer.start();
    vexlin::VexlinApplication app(argc, argv);
    applicationObjectSeconds = secondsSince(timer);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
