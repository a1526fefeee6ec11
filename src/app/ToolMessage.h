#pragma once

#include <string>
#include <vector>

namespace vexlin {

// What the user reads when none of the programs that stand for a system tool could be started.
std::string missingToolText(const std::string& title, const std::vector<std::string>& lookedFor);

} // namespace vexlin
