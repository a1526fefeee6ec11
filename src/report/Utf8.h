#pragma once

#include <string>

namespace vexlin::report {

// Text from the system (BIOS strings, device names) may hold broken UTF-8; XML and JSON readers refuse it.
// Each byte that does not start a valid sequence becomes U+FFFD.  With dropControls, control characters
// other than tab are left out too: C0, DEL (U+007F) and C1 (U+0080 … U+009F), which XML 1.0 cannot hold or
// a word processor shows as boxes (JSON escapes them instead).
std::string repairedUtf8(const std::string& text, bool dropControls);

// True when the valid sequence of `length` bytes at text[i] is a control character other than tab.
bool isControl(const std::string& text, std::size_t i, std::size_t length);

} // namespace vexlin::report
