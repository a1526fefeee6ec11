#include "screen/ScreenTest.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace vexlin {
namespace {

using namespace screen_colours;

// --- moving boxes ------------------------------------------------------------------------------------------

struct TickRow {
    const char* name;
    int ticks;
    std::array<int, kBoxRows> boxX;
};

void PrintTo(const TickRow& row, std::ostream* out) {
    *out << row.name;
}

class BoxTicks : public testing::TestWithParam<TickRow> {};

// Row k (1 … 5) moves k pixels a tick from 58; a window wide enough that nothing wraps.
TEST_P(BoxTicks, EachRowMovesItsOwnSpeed) {
    ScreenTest test;
    test.show();
    for (int i = 0; i < GetParam().ticks; ++i) {
        test.frame(600);
        test.wrapBoxes(100000);
    }
    EXPECT_EQ(test.boxX(), GetParam().boxX);
}

INSTANTIATE_TEST_SUITE_P(Ticks, BoxTicks,
                         testing::Values(TickRow{"None", 0, {58, 58, 58, 58, 58}},
                                         TickRow{"One", 1, {59, 60, 61, 62, 63}},
                                         TickRow{"Two", 2, {60, 62, 64, 66, 68}},
                                         TickRow{"Hundred", 100, {158, 258, 358, 458, 558}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A frame draws every row five times, at each pixel the row passes, top to bottom at H div 6 apart.
TEST(BoxFrame, FivePassesAtEveryIntermediatePosition) {
    ScreenTest test;
    test.show();
    const auto draws = test.frame(1024);
    ASSERT_EQ(draws.size(), 25u);
    const int rowTops[] = {20, 190, 360, 530, 700};
    for (int pass = 0; pass < 5; ++pass) {
        for (int row = 0; row < 5; ++row) {
            const BoxDraw expected{58 + std::min(pass + 1, row + 1), rowTops[row]};
            EXPECT_EQ(draws[static_cast<std::size_t>(pass * 5 + row)], expected)
                << "pass " << pass << " row " << row;
        }
    }
}

TEST(BoxFrame, RowTopsFollowTheImageHeight) {
    EXPECT_EQ(boxRowTop(0, 5), 20);
    EXPECT_EQ(boxRowTop(4, 5), 20);    // 5 div 6 is 0: all rows on one line
    EXPECT_EQ(boxRowTop(4, 768), 532); // 20 + 4 × 128
}

struct WrapRow {
    const char* name;
    int outerWidth;
    int ticks;
    std::array<int, kBoxRows> boxX;
};

void PrintTo(const WrapRow& row, std::ostream* out) {
    *out << row.name;
}

class BoxWrap : public testing::TestWithParam<WrapRow> {};

TEST_P(BoxWrap, RowsWrapOnTheirOwn) {
    ScreenTest test;
    test.show();
    for (int i = 0; i < GetParam().ticks; ++i) {
        test.frame(600);
        test.wrapBoxes(GetParam().outerWidth);
    }
    EXPECT_EQ(test.boxX(), GetParam().boxX);
}

// Row 5 reaches 100 after 9 ticks (58 + 45 = 103 > 100) while row 4 is at 94; a box exactly at the width
// stays; the next tick after a wrap starts from 58 again.
INSTANTIATE_TEST_SUITE_P(Wraps, BoxWrap,
                         testing::Values(WrapRow{"Row5AloneAtNine", 100, 9, {67, 76, 85, 94, 58}},
                                         WrapRow{"Row5MovesOnAfterWrap", 100, 10, {68, 78, 88, 98, 63}},
                                         WrapRow{"Row4NextAtEleven", 100, 11, {69, 80, 91, 58, 68}},
                                         WrapRow{"ExactlyAtWidthStays", 98, 8, {66, 74, 82, 90, 98}},
                                         WrapRow{"OnePastWidthWraps", 97, 8, {66, 74, 82, 90, 58}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- pages and colours -------------------------------------------------------------------------------------

TEST(MouseColourCycle, FirstClickBlackThenEveryEightClicks) {
    ScreenTest test;
    test.show();
    const Rgb expected[] = {kBlack, kRed, kGreen, kBlue, kYellow, kMagenta, kAqua, kWhite,
                            kBlack, kRed, kGreen, kBlue, kYellow, kMagenta, kAqua, kWhite};
    int click = 0;
    for (const Rgb& colour : expected) {
        test.mouseDown();
        EXPECT_EQ(test.background(), colour) << "click " << click + 1;
        EXPECT_TRUE(test.barVisible());
        ++click;
    }
}

TEST(MouseColourCycle, SpeedOfPixelStartsTheCycleAgain) {
    ScreenTest test;
    test.show();
    test.mouseDown();
    test.mouseDown();
    test.mouseDown(); // green
    test.speedOfPixelClick();
    EXPECT_EQ(test.background(), kWhite);
    EXPECT_EQ(test.boxX(), (std::array<int, kBoxRows>{58, 58, 58, 58, 58}));
    test.mouseDown();
    EXPECT_EQ(test.background(), kBlack);
}

struct PageRow {
    const char* name;
    void (*choose)(ScreenTest&);
    ScreenTest::Page page;
    Rgb background;
    bool bar, labels, animation, fontCycle;
};

void PrintTo(const PageRow& row, std::ostream* out) {
    *out << row.name;
}

class Pages : public testing::TestWithParam<PageRow> {};

// Each page shows its own things and runs only its own timer; a click on a plain-colour or text page brings
// back the bar and nothing else.
TEST_P(Pages, PageStateAndClick) {
    const auto& row = GetParam();
    ScreenTest test;
    test.show();
    row.choose(test);
    EXPECT_EQ(test.page(), row.page);
    EXPECT_EQ(test.background(), row.background);
    EXPECT_EQ(test.barVisible(), row.bar);
    EXPECT_EQ(test.labelsVisible(), row.labels);
    EXPECT_EQ(test.animationRunning(), row.animation);
    EXPECT_EQ(test.fontCycleRunning(), row.fontCycle);
    if (row.page != ScreenTest::Page::PixelResponse) {
        test.mouseDown();
        test.mouseDown();
        EXPECT_TRUE(test.barVisible());
        EXPECT_EQ(test.background(), row.background);
        EXPECT_EQ(test.page(), row.page);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Pages,
    testing::Values(PageRow{"Shown", [](ScreenTest&) {}, ScreenTest::Page::PixelResponse, kWhite, true, false,
                            true, false},
                    PageRow{"Red", [](ScreenTest& t) { t.plainColourClick(kRed); },
                            ScreenTest::Page::PlainColour, kRed, false, false, false, false},
                    PageRow{"Black", [](ScreenTest& t) { t.plainColourClick(kBlack); },
                            ScreenTest::Page::PlainColour, kBlack, false, false, false, false},
                    PageRow{"Text", [](ScreenTest& t) { t.textClick(); }, ScreenTest::Page::Text, kWhite,
                            false, true, false, true},
                    PageRow{"TextThenSpeedOfPixel",
                            [](ScreenTest& t) {
                                t.textClick();
                                t.mouseDown();
                                t.speedOfPixelClick();
                            },
                            ScreenTest::Page::PixelResponse, kWhite, true, false, true, false},
                    PageRow{"ShownAgainAfterText",
                            [](ScreenTest& t) {
                                t.textClick();
                                t.show();
                            },
                            ScreenTest::Page::PixelResponse, kWhite, true, false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- text page ---------------------------------------------------------------------------------------------

TEST(FontCycle, TimesArialCourierEveryTick) {
    ScreenTest test;
    test.show();
    test.textClick();
    EXPECT_EQ(test.labelFont(), "Times New Roman");
    const char* expected[] = {"Arial", "Courier New", "Times New Roman", "Arial", "Courier New"};
    for (const char* font : expected) {
        test.fontTick();
        EXPECT_EQ(test.labelFont(), font);
    }
    EXPECT_EQ(test.fontIndex(), 2);
}

// The labels keep the last font; "Text TEXT" starts the index again, so the same font shows for one more
// tick.
TEST(FontCycle, FontSurvivesLeavingThePage) {
    ScreenTest test;
    test.show();
    test.textClick();
    test.fontTick(); // Arial
    test.show();
    test.textClick();
    EXPECT_EQ(test.labelFont(), "Arial");
    EXPECT_EQ(test.fontIndex(), 0);
    test.fontTick();
    EXPECT_EQ(test.labelFont(), "Arial");
}

struct LabelRow {
    const char* name;
    const char* font;
    int label;
    const char* text;
};

void PrintTo(const LabelRow& row, std::ostream* out) {
    *out << row.name;
}

class LabelTexts : public testing::TestWithParam<LabelRow> {};

TEST_P(LabelTexts, Text) {
    EXPECT_EQ(labelText(GetParam().font, GetParam().label), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelTexts,
    testing::Values(LabelRow{"First", "Times New Roman", 0, "Black Times New Roman size 4"},
                    LabelRow{"Second", "Arial", 1, "Black Arial size 6"},
                    LabelRow{"Seventh", "Courier New", 6, "Black Courier New size 16"},
                    LabelRow{"Last", "Times New Roman", 12, "Black Times New Roman size 28"}),
    [](const auto& info) { return std::string(info.param.name); });

// Font heights are the point sizes at 96 dots per inch, rounded down from the third.
TEST(LabelGeometryTable, HeightsArePointsAt96Dpi) {
    int previousTop = 0;
    for (const auto& label : labelGeometry()) {
        EXPECT_EQ(label.pixelHeight, label.points * 96 / 72 + (label.points * 96 % 72 >= 36 ? 1 : 0))
            << label.points << " points";
        EXPECT_GT(label.top, previousTop);
        previousTop = label.top;
    }
}

// --- keys --------------------------------------------------------------------------------------------------

struct KeyRow {
    const char* name;
    std::string typed;
    bool closes;
};

void PrintTo(const KeyRow& row, std::ostream* out) {
    *out << row.name;
}

class ClosingKeys : public testing::TestWithParam<KeyRow> {};

TEST_P(ClosingKeys, CharacterKeysClose) {
    EXPECT_EQ(keyClosesScreenTest(GetParam().typed), GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ClosingKeys,
    testing::Values(KeyRow{"Letter", "a", true}, KeyRow{"Cyrillic", "ж", true}, KeyRow{"Digit", "7", true},
                    KeyRow{"Space", " ", true}, KeyRow{"Escape", "\x1b", true}, KeyRow{"Enter", "\r", true},
                    KeyRow{"Tab", "\t", true}, KeyRow{"Backspace", "\b", true}, KeyRow{"CtrlC", "\x03", true},
                    KeyRow{"ArrowTypesNothing", "", false}, KeyRow{"Delete", "\x7f", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin
