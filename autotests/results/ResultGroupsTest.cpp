#include "results/ResultGroups.h"

#include <gtest/gtest.h>

namespace vexlin::results {
namespace {

ResultLine line(std::string source, std::string key, std::string value, std::string verdict = "",
                Verdict judgement = Verdict::None) {
    std::string what = key; // a line's "what" is its key here, so that a failure names it
    return ResultLine{std::move(source),
                      std::move(key),
                      std::move(what),
                      std::move(value),
                      std::move(verdict),
                      judgement,
                      {}};
}

TEST(ResultGroups, FixedOrderOfGroupsWhateverTheOrderOfReportsAndUnknownSourcesLast) {
    ResultsStore store;
    store.put(line("full_test", "average_fps", "1"));
    store.put(line("somewhere", "new", "2"));
    store.put(line("thermal", "cpu", "3"));
    store.put(line("battery", "BAT0.wear", "4"));
    store.put(line("thermal", "fan", "5"));
    std::vector<std::string> seen;
    for (const ResultGroup& group : groupedLines(store)) {
        seen.push_back(group.title);
        for (const ResultLine* l : group.lines) {
            seen.push_back(" " + l->key);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Батарея", " BAT0.wear", "Нагрев", " cpu", " fan",
                                              "Полный тест", " average_fps", "Прочее", " new"}));
}

// The plain-text copy carries the same sign as the page, so a verdict read from paper keeps its meaning.
TEST(ResultGroups, PlainTextHasAHeadingPerGroupAndASignBesideEveryVerdict) {
    ResultsStore store;
    store.put(line("keyboard", "coverage", "81 из 83", "не нажаты: Alt", Verdict::Warning));
    store.put(line("battery", "BAT0.wear", "", "Износ батареи: 41 %", Verdict::Bad));
    store.put(line("battery", "BAT0.cycles", "312"));
    store.put(line("audio", "microphone", "", "сигнал есть", Verdict::Good));
    store.put(line("audio", "left_channel", "", "не проверен"));
    EXPECT_EQ(resultsAsText(store), "Батарея\n"
                                    "BAT0.wear: ✗ Износ батареи: 41 %\n"
                                    "BAT0.cycles: 312\n"
                                    "\n"
                                    "Клавиатура\n"
                                    "coverage: 81 из 83 — ⚠ не нажаты: Alt\n"
                                    "\n"
                                    "Звук\n"
                                    "microphone: ✓ сигнал есть\n"
                                    "left_channel: не проверен\n");
    EXPECT_EQ(resultsAsText(ResultsStore{}), "");
}

} // namespace
} // namespace vexlin::results
