// What the audio window does for every captured buffer: the waveform points, then the box filled and the
// polyline drawn (WaveformBox::drawPoints).  Budget: under 1 ms for a 5100-sample buffer; at 100-sample
// buffers, 220 of them (one second of sound) must take a small fraction of a second.

#include "support/QtBenchMain.h"
#include "audio/CaptureFormat.h"
#include "audio/Mp3Decoder.h"
#include "audio/Waveform.h"
#include "audio/WaveformBox.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

using namespace vexlin;

namespace {

// Full-scale noise: every segment of the polyline spans most of the box, the costliest picture to draw.
std::vector<std::uint8_t> noise(std::size_t bytes) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> pcm(bytes);
    for (auto& b : pcm) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return pcm;
}

void drawBuffers(benchmark::State& state, int trackBarPosition, bool sixteenBit, int buffersPerIteration) {
    WaveformBox box;
    box.resize(514, 120);
    const int samples = audio::captureBufferSamples(trackBarPosition);
    const auto pcm = noise(audio::captureBufferBytes(samples, audio::captureWaveFormat(sixteenBit)));
    std::vector<audio::WavePoint> points(static_cast<std::size_t>(samples));
    for (auto _ : state) {
        for (int i = 0; i < buffersPerIteration; ++i) {
            audio::waveformPoints(pcm, sixteenBit, box.width(), box.height(), points);
            box.drawPoints(points);
        }
        benchmark::DoNotOptimize(box.picture().constBits());
    }
    state.SetItemsProcessed(state.iterations() * buffersPerIteration * samples);
}

void BM_PointsOnly5100(benchmark::State& state) {
    const auto pcm = noise(10200);
    std::vector<audio::WavePoint> points(5100);
    for (auto _ : state) {
        audio::waveformPoints(pcm, true, 514, 120, points);
        benchmark::DoNotOptimize(points.data());
    }
}

void BM_OneBuffer5100x16(benchmark::State& state) {
    drawBuffers(state, 10, true, 1);
}
void BM_OneBuffer5100x8(benchmark::State& state) {
    drawBuffers(state, 10, false, 1);
}
void BM_OneBuffer100x16(benchmark::State& state) {
    drawBuffers(state, 0, true, 1);
}
// One second of sound at the smallest buffer: 22050 / 100 = 220.5 buffers.
void BM_OneSecondOf100SampleBuffers(benchmark::State& state) {
    drawBuffers(state, 0, true, 221);
}

// The window decodes the whole tune when it is created, during start-up.
void BM_DecodeTheMusic(benchmark::State& state) {
    const auto file = std::filesystem::path(VEXLIN_MUSIC_FILE);
    for (auto _ : state) {
        const auto result = audio::decodeMp3File(file);
        if (!result.ok()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.pcm.samples.data());
    }
}

} // namespace

BENCHMARK(BM_DecodeTheMusic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointsOnly5100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneBuffer5100x16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneBuffer5100x8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneBuffer100x16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneSecondOf100SampleBuffers)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The box is a widget, so an application object is needed; no window is shown.
    return vexlin::bench::runWithApplication<QApplication>(argc, argv);
}
