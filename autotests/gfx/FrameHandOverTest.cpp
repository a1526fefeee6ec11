#include "gfx/FrameHandOver.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vexlin::gfx {
namespace {

// Fences of both contexts live in one share group; the fake checks that none is waited for or given back
// after it was given back, and remembers what each context waited for.
struct FenceBook {
    int next = 1;
    std::set<int> live;
    int released = 0;
};

class FakeSync final : public SyncCalls {
public:
    FakeSync(FenceBook& book, bool fences) : book_(book), fences_(fences) {}

    bool hasFences() const override { return fences_; }
    SyncHandle fence() override {
        EXPECT_TRUE(fences_) << "a fence without fences";
        const int id = book_.next++;
        book_.live.insert(id);
        return handle(id);
    }
    void waitFor(SyncHandle fence) override {
        EXPECT_TRUE(book_.live.count(id(fence))) << "waits for a fence that is gone";
        waited.insert(id(fence));
    }
    void release(SyncHandle fence) override {
        EXPECT_EQ(book_.live.erase(id(fence)), 1u) << "gives back a fence twice";
        ++book_.released;
    }
    void finish() override { ++finishes; }

    static SyncHandle handle(int id) { return reinterpret_cast<SyncHandle>(static_cast<std::uintptr_t>(id)); }
    static int id(SyncHandle fence) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(fence)); }

    std::set<int> waited;
    int finishes = 0;

private:
    FenceBook& book_;
    bool fences_;
};

// Runs "D" (the scene draws a frame) and "S" (the screen shows one), answering the buffers used, e.g.
// "d0 s0 d1".  Checks on the way that the scene never draws into the buffer the screen shows and that the
// screen always gets the latest complete frame.
std::string run(FrameHandOver& handOver, SyncCalls& scene, SyncCalls& screen, const std::string& steps) {
    std::ostringstream out;
    int lastComplete = -1;
    for (const char step : steps) {
        if (step == 'D') {
            const int buffer = handOver.beginDrawing(scene);
            EXPECT_NE(buffer, handOver.shown()) << "draws into the buffer on the screen";
            handOver.endDrawing(scene);
            lastComplete = buffer;
            out << " d" << buffer;
        } else if (step == 'S') {
            const int buffer = handOver.beginShowing(screen);
            EXPECT_EQ(buffer, lastComplete) << "shows other than the latest complete frame";
            handOver.endShowing(screen);
            out << " s" << buffer;
        }
    }
    return out.str().empty() ? "" : out.str().substr(1);
}

struct SequenceRow {
    const char* name;
    const char* steps;
    const char* buffers;
};

void PrintTo(const SequenceRow& row, std::ostream* out) {
    *out << row.name << " (" << row.steps << ")";
}

class HandOverSequence : public ::testing::TestWithParam<SequenceRow> {};

