#pragma once

#include "keyboard/KeyCoverage.h"
#include "results/ResultsStore.h"

#include <string>
#include <vector>

namespace vexlin {

inline constexpr const char* kKeyboardSource = "keyboard";

// The coverage label under the key log: "Проверено клавиш: N из M".
std::string coverageText(const KeyCoverage& coverage);
// The fault label beside it: "Залипание: нет; дребезг: нет", or the keys by name.
std::string faultText(const KeyCoverage& coverage);

// What one opening of the keyboard window found, for the results store (source "keyboard"): the coverage,
// the keys never pressed, the stuck keys and the chattering keys.
std::vector<results::ResultLine> keyboardResultLines(const KeyCoverage& coverage);

} // namespace vexlin
