#pragma once

#include "results/ResultsStore.h"

#include <string>
#include <string_view>
#include <vector>

// How the page "Итоги", its plain-text copy and the report's last section arrange the store's lines: by
// what they test, in a fixed order of groups, each line in the order the tests reported it.
namespace vexlin::results {

struct ResultGroup {
    std::string title; // "Батарея", "Клавиатура", ...
    std::vector<const ResultLine*> lines;
};

// The groups that have lines, in the fixed order; a source no group names goes to "Прочее" at the end.
// The pointers are into `lines` and live as long as it is not changed.
std::vector<ResultGroup> groupedLines(const std::vector<ResultLine>& lines);
inline std::vector<ResultGroup> groupedLines(const ResultsStore& store) {
    return groupedLines(store.lines());
}

// A sign beside the verdict's words, so that its colour is never the only mark of it (colour-blind
// readers, black-and-white prints): "✓" good, "⚠" warning, "✗" bad, nothing for a line without a verdict.
std::string_view verdictSign(Verdict verdict);

// The verdict's words after their sign: "✗ Износ батареи: 41 %"; empty when the line has no verdict.
std::string signedVerdict(const ResultLine& line);

// The page as plain text, for the clipboard: a heading per group, then "what: value — ✓ verdict" lines.
std::string resultsAsText(const ResultsStore& store);

} // namespace vexlin::results