TEST_P(HandOverSequence, UsesTheBuffersInTurn) {
    for (const bool fences : {true, false}) {
        SCOPED_TRACE(fences ? "with fences" : "with glFinish");
        FenceBook book;
        FakeSync scene(book, fences), screen(book, fences);
        FrameHandOver handOver;
        EXPECT_EQ(run(handOver, scene, screen, GetParam().steps), GetParam().buffers);
        handOver.reset(scene);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FrameHandOver, HandOverSequence,
    ::testing::Values(SequenceRow{"NothingDrawnNothingShown", "S", "s-1"},
                      SequenceRow{"FirstFrameShown", "DS", "d0 s0"},
                      SequenceRow{"UnshownFramesShareOneBuffer", "DDDS", "d0 d0 d0 s0"},
                      SequenceRow{"NeverIntoTheShownBuffer", "DSDDDS", "d0 s0 d1 d1 d1 s1"},
                      SequenceRow{"ShownAgainWithoutANewFrame", "DSSDS", "d0 s0 s0 d1 s1"},
                      SequenceRow{"ScreenFasterThanScene", "DSDSDS", "d0 s0 d1 s1 d0 s0"}),
    [](const auto& info) { return std::string(info.param.name); });

// A long irregular run of drawing and showing, as the idle handler and the screen's refresh interleave.
std::string irregularSteps() {
    std::string steps;
    unsigned state = 12345;
    for (int i = 0; i < 2000; ++i) {
        state = state * 1103515245u + 12345u;
        steps += ((state >> 16) % 3 == 0) ? 'S' : 'D';
    }
    return steps;
}

TEST(FrameHandOver, EveryReadIsWaitedForBeforeItsBufferIsDrawnAgain) {
    FenceBook book;
    FakeSync scene(book, true), screen(book, true);
    FrameHandOver handOver;
    std::map<int, int> readFence;  // buffer -> the screen's last read fence, until the scene waited for it
    std::map<int, int> drawnFence; // buffer -> the fence after its last drawing, until the screen waited
    for (const char step : irregularSteps()) {
        if (step == 'D') {
            const int buffer = handOver.beginDrawing(scene);
            if (readFence.count(buffer)) {
                EXPECT_TRUE(scene.waited.count(readFence[buffer])) << "draws over a frame still being read";
                readFence.erase(buffer);
            }
            handOver.endDrawing(scene);
            drawnFence[buffer] = book.next - 1;
        } else {
            const int buffer = handOver.beginShowing(screen);
            if (buffer < 0) {
                continue;
            }
            if (drawnFence.count(buffer)) {
                EXPECT_TRUE(screen.waited.count(drawnFence[buffer])) << "reads a frame still being drawn";
                drawnFence.erase(buffer);
            }
            handOver.endShowing(screen);
            readFence[buffer] = book.next - 1;
        }
        ASSERT_LE(handOver.pendingFences(), 2 * FrameHandOver::kBuffers);
        ASSERT_EQ(static_cast<int>(book.live.size()), handOver.pendingFences()) << "a fence is lost";
    }
    handOver.reset(scene);
    EXPECT_EQ(handOver.pendingFences(), 0);
    EXPECT_TRUE(book.live.empty()) << book.live.size() << " fences never given back";
    EXPECT_EQ(book.released, book.next - 1);
    EXPECT_EQ(scene.finishes + screen.finishes, 0);
}

TEST(FrameHandOver, WithoutFencesEachSideFinishesItsCommands) {
    FenceBook book;
    FakeSync scene(book, false), screen(book, false);
    FrameHandOver handOver;
    const std::string steps = irregularSteps();
    run(handOver, scene, screen, steps);
    const auto draws = std::count(steps.begin(), steps.end(), 'D');
    EXPECT_EQ(scene.finishes, draws);
    // Every show after the first frame finishes once; a show before any frame has nothing to finish.
    const auto firstDraw = steps.find('D');
    EXPECT_EQ(screen.finishes, std::count(steps.begin() + static_cast<long>(firstDraw), steps.end(), 'S'));
    EXPECT_EQ(book.next, 1) << "no fence is made";
    EXPECT_EQ(handOver.pendingFences(), 0);
}

TEST(FrameHandOver, ResetForgetsTheFramesAndWaitsForTheScreen) {
    FenceBook book;
    FakeSync scene(book, true), screen(book, true);
    FrameHandOver handOver;
    run(handOver, scene, screen, "DSD");
    const int readOfBufferZero =
        2; // fence 1 after drawing 0, fence 2 after reading it, fence 3 after drawing 1
    handOver.reset(scene);
    EXPECT_TRUE(scene.waited.count(readOfBufferZero));
    EXPECT_EQ(handOver.latest(), -1);
    EXPECT_EQ(handOver.shown(), -1);
    EXPECT_EQ(handOver.beginShowing(screen), -1);
    EXPECT_TRUE(book.live.empty());
    EXPECT_EQ(handOver.beginDrawing(scene), 0);
}

TEST(FrameHandOver, UnfinishedDrawingIsResumedInTheSameBuffer) {
    FenceBook book;
    FakeSync scene(book, true), screen(book, true);
    FrameHandOver handOver;
    run(handOver, scene, screen, "DS");
    const int first = handOver.beginDrawing(scene);
    EXPECT_EQ(handOver.beginDrawing(scene), first);
    // Until it ends, the screen keeps the complete frame it had.
    EXPECT_EQ(handOver.beginShowing(screen), 0);
    handOver.endShowing(screen);
    handOver.endDrawing(scene);
    EXPECT_EQ(handOver.latest(), first);
    handOver.reset(scene);
}

} // namespace
} // namespace vexlin::gfx
