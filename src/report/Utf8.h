#pragma once

#include <string>

namespace vexlin::report {

// Text from the system (BIOS strings, device names) may hold broken UTF-8; XML and JSON readers refuse it.
// Each byte that does not start a valid sequence becomes U+FFFD.  With dropControls, control characters
// other than tab are left out too, as XML 1.0 cannot hold them (JSON escapes them instead).
std::string repairedUtf8(const std::string& text, bool dropControls);

} // namespace vexlin::report
