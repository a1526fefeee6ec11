#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where the run-down journals live and how a line reaches the disk.
namespace vexlin::platform {

struct ClockReading {
    std::int64_t boottimeNs = 0;  // CLOCK_BOOTTIME: goes on counting while the machine sleeps
    std::int64_t monotonicNs = 0; // CLOCK_MONOTONIC: stands still while it sleeps
    std::int64_t wallMs = 0;      // the wall clock, ms since 1970
};
ClockReading readClocks();

// The kernel's id of this boot (/proc/sys/kernel/random/boot_id below a root); empty when unreadable.
std::string readBootId(const std::filesystem::path& root = "/");

// $XDG_STATE_HOME/vexlin, else ~/.local/state/vexlin; empty when neither the variable nor a home is known.
std::filesystem::path rundownDirectory();

// Creates the folder (and its parents) for the user alone (0700); an existing one is kept as it is.  An error
// message naming the folder, or empty.
std::string makePrivateDirectory(const std::filesystem::path& folder);

// The journals in a folder, oldest first (their names carry the start time).
std::vector<std::filesystem::path> rundownJournals(const std::filesystem::path& folder);

// Removes all but the newest `keep` journals of a folder, each with the marks beside it ("<journal>.shown"),
// so that the folder cannot grow for ever.  The files removed, oldest first.
std::vector<std::filesystem::path> pruneRundownJournals(const std::filesystem::path& folder,
                                                        std::size_t keep);

// A whole file, or nothing when it cannot be read or is larger than maxBytes.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes);

// A file only ever appended to: each line is written whole and fdatasync'ed before append returns, so a power
// cut loses at most the line being written.  The file is new (never replaces one) and the user's alone
// (0600).
class AppendOnlyFile {
public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // An error message naming the file, or empty.
    std::string create(const std::filesystem::path& file);
    std::string append(const std::string& line);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

} // namespace vexlin::platform
