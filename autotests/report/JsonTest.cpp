#include "report/Json.h"

#include "report/ReportJson.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace vexlin::report {
namespace {

struct StringRow {
    const char* name;
    std::string in;
    std::string out;
};

class JsonStrings : public ::testing::TestWithParam<StringRow> {};

TEST_P(JsonStrings, AreQuotedAndEscaped) {
    EXPECT_EQ(jsonString(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Rows, JsonStrings,
                         ::testing::Values(StringRow{"plain", "abc", "\"abc\""},
                                           StringRow{"quoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                                           StringRow{"newlines", "a\nb\r\tc", "\"a\\nb\\r\\tc\""},
                                           StringRow{"control", std::string("a\0\x1f", 3),
                                                     "\"a\\u0000\\u001f\""},
                                           StringRow{"cyrillicAsIs", "Отчёт", "\"Отчёт\""},
                                           StringRow{"brokenUtf8", "a\xff", "\"a\xEF\xBF\xBD\""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Json, NestedValuesKeepTheirOrder) {
    Json root;
    root.set("b", 1).set("a", Json(Json::Array{true, nullptr, "x"})).set("e", Json(Json::Object{}));
    root.set("n", Json(Json::Object{{"k", 2.5}}));
    EXPECT_EQ(root.text(), "{\n"
                           "  \"b\": 1,\n"
                           "  \"a\": [\n"
                           "    true,\n"
                           "    null,\n"
                           "    \"x\"\n"
                           "  ],\n"
                           "  \"e\": {},\n"
                           "  \"n\": {\n"
                           "    \"k\": 2.5\n"
                           "  }\n"
                           "}\n");
}

struct NumberRow {
    const char* name;
    Json value;
    std::string text;
};

class JsonNumbers : public ::testing::TestWithParam<NumberRow> {};

TEST_P(JsonNumbers, AreWrittenSoThatTheyReadBackTheSame) {
    EXPECT_EQ(GetParam().value.text(), GetParam().text + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JsonNumbers,
    ::testing::Values(NumberRow{"integer", Json(-42), "-42"}, NumberRow{"shortestReal", Json(0.1), "0.1"},
                      NumberRow{"wholeReal", Json(2600.0), "2600"},
                      NumberRow{"notANumberIsNull", Json(std::nan("")), "null"},
                      NumberRow{"infinityIsNull", Json(std::numeric_limits<double>::infinity()), "null"},
                      NumberRow{"bigByteCount", Json(std::uint64_t{5'000'000'000'000}), "5000000000000"},
                      NumberRow{"clampedByteCount", Json(std::numeric_limits<std::uint64_t>::max()),
                                "9223372036854775807"},
                      NumberRow{"emptyOptional", Json::orNull(std::optional<int>{}), "null"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BiosRow {
    const char* name;
    std::string bytes;
    std::vector<std::string> strings;
};

class BiosStrings : public ::testing::TestWithParam<BiosRow> {};

TEST_P(BiosStrings, SplitAtEachNulWithoutEmptyOnes) {
    EXPECT_EQ(biosStrings(GetParam().bytes), GetParam().strings);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(Rows, BiosStrings,
                         ::testing::Values(BiosRow{"none", "", {}}, BiosRow{"one", "SeaBIOS\0"s, {"SeaBIOS"}},
                                           BiosRow{"unended", "LENOVO\0N2HET70W"s, {"LENOVO", "N2HET70W"}},
                                           BiosRow{"emptyBetween", "\0\0A\0\0B\0"s, {"A", "B"}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::report
