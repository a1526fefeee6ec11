#include "results/ResultsStore.h"

#include <gtest/gtest.h>

namespace vexlin::results {
namespace {

ResultLine line(std::string source, std::string key, std::string value) {
    return ResultLine{std::move(source), std::move(key), "что", std::move(value), "", Verdict::None, {}};
}

std::vector<std::string> keysOf(const ResultsStore& store) {
    std::vector<std::string> keys;
    for (const auto& l : store.lines()) {
        keys.push_back(l.source + "/" + l.key + "=" + l.value);
    }
    return keys;
}

TEST(ResultsStore, KeepsTheOrderOfFirstReportAndReplacesInPlace) {
    ResultsStore store;
    store.put(line("full_test", "average_fps", "1"));
    store.put(line("battery", "BAT0.wear", "2"));
    store.put(line("full_test", "average_cpu_mhz", "3"));
    store.put(line("full_test", "average_fps", "4"));
    EXPECT_EQ(keysOf(store), (std::vector<std::string>{"full_test/average_fps=4", "battery/BAT0.wear=2",
                                                       "full_test/average_cpu_mhz=3"}));
}

TEST(ResultsStore, SameKeyInAnotherSourceIsAnotherLine) {
    ResultsStore store;
    store.put(line("audio", "level", "1"));
    store.put(line("thermal", "level", "2"));
    ASSERT_EQ(store.lines().size(), 2u);
    EXPECT_EQ(store.find("thermal", "level")->value, "2");
    EXPECT_EQ(store.find("keyboard", "level"), nullptr);
}

TEST(ResultsStore, RevisionMovesOnlyOnRealChange) {
    ResultsStore store;
    const auto start = store.revision();
    store.put(line("battery", "wear", "31 %"));
    const auto afterFirst = store.revision();
    EXPECT_GT(afterFirst, start);
    store.put(line("battery", "wear", "31 %"));
    EXPECT_EQ(store.revision(), afterFirst) << "an unchanged line is not a change";
    store.clearSource("audio");
    EXPECT_EQ(store.revision(), afterFirst) << "nothing of that source to drop";
    store.put(line("battery", "wear", "32 %"));
    EXPECT_GT(store.revision(), afterFirst);
}

TEST(ResultsStore, ClearSourceDropsOnlyThatSource) {
    ResultsStore store;
    store.put(line("keyboard", "coverage", "1"));
    store.put(line("audio", "left", "2"));
    store.put(line("keyboard", "stuck", "3"));
    store.clearSource("keyboard");
    EXPECT_EQ(keysOf(store), (std::vector<std::string>{"audio/left=2"}));
    EXPECT_EQ(store.linesOf("audio").size(), 1u);
    store.clear();
    EXPECT_TRUE(store.empty());
}

TEST(ResultsStore, FactsAreCompared) {
    ResultsStore store;
    auto withFact = line("battery", "wear", "31 %");
    withFact.facts.push_back(Fact{"wear_percent", 31.0, "%"});
    store.put(withFact);
    const auto before = store.revision();
    withFact.facts[0].value = 32.0;
    store.put(withFact);
    EXPECT_GT(store.revision(), before) << "a changed fact with the same text is still a change";
    EXPECT_EQ(std::get<double>(store.find("battery", "wear")->facts[0].value), 32.0);
}

TEST(ResultsStore, VerdictNames) {
    EXPECT_EQ(verdictName(Verdict::None), "none");
    EXPECT_EQ(verdictName(Verdict::Good), "good");
    EXPECT_EQ(verdictName(Verdict::Warning), "warning");
    EXPECT_EQ(verdictName(Verdict::Bad), "bad");
}

} // namespace
} // namespace vexlin::results
