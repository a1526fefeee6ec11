#include "platform/linux/LinuxThermalSensors.h"
#include "results/ResultsStore.h"
#include "support/TempDir.h"
#include "sysinfo/ThermalMonitor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Every thermal machine of the corpus, run as the performance window runs its sensors: the first reading
// on the tree as copied, one more per row of a recorded series, then the lines that go to the results
// store (and so to the page "Итоги", the report and the JSON), compared with expected-thermal.tsv.
namespace {

namespace fs = std::filesystem;
using vexlin::platform::linux_impl::LinuxThermalSensors;
using vexlin::results::FactValue;
using vexlin::results::ResultLine;
using vexlin::results::ResultsStore;
using vexlin::sysinfo::ThermalMonitor;
using vexlin::sysinfo::ThermalRunKind;

const fs::path kCorpus = fs::path(VEXLIN_SOURCE_DIR) / "autotests/fixtures/machines";

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == separator) {
        fields.emplace_back();
    }
    return fields;
}

// The lines of a table that carry data: no comment, no blank line.
std::vector<std::string> dataLines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

struct ExpectedLine {
    std::string key, what, value, verdict, judgement;
    std::vector<std::pair<std::string, std::string>> facts; // only those named are compared
};

// expected-thermal.tsv: run, key, what, value, verdict, judgement, facts ("name=value; name=value").
std::map<std::string, std::vector<ExpectedLine>> expectedRuns() {
    std::map<std::string, std::vector<ExpectedLine>> runs;
    const auto lines = dataLines(kCorpus / "expected-thermal.tsv");
    for (std::size_t i = 1; i < lines.size(); ++i) { // the first is the header
        const auto fields = split(lines[i], '\t');
        if (fields.size() != 7) {
            ADD_FAILURE() << "expected-thermal.tsv: not 7 fields: " << lines[i];
            continue;
        }
        ExpectedLine line{fields[1], fields[2], fields[3], fields[4], fields[5], {}};
        for (const auto& fact : split(fields[6], ';')) {
            const auto trimmed = fact.substr(
                fact.find_first_not_of(' ') == std::string::npos ? fact.size() : fact.find_first_not_of(' '));
            const auto equals = trimmed.find('=');
            if (equals != std::string::npos) {
                line.facts.emplace_back(trimmed.substr(0, equals), trimmed.substr(equals + 1));
            }
        }
        runs[fields[0]].push_back(std::move(line));
    }
    return runs;
}

std::vector<std::string> runNames() {
    std::vector<std::string> names;
    for (const auto& [name, lines] : expectedRuns()) {
        names.push_back(name);
    }
    return names;
}

// "fan_stops" runs fan_stops/series.tsv (or only the first reading where there is none);
// "fan_stops:at-rest" runs fan_stops/series-at-rest.tsv.
struct RunFiles {
    fs::path machine;
    fs::path series; // empty for a single reading
};

RunFiles filesOf(const std::string& run) {
    const auto colon = run.find(':');
    const fs::path machine = kCorpus / run.substr(0, colon);
    const fs::path series = colon == std::string::npos
                                ? machine / "series.tsv"
                                : machine / ("series-" + run.substr(colon + 1) + ".tsv");
    return {machine, colon == std::string::npos && !fs::exists(series) ? fs::path() : series};
}

std::string factText(const FactValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*whole);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", *real);
        return buffer;
    }
    return std::get<bool>(value) ? "true" : "false";
}

std::string asRow(const std::string& run, const ResultLine& line) {
    std::string facts;
    for (const auto& fact : line.facts) {
        facts += (facts.empty() ? "" : "; ") + fact.name + "=" + factText(fact.value);
    }
    return run + "\t" + line.key + "\t" + line.what + "\t" + line.value + "\t" + line.verdict + "\t" +
           std::string(vexlin::results::verdictName(line.judgement)) + "\t" + facts;
}

std::vector<ResultLine> runMachine(const RunFiles& files) {
    vexlin::testing::TempDir copy("vexlin-machine");
    fs::copy(files.machine / "sys", copy.path() / "sys",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    LinuxThermalSensors sensors(copy.path());
    ResultsStore store;
    ThermalMonitor monitor(&sensors, store, ThermalRunKind::Performance);
    monitor.start();
    if (!files.series.empty()) {
        const auto lines = dataLines(files.series);
        EXPECT_FALSE(lines.empty()) << files.series;
        const auto header = lines.empty() ? std::vector<std::string>() : split(lines[0], '\t');
        for (std::size_t tick = 1; tick < lines.size(); ++tick) {
            const auto values = split(lines[tick], '\t');
            EXPECT_EQ(values.size(), header.size()) << files.series << " row " << tick;
            for (std::size_t i = 0; i < std::min(values.size(), header.size()); ++i) {
                if (values[i] != "-") {
                    EXPECT_TRUE(fs::exists(copy.path() / header[i])) << header[i];
                    std::ofstream(copy.path() / header[i]) << values[i] << "\n";
                }
            }
            monitor.sample();
        }
    }
    monitor.finish();
    return store.lines();
}

class MachineCorpus : public testing::TestWithParam<std::string> {};

TEST_P(MachineCorpus, LinesAndVerdictsAreThoseExpected) {
    const std::string& run = GetParam();
    const auto expected = expectedRuns().at(run);
    const auto files = filesOf(run);
    ASSERT_TRUE(fs::is_directory(files.machine / "sys")) << files.machine;
    ASSERT_TRUE(fs::exists(files.machine / "README.md")) << "every machine says where its layout comes from";
    const auto lines = runMachine(files);
    std::string actual;
    for (const auto& line : lines) {
        actual += asRow(run, line) + "\n";
    }
    SCOPED_TRACE("the run gave:\n" + actual);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& got = lines[i];
        const auto& want = expected[i];
        SCOPED_TRACE(want.key);
        EXPECT_EQ(got.source, "thermal");
        EXPECT_EQ(got.key, want.key);
        EXPECT_EQ(got.what, want.what);
        EXPECT_EQ(got.value, want.value);
        EXPECT_EQ(got.verdict, want.verdict);
        EXPECT_EQ(vexlin::results::verdictName(got.judgement), want.judgement);
        for (const auto& [name, value] : want.facts) {
            const auto fact = std::find_if(got.facts.begin(), got.facts.end(),
                                           [&name](const auto& f) { return f.name == name; });
            if (value == "absent") {
                EXPECT_EQ(fact, got.facts.end()) << name;
            } else if (fact == got.facts.end()) {
                ADD_FAILURE() << "no fact " << name;
            } else {
                EXPECT_EQ(factText(fact->value), value) << name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, MachineCorpus, testing::ValuesIn(runNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

} // namespace
