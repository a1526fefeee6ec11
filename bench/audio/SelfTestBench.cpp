// The self-test's analysis of a whole recording: 3 s of 22 050 Hz capture with both bursts in noise.
// Budget: under 5 ms.

#include "audio/SpeakerSelfTest.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

using namespace vexlin;

namespace {

std::vector<float> recording(const audio::SelfTestPlan& plan) {
    const std::vector<std::int16_t> clip = audio::selfTestClip(plan);
    std::vector<float> out(static_cast<std::size_t>(3.0 * audio::kSelfTestCaptureRate), 0.0f);
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.003f);
    const std::size_t delay = 3000;
    for (std::size_t i = 0; i < out.size(); ++i) {
        float value = noise(random);
        const std::size_t frame = (i >= delay ? i - delay : 0) * 2;
        if (i >= delay && 2 * frame + 1 < clip.size()) {
            value += static_cast<float>(clip[2 * frame] + clip[2 * frame + 1]) / 65536.0f;
        }
        out[i] = value;
    }
    return out;
}

void BM_AnalyseThreeSeconds(benchmark::State& state) {
    const audio::SelfTestPlan plan;
    const std::vector<float> recorded = recording(plan);
    for (auto _ : state) {
        auto findings = audio::analyseSelfTest(recorded, audio::kSelfTestCaptureRate, plan);
        benchmark::DoNotOptimize(findings);
    }
    state.counters["samples"] = static_cast<double>(recorded.size());
}
BENCHMARK(BM_AnalyseThreeSeconds)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
