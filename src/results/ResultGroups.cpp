#include "results/ResultGroups.h"

#include <algorithm>
#include <array>

namespace vexlin::results {

namespace {

struct GroupOfSource {
    std::string_view source;
    std::string_view title;
};

// The order a buyer reads a used laptop's results in: the battery first, the run of the full test last.
constexpr std::array kGroups{
    GroupOfSource{"battery", "Батарея"},   GroupOfSource{"keyboard", "Клавиатура"},
    GroupOfSource{"audio", "Звук"},        GroupOfSource{"thermal", "Нагрев"},
    GroupOfSource{"drives", "Накопители"}, GroupOfSource{"full_test", "Полный тест"},
};
constexpr std::string_view kOtherTitle = "Прочее";

std::size_t groupIndex(std::string_view source) {
    const auto found = std::find_if(kGroups.begin(), kGroups.end(),
                                    [source](const GroupOfSource& group) { return group.source == source; });
    return static_cast<std::size_t>(found - kGroups.begin()); // kGroups.size(): "Прочее"
}

} // namespace

std::vector<ResultGroup> groupedLines(const std::vector<ResultLine>& lines) {
    std::array<ResultGroup, kGroups.size() + 1> all;
    for (std::size_t i = 0; i < kGroups.size(); ++i) {
        all[i].title = kGroups[i].title;
    }
    all.back().title = kOtherTitle;
    for (const ResultLine& line : lines) {
        all[groupIndex(line.source)].lines.push_back(&line);
    }
    std::vector<ResultGroup> shown;
    for (ResultGroup& group : all) {
        if (!group.lines.empty()) {
            shown.push_back(std::move(group));
        }
    }
    return shown;
}

std::string_view verdictSign(Verdict verdict) {
    switch (verdict) {
    case Verdict::Good:
        return "✓";
    case Verdict::Warning:
        return "⚠";
    case Verdict::Bad:
        return "✗";
    case Verdict::None:
        break;
    }
    return {};
}

std::string signedVerdict(const ResultLine& line) {
    if (line.verdict.empty()) {
        return {};
    }
    const std::string_view sign = verdictSign(line.judgement);
    return sign.empty() ? line.verdict : std::string(sign) + " " + line.verdict;
}

std::string resultsAsText(const ResultsStore& store) {
    std::string text;
    for (const ResultGroup& group : groupedLines(store)) {
        if (!text.empty()) {
            text += '\n';
        }
        text += group.title + '\n';
        for (const ResultLine* line : group.lines) {
            text += line->what;
            std::string rest = line->value;
            const std::string verdict = signedVerdict(*line);
            if (!verdict.empty()) {
                rest += rest.empty() ? verdict : " — " + verdict;
            }
            if (!rest.empty()) {
                text += ": " + rest;
            }
            text += '\n';
        }
    }
    return text;
}

} // namespace vexlin::results
