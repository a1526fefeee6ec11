#include "platform/linux/LinuxKeyboardInfo.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace vexlin::platform::linux_impl {
namespace {

struct Row {
    const char* fixture;
    int type;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.fixture;
}

class LinuxKeyboardInfoTest : public testing::TestWithParam<Row> {};

TEST_P(LinuxKeyboardInfoTest, KeyboardType) {
    const LinuxKeyboardInfo info(std::filesystem::path(VEXLIN_FIXTURES) / GetParam().fixture);
    EXPECT_EQ(info.keyboardType(), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LinuxKeyboardInfoTest,
                         testing::Values(Row{"laptop", 4}, Row{"usb-keyboard-32bit", 4},
                                         Row{"no-trailing-blank", 4}, Row{"no-keyboard", 0},
                                         Row{"keys-without-key-events", 0}, Row{"damaged-bitmap", 0},
                                         Row{"empty", 0}, Row{"missing", 0}),
                         [](const auto& info) {
                             std::string name = info.param.fixture;
                             std::erase(name, '-');
                             return name;
                         });

// Devices are told apart by the "I:" line even when the blank line between them is lost, so the keys of one
// device are never counted with the key-event flag of another.
TEST(LinuxKeyboardInfoText, DevicesDoNotMix) {
    EXPECT_FALSE(LinuxKeyboardInfo::listsKeyboard("I: Bus=1\nB: EV=3\nI: Bus=2\nB: EV=0\n"
                                                  "B: KEY=fffffffffffffffe\n"));
    EXPECT_TRUE(LinuxKeyboardInfo::listsKeyboard("I: Bus=1\nB: EV=3\nB: KEY=fffffffe\r\n\r\n"));
    EXPECT_FALSE(LinuxKeyboardInfo::listsKeyboard("I: Bus=1\nB: EV=3\nB: KEY=fffffffc\n"));
}

} // namespace
} // namespace vexlin::platform::linux_impl
