#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vexlin::platform::linux_impl {

// Small readers for one-value files of sysfs and procfs.  A file that is missing, unreadable or holds
// something else than expected gives nothing rather than a guess.
// The first line, without its line end and trailing blanks; nothing when the file is empty or its first line
// is longer than kMaxValueLine bytes (sysfs values fit in one memory page).
inline constexpr std::size_t kMaxValueLine = 65536;
std::optional<std::string> readFirstLine(const std::filesystem::path& file);
std::optional<std::int64_t> readInteger(const std::filesystem::path& file);
// The same for a value read many times a run: one open and one read of at most 63 bytes, no stream and no
// allocation.  A longer file is not a single number and reads as nothing.
std::optional<std::int64_t> readSmallInteger(const std::string& file);

// The path below a fixture root: rootedPath("/tmp/x", "/sys/class") is /tmp/x/sys/class.
std::filesystem::path rootedPath(const std::filesystem::path& root, std::string_view absolute);

} // namespace vexlin::platform::linux_impl
