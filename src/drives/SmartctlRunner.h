#pragma once

#include "drives/DriveRecord.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// Runs `smartctl --json -x /dev/NAME` (or, asked for, `smartctl --json -t short /dev/NAME`): directly when
// the program runs as root, otherwise our helper through pkexec (the administrator's password, asked by the
// desktop's polkit agent).  Blocks for at most the timeout: call it from a worker thread, never from the
// window's.
namespace vexlin::drives {

struct RunSettings {
    bool privileged = false;      // running as root: no helper, no password
    std::filesystem::path helper; // vexlin-smart-helper, run through pkexec otherwise
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    // Looked in after PATH for smartctl: an unprivileged user's PATH has no sbin directory.
    std::string systemDirectories = "/usr/local/sbin:/usr/sbin:/sbin";
    // Without root, asked first for each drive: its records from a source that needs no password (UDisks2
    // on the system bus); nothing sends that drive to smartctl.
    std::function<std::optional<DriveRecord>(const std::string& name)> withoutPassword;
};

struct RunOutcome {
    enum class Kind { Output, NoSmartctl, NoPkexec, Refused, TimedOut, Failed };
    Kind kind = Kind::Failed;
    std::string output;  // smartctl's JSON (Output)
    std::string message; // what went wrong and what to do, for the user (every other kind)
};

// What smartctl is asked to do: read everything the drive records, or start its short self-test.
enum class SmartAction { Read, ShortSelfTest };

RunOutcome runSmartctl(const std::string& device, const RunSettings& settings,
                       SmartAction action = SmartAction::Read);

// The program on PATH, else in `more` (directories separated by colons); empty when not found.
std::filesystem::path findProgram(const std::string& name, const std::string& more = "");

// The helper's exit code when smartctl is not installed (sysexits' EX_UNAVAILABLE).
inline constexpr int kHelperNoSmartctl = 69;
// The helper's exit code when it refuses its argument (EX_USAGE).
inline constexpr int kHelperRefused = 64;

// The message for a missing smartctl: what to install.
std::string noSmartctlMessage();

} // namespace vexlin::drives
