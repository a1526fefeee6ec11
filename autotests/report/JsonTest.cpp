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
                                           StringRow{"brokenUtf8", "a\xff", "\"a\xEF\xBF\xBD\""},
                                           StringRow{"deleteEscaped", "host\x7f", "\"host\\u007f\""},
                                           StringRow{"c1Escaped", "a\xC2\x85", "\"a\\u0085\""},
                                           StringRow{"noBreakSpaceAsIs", "\xC2\xA0", "\"\xC2\xA0\""}),
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
                      NumberRow{"wholeReal", Json(2600.0), "2600.0"},
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

struct OffsetRow {
    const char* name;
    int seconds;
    std::string text;
};

class IsoLocalTime : public ::testing::TestWithParam<OffsetRow> {};

TEST_P(IsoLocalTime, CarriesItsOffset) {
    EXPECT_EQ(isoLocalTime("2026-12-09T05:55:13", GetParam().seconds),
              "2026-12-09T05:55:13" + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, IsoLocalTime,
                         ::testing::Values(OffsetRow{"moscow", 3 * 3600, "+03:00"},
                                           OffsetRow{"utc", 0, "+00:00"},
                                           OffsetRow{"newfoundland", -(3 * 3600 + 1800), "-03:30"},
                                           OffsetRow{"nepal", 5 * 3600 + 45 * 60, "+05:45"},
                                           OffsetRow{"lineIslands", 14 * 3600, "+14:00"}),
                         [](const auto& info) { return std::string(info.param.name); });

// What the twin writes for facts that were read and for facts that could not be: a value, or null, never a
// made-up 0 or "".
struct FieldRow {
    const char* name;
    void (*fill)(ReportRecord&);
    std::string expected; // a piece of the file's text
};

class ReportJsonFields : public ::testing::TestWithParam<FieldRow> {};

TEST_P(ReportJsonFields, WriteWhatWasRead) {
    ReportRecord record;
    GetParam().fill(record);
    const std::string text = reportJson(record);
    EXPECT_NE(text.find(GetParam().expected), std::string::npos) << text;
}

results::ResultLine fpsNotRun() {
    results::ResultLine line{"full_test", "average_fps", "Тест производительности", "не выполнен",
                             "нет OpenGL"};
    line.facts = {{"not_run_reason", std::string("нет OpenGL"), ""}};
    return line;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReportJsonFields,
    ::testing::Values(
        FieldRow{"memoryUnknown", [](ReportRecord&) {}, "\"memory_bytes\": null"},
        FieldRow{"memoryRead", [](ReportRecord& r) { r.machine.memoryBytes = 8'000'000'000u; },
                 "\"memory_bytes\": 8000000000"},
        FieldRow{"noScreen", [](ReportRecord&) {},
                 "\"width\": null,\n      \"height\": null,\n      \"bits_per_pixel\": null"},
        FieldRow{"screen",
                 [](ReportRecord& r) {
                     r.machine.screenWidth = 1920;
                     r.machine.screenHeight = 1080;
                     r.machine.screenBitsPerPixel = 24;
                 },
                 "\"width\": 1920,\n      \"height\": 1080,\n      \"bits_per_pixel\": 24"},
        FieldRow{"noSoundService", [](ReportRecord&) {}, "\"sound_output_devices\": null"},
        FieldRow{"noBiosDate", [](ReportRecord&) {}, "\"date\": null"},
        FieldRow{"noProcessor", [](ReportRecord&) {},
                 "\"vendor\": null,\n      \"brand\": null,\n      \"family\": null,\n      \"model\": "
                 "null,\n      \"stepping\": null,\n      \"highest_leaf\": null"},
        FieldRow{
            "noIdentificationLeaf",
            [](ReportRecord& r) { r.machine.processor = processorFacts(0, std::string(12, '\0'), 0, ""); },
            "\"family\": null,\n      \"model\": null,\n      \"stepping\": null,\n      "
            "\"highest_leaf\": 0"},
        FieldRow{"identified",
                 [](ReportRecord& r) {
                     // A Core i7-1165G7: leaf 1 eax 0x000806C1.
                     r.machine.processor =
                         processorFacts(0x1B, "GenuineIntel", 0x000806C1, "Intel(R) Core(TM)");
                 },
                 "\"family\": 6,\n      \"model\": 140,\n      \"stepping\": 1"},
        FieldRow{"fpsMeasured", [](ReportRecord& r) { r.shown.averageFps = 57.5L; },
                 "\"average_fps\": 57.5,\n    \"average_fps_not_run\": null"},
        FieldRow{"fpsNotRun",
                 [](ReportRecord& r) {
                     r.shown.averageFps = 0.0L;
                     r.shown.results = {fpsNotRun()};
                 },
                 "\"average_fps\": null,\n    \"average_fps_not_run\": \"нет OpenGL\""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::report
