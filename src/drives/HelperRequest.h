#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the privileged helper accepts: one block device name that the kernel lists under /sys/block.  The
// helper runs as root on a password prompt, so everything else is refused before anything runs.
namespace vexlin::drives {

inline constexpr std::size_t kMaxDeviceName = 32;

// The refusal in words, or nothing when `name` is a block device below `root` that the helper may read.
// Only lower-case letters and digits get through: no slash, dash or dot, so no path, option or "..".
std::optional<std::string> refuseDeviceName(std::string_view name, const std::filesystem::path& root = "/");

} // namespace vexlin::drives
