#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <functional>

namespace vexlin::bench {

// The main() of a benchmark program that needs a Qt application object.  Without a display the widgets are
// made on Qt's off-screen platform.  beforeExit runs while the application object still exists, for what
// must be destroyed before it.
template <typename Application>
int runWithApplication(int argc, char** argv, const std::function<void()>& beforeExit = {}) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit) {
        beforeExit();
    }
    return 0;
}

} // namespace vexlin::bench
