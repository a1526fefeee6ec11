#include "audio/CaptureAssembler.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using vexlin::audio::CaptureAssembler;

namespace {

struct Delivered {
    std::vector<std::uint8_t> bytes;
    bool last;
    bool operator==(const Delivered&) const = default;
};

struct Step {
    std::vector<std::uint8_t> bytes; // fed in one call
    bool stopBefore = false;         // a stop is asked for before these bytes come
    std::size_t taken;               // what feed() reports
};

struct AssemblyRow {
    std::string name;
    std::size_t bufferBytes;
    std::vector<Step> steps;
    std::vector<Delivered> expected;
    bool finished;
    std::size_t filled;
};

class CaptureAssembly : public testing::TestWithParam<AssemblyRow> {};

TEST_P(CaptureAssembly, CutsBuffersAndEndsOnABoundary) {
    const AssemblyRow& row = GetParam();
    CaptureAssembler assembler(row.bufferBytes, 0x80);
    std::vector<Delivered> got;
    for (const Step& step : row.steps) {
        if (step.stopBefore) {
            assembler.requestStop();
        }
        const std::size_t taken =
            assembler.feed(step.bytes, [&](std::span<const std::uint8_t> buffer, bool last) {
                got.push_back({{buffer.begin(), buffer.end()}, last});
            });
        EXPECT_EQ(taken, step.taken);
    }
    EXPECT_EQ(got, row.expected);
    EXPECT_EQ(assembler.finished(), row.finished);
    EXPECT_EQ(assembler.filled(), row.filled);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, CaptureAssembly,
    testing::Values(
        AssemblyRow{"PartialBufferWaits", 4, {{{1, 2, 3}, false, 3}}, {}, false, 3},
        AssemblyRow{"ExactBuffer", 4, {{{1, 2, 3, 4}, false, 4}}, {{{1, 2, 3, 4}, false}}, false, 0},
        AssemblyRow{"AcrossReads",
                    3,
                    {{{1, 2}, false, 2}, {{3, 4, 5, 6, 7}, false, 5}},
                    {{{1, 2, 3}, false}, {{4, 5, 6}, false}},
                    false,
                    1},
        // The stop takes the buffer being filled as the last one; the bytes after it are not taken.
        AssemblyRow{"StopEndsOnTheNextBoundary",
                    3,
                    {{{1, 2, 3, 4}, false, 4}, {{5, 6, 7, 8}, true, 2}},
                    {{{1, 2, 3}, false}, {{4, 5, 6}, true}},
                    true,
                    0},
        AssemblyRow{"NothingAfterTheLastBuffer",
                    2,
                    {{{1}, true, 1}, {{2, 3}, false, 1}, {{4, 5}, false, 0}},
                    {{{1, 2}, true}},
                    true,
                    0},
        AssemblyRow{"StopWithoutDataWaits", 2, {{{}, true, 0}}, {}, false, 0},
        // A zero size would never fill: one byte is the smallest buffer.
        AssemblyRow{"ZeroSizeIsOneByte", 0, {{{9, 8}, false, 2}}, {{{9}, false}, {{8}, false}}, false, 0}),
    [](const testing::TestParamInfo<AssemblyRow>& info) { return info.param.name; });

} // namespace
