#include "platform/linux/SysfsReader.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexlin::platform::linux_impl {
namespace {

struct ValueCase {
    std::string name;
    std::string content;
    std::optional<std::string> line;
    std::optional<std::int64_t> integer;
};

class SysfsValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SysfsValues, ReadAsTheKernelWritesThem) {
    const vexlin::testing::TempDir dir("vexlin-sysfs");
    const auto file = dir.path() / "value";
    std::ofstream(file, std::ios::binary) << GetParam().content;
    EXPECT_EQ(readFirstLine(file), GetParam().line);
    EXPECT_EQ(readInteger(file), GetParam().integer);
}

const std::string kLongest(kMaxValueLine, '7');

INSTANTIATE_TEST_SUITE_P(
    Files, SysfsValues,
    ::testing::Values(ValueCase{"Temperature", "45000\n", "45000", 45000},
                      ValueCase{"NoLineEnd", "2400", "2400", 2400},
                      ValueCase{"WindowsLineEnd", "Battery\r\n", "Battery", std::nullopt},
                      ValueCase{"TrailingBlanks", "Package id 0 \t\n", "Package id 0", std::nullopt},
                      ValueCase{"OnlyTheFirstLine", "-12\nsecond\n", "-12", -12},
                      ValueCase{"EmptyLine", "\n", "", std::nullopt},
                      ValueCase{"EmptyFile", "", std::nullopt, std::nullopt},
                      ValueCase{"NotANumber", "12a\n", "12a", std::nullopt},
                      ValueCase{"BeyondSixtyFourBits", "99999999999999999999\n", "99999999999999999999",
                                std::nullopt},
                      ValueCase{"LongestLineTaken", kLongest + "\n", kLongest, std::nullopt},
                      ValueCase{"LongerLineGivesNothing", kLongest + "7\n", std::nullopt, std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(SysfsValues, MissingFileGivesNothing) {
    EXPECT_EQ(readFirstLine("/nonexistent/vexlin/value"), std::nullopt);
    EXPECT_EQ(readInteger("/nonexistent/vexlin/value"), std::nullopt);
}

// A device that never ends its first line is read up to the limit and no further.
TEST(SysfsValues, EndlessDeviceGivesNothing) {
    EXPECT_EQ(readFirstLine("/dev/zero"), std::nullopt);
}

} // namespace
} // namespace vexlin::platform::linux_impl
