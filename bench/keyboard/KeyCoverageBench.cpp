// One key event through the key count and the stuck and chatter checks; the budget is 5 µs an event, so that
// a burst of keys (a palm on the keyboard, a bouncing switch) never makes the window lag.
#include "keyboard/KeyCoverage.h"
#include "keyboard/KeyboardTest.h"
#include "keyboard/PictureKeys.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using vexlin::KeyStroke;

// Typing over every key of the picture and a few keys off it: each key down, then up 60 ms later.
std::vector<KeyStroke> typing() {
    std::vector<KeyStroke> events;
    std::int64_t t = 0;
    auto add = [&](vexlin::PhysicalKey key, std::uint32_t keycode, const char* name) {
        events.push_back({key, keycode, true, false, t += 40, name});
        events.push_back({key, keycode, false, false, t += 60, name});
    };
    for (const auto& key : vexlin::pictureKeys()) {
        add(key.key, key.x11Keycode, "");
    }
    add({175, true}, 123, "Volume Up");
    add({}, 246, "Wireless");
    return events;
}

// A held key with X11's auto-repeat: key-up and key-down with one stamp every 33 ms.
std::vector<KeyStroke> autoRepeat() {
    std::vector<KeyStroke> events{{{'A', false}, 38, true, false, 0, ""}};
    for (std::int64_t t = 500; t < 20000; t += 33) {
        events.push_back({{'A', false}, 38, false, true, t, ""});
        events.push_back({{'A', false}, 38, true, true, t, ""});
    }
    return events;
}

void replay(benchmark::State& state, const std::vector<KeyStroke>& events) {
    vexlin::KeyCoverage coverage;
    coverage.start({}, 0);
    std::size_t i = 0;
    std::int64_t shift = 0; // each pass over the events later than the last, as time goes on
    const std::int64_t span = events.back().timeMs + 1000;
    for (auto _ : state) {
        KeyStroke stroke = events[i];
        stroke.timeMs += shift;
        benchmark::DoNotOptimize(coverage.key(stroke));
        if (++i == events.size()) {
            i = 0;
            shift += span;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void KeyEventTyping(benchmark::State& state) {
    replay(state, typing());
}
BENCHMARK(KeyEventTyping)->Unit(benchmark::kNanosecond);

void KeyEventAutoRepeat(benchmark::State& state) {
    replay(state, autoRepeat());
}
BENCHMARK(KeyEventAutoRepeat)->Unit(benchmark::kNanosecond);

// The timer's look at every key for one that stays down without events.
void CoverageTick(benchmark::State& state) {
    vexlin::KeyCoverage coverage;
    coverage.start(std::vector<std::uint32_t>{50, 37}, 0);
    std::int64_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(coverage.tick(t += 250));
    }
}
BENCHMARK(CoverageTick)->Unit(benchmark::kNanosecond);

// The whole logic of a key-down as the window runs it: log, code, sprites and the count.
void KeyDownWithLogAndCount(benchmark::State& state) {
    vexlin::KeyboardTest test;
    vexlin::KeyCoverage coverage;
    coverage.start({}, 0);
    const auto events = typing();
    std::size_t i = 0;
    std::int64_t shift = 0;
    for (auto _ : state) {
        KeyStroke stroke = events[i];
        stroke.timeMs += shift;
        if (stroke.down) {
            benchmark::DoNotOptimize(test.keyDown(stroke.key, "a"));
        } else {
            benchmark::DoNotOptimize(test.keyUp(stroke.key));
        }
        benchmark::DoNotOptimize(coverage.key(stroke));
        if (++i == events.size()) {
            i = 0;
            shift += 100000;
        }
    }
}
BENCHMARK(KeyDownWithLogAndCount)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
