#include "report/NumberText.h"

#include "sysinfo/ClockMeasurement.h"
#include "text/PlainText.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexlin::report {
namespace {

using text::fixedNumberText;

struct ReadRow {
    const char* name;
    std::string text;
    std::string separator;
    std::optional<double> expected; // nullopt: not a number
};

void PrintTo(const ReadRow& row, std::ostream* out) {
    *out << row.name;
}

class ReadNumberTest : public ::testing::TestWithParam<ReadRow> {};

TEST_P(ReadNumberTest, ReadsOrRefuses) {
    const ReadRow& row = GetParam();
    if (row.expected) {
        EXPECT_DOUBLE_EQ(readNumber(row.text, row.separator), *row.expected);
    } else {
        try {
            readNumber(row.text, row.separator);
            FAIL() << "read as a number: '" << row.text << "'";
        } catch (const NotANumberError& error) {
            EXPECT_EQ(std::string(error.what()), "'" + row.text + "' is not a valid floating point value");
        }
    }
}

const std::string kArabicSeparator = "\xD9\xAB"; // U+066B, two bytes in UTF-8

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberTest,
    ::testing::Values(
        // What the windows write: the frame counter as a whole number, the clock with two decimals.
        ReadRow{"frame_count", "57", ",", 57.0}, ReadRow{"frame_count_zero", "0", ".", 0.0},
        ReadRow{"clock_ru_comma", "1596,03", ",", 1596.03}, ReadRow{"clock_c_point", "1596.03", ".", 1596.03},
        ReadRow{"multibyte_separator", "3" + kArabicSeparator + "25", kArabicSeparator, 3.25},
        ReadRow{"blanks_around", " \t42 ", ",", 42.0}, ReadRow{"negative", "-3,5", ",", -3.5},
        ReadRow{"explicit_plus", "+2", ".", 2.0}, ReadRow{"exponent", "1,5e3", ",", 1500.0},
        ReadRow{"negative_exponent", "2E-2", ".", 0.02}, ReadRow{"nothing_before_separator", ",5", ",", 0.5},
        ReadRow{"nothing_after_separator", "5,", ",", 5.0},
        // A point is no separator under a comma locale, nor the other way round.
        ReadRow{"point_under_comma_locale", "1596.03", ",", std::nullopt},
        ReadRow{"comma_under_point_locale", "1596,03", ".", std::nullopt},
        ReadRow{"empty", "", ",", std::nullopt}, ReadRow{"blanks_only", "   ", ",", std::nullopt},
        ReadRow{"word", "abc", ",", std::nullopt}, ReadRow{"unit_left_on", "57 FPS", ",", std::nullopt},
        ReadRow{"grouped_thousands", "1 596,03", ",", std::nullopt},
        ReadRow{"separator_alone", ",", ",", std::nullopt}, ReadRow{"sign_alone", "-", ",", std::nullopt},
        ReadRow{"two_signs", "--1", ",", std::nullopt}, ReadRow{"two_separators", "1,2,3", ",", std::nullopt},
        ReadRow{"exponent_without_digits", "1e", ".", std::nullopt},
        ReadRow{"exponent_alone", "e5", ".", std::nullopt}, ReadRow{"hexadecimal", "0x10", ".", std::nullopt},
        ReadRow{"infinity_word", "inf", ".", std::nullopt}, ReadRow{"nan_word", "nan", ".", std::nullopt},
        ReadRow{"beyond_double", "1e999", ".", std::nullopt},
        ReadRow{"blank_inside", "15 96", ".", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The clock's field is written by the clock's own formatter; whatever it writes must read back the same.
struct RoundTripRow {
    const char* name;
    double mhz;
    std::string separator;
};

void PrintTo(const RoundTripRow& row, std::ostream* out) {
    *out << row.name;
}

class ClockRoundTripTest : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(ClockRoundTripTest, ClockTextReadsBackToItsTwoDecimals) {
    const RoundTripRow& row = GetParam();
    const std::string written = sysinfo::clockNumberText(row.mhz, row.separator);
    const double read = readNumber(written, row.separator);
    EXPECT_NEAR(read, row.mhz, 0.005 + 1e-9) << written;
    EXPECT_EQ(fixedNumberText(read, 2, row.separator), written);
}

INSTANTIATE_TEST_SUITE_P(Clocks, ClockRoundTripTest,
                         ::testing::Values(RoundTripRow{"ru_typical", 1596.0349, ","},
                                           RoundTripRow{"c_typical", 1596.0349, "."},
                                           RoundTripRow{"ru_zero", 0.0, ","},
                                           RoundTripRow{"ru_wrapping_limit", 8589.93, ","},
                                           RoundTripRow{"multibyte", 2400.5, kArabicSeparator}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FixedRow {
    const char* name;
    double value;
    int decimals;
    std::string separator;
    std::string expected;
};

void PrintTo(const FixedRow& row, std::ostream* out) {
    *out << row.name;
}

class FixedNumberTextTest : public ::testing::TestWithParam<FixedRow> {};

TEST_P(FixedNumberTextTest, Writes) {
    const FixedRow& row = GetParam();
    EXPECT_EQ(fixedNumberText(row.value, row.decimals, row.separator), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, FixedNumberTextTest,
                         ::testing::Values(FixedRow{"ru_fps", 59.970703125, 2, ",", "59,97"},
                                           FixedRow{"c_fps", 59.970703125, 2, ".", "59.97"},
                                           FixedRow{"ru_mhz", 1992.1875, 2, ",", "1992,19"},
                                           FixedRow{"no_grouping", 1234567.0, 2, ",", "1234567,00"},
                                           FixedRow{"zero", 0.0, 2, ",", "0,00"},
                                           FixedRow{"no_decimals", 47.0, 0, ",", "47"},
                                           FixedRow{"negative_decimals_as_none", 47.0, -3, ",", "47"},
                                           FixedRow{"half_rounds_to_even", 0.125, 2, ",", "0,12"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The longest fixed-point double (309 digits before the point) still fits.
TEST(FixedNumberText, LargestDoubleIsWrittenWhole) {
    const std::string text = fixedNumberText(1.7976931348623157e308, 2, ",");
    EXPECT_EQ(text.size(), 309u + 3u);
    EXPECT_TRUE(text.starts_with("17976931348623157")) << text;
    EXPECT_TRUE(text.ends_with(",00")) << text;
    EXPECT_DOUBLE_EQ(readNumber(text, ","), 1.7976931348623157e308);
}

struct TrimRow {
    const char* text;
    const char* blanks; // nullptr: the default set
    const char* expected;
    const char* name;
};

class Trimmed : public ::testing::TestWithParam<TrimRow> {};

TEST_P(Trimmed, DropsOnlyTheGivenBlanksAtTheEnds) {
    const TrimRow& row = GetParam();
    const std::string_view got =
        row.blanks != nullptr ? text::trimmed(row.text, row.blanks) : text::trimmed(row.text);
    EXPECT_EQ(got, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Trimmed,
    ::testing::Values(TrimRow{"lower.tga\r\n", nullptr, "lower.tga", "LineEnd"},
                      TrimRow{" \t h_Head, head.tga \r", nullptr, "h_Head, head.tga", "BothEnds"},
                      TrimRow{"\r\n \t", nullptr, "", "OnlyBlanks"}, TrimRow{"", nullptr, "", "Empty"},
                      TrimRow{"x", nullptr, "x", "OneLetter"},
                      TrimRow{" 12,5\r", " \t", "12,5\r", "NumberKeepsCr"},
                      TrimRow{"\t-3 ", " \t", "-3", "GivenBlanks"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::report
