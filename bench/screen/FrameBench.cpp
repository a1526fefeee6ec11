// One frame of the screen test's pixel-response page at common panel sizes: the frame timer asks for a frame
// every 16 ms, so a frame must take well under that.
#include "screen/FrameImage.h"
#include "screen/ScreenTest.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

void PixelResponseFrame(benchmark::State& state) {
    QImage image(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), QImage::Format_RGB32);
    vexlin::ScreenTest test;
    test.show();
    for (auto _ : state) {
        vexlin::drawPixelResponseFrame(image, test);
        test.wrapBoxes(image.width());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PixelResponseFrame)
    ->Args({1280, 1024})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
