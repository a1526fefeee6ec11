#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin::sysinfo {

// The BIOS version value is read into a 100-byte zeroed buffer; a longer value is refused (nothing: the
// field keeps its text).  The lines are the runs of bytes 0x20 and above within the first 99 bytes that a
// byte below 0x20 ends; an empty run adds nothing and a run still open at byte 99 is dropped.
std::optional<std::vector<std::string>> biosVersionLines(std::string_view value);

} // namespace vexlin::sysinfo
