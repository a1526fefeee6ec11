#include "sysinfo/BiosLines.h"

#include <gtest/gtest.h>

namespace vexlin::sysinfo {
namespace {

using namespace std::string_literals;

struct BiosRow {
    const char* name;
    std::string value;
    std::optional<std::vector<std::string>> expected;
};

class BiosLinesTest : public testing::TestWithParam<BiosRow> {};

TEST_P(BiosLinesTest, SplitsTheFirst99Bytes) {
    EXPECT_EQ(biosVersionLines(GetParam().value), GetParam().expected);
}

using Lines = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Values, BiosLinesTest,
    testing::Values(BiosRow{"TwoStrings", "ABC\0DEF\0"s, Lines{"ABC", "DEF"}},
                    BiosRow{"TwoStringsPaddedWithNuls", "ABC\0DEF\0\0\0\0"s, Lines{"ABC", "DEF"}},
                    BiosRow{"Absent", "", Lines{}},
                    BiosRow{"UnendedStringEndsAtTheZeroFill", "ABC", Lines{"ABC"}},
                    BiosRow{"ControlBytesEndLines",
                            "A\tB\nC\x1F"
                            "D\0"s,
                            Lines{"A", "B", "C", "D"}},
                    BiosRow{"SpaceIsText", "HP  - 1\0"s, Lines{"HP  - 1"}},
                    BiosRow{"HighBytesAreText", "\x80\xFF\xC3\xA9\0"s, Lines{"\x80\xFF\xC3\xA9"}},
                    BiosRow{"NinetyEightCharsEndedAtByte98", std::string(98, 'A') + '\0',
                            Lines{std::string(98, 'A')}},
                    BiosRow{"NinetyNineCharsNeverEnded", std::string(99, 'B'), Lines{}},
                    BiosRow{"HundredthByteIsNeverLooked", std::string(99, 'B') + '\0', Lines{}},
                    BiosRow{"FullBufferLastLineDropped", "FIRST\0"s + std::string(94, 'C'), Lines{"FIRST"}},
                    BiosRow{"HundredOneBytesRefused", std::string(101, 'D'), std::nullopt},
                    BiosRow{"HundredTwentyBytesRefused", std::string(120, '\0'), std::nullopt}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::sysinfo
