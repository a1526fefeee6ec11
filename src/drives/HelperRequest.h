#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the privileged helper accepts: one block device name that the kernel lists under /sys/block, or the
// fixed word "short-test" and such a name.  The helper runs as root on a password prompt, so everything else
// is refused before anything runs.
namespace vexlin::drives {

inline constexpr std::size_t kMaxDeviceName = 32;
// The one word that asks the helper to start the drive's short self-test instead of reading it.
inline constexpr std::string_view kHelperShortTest = "short-test";

// The refusal in words, or nothing when `name` is a block device below `root` that the helper may read.
// Only lower-case letters and digits get through: no slash, dash or dot, so no path, option or "..".
std::optional<std::string> refuseDeviceName(std::string_view name, const std::filesystem::path& root = "/");

struct HelperRequest {
    bool shortTest = false; // `smartctl -t short` instead of `smartctl -x`
    std::string device;     // a name that refuseDeviceName let through
    std::string refusal;    // set when the arguments are refused; then nothing else is
};

// The helper's arguments after the program's name: "NAME" or "short-test NAME", nothing else.
HelperRequest readHelperArguments(const std::vector<std::string>& arguments,
                                  const std::filesystem::path& root = "/");

} // namespace vexlin::drives
