#pragma once

#include "results/ResultsStore.h"

#include <QColor>
#include <optional>

namespace vexlin {

// The colour a verdict is written in wherever the windows show one: dark enough to read on white, and only
// backing up the verdict's words and sign, never standing for them.  None for a line without a verdict.
std::optional<QColor> verdictColour(results::Verdict verdict);

} // namespace vexlin
