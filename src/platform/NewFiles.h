#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vexlin::platform {

struct NewFile {
    std::string suffix; // ".docx"
    std::string bytes;
};

struct SavedFiles {
    bool saved = false;
    std::vector<std::filesystem::path> paths; // in the order of the files given, when saved
    std::string error;                        // what went wrong, naming the folder, when not saved
};

// The steps of a save on each file, where a disk can refuse.
enum class SaveStep {
    Create, // the temporary file is made in the folder
    Write,  // its bytes are written and flushed
    Place,  // it gets its final name
};

// A way into a save for tests: a disk that refuses a step, or something that happens between two steps.
struct SaveSeam {
    // Runs before `step` on the file at `index`; an errno value makes the step fail with it, 0 lets it go on.
    std::function<int(SaveStep step, std::size_t index)> before;
};

// Saves files that belong together (a document and its twin) under one name that none of them has yet:
// "stem.docx", else "stem (2).docx", and so on; an existing file is never replaced.  The folder is created
// when missing.  Each file is first written to a temporary name in the same folder and flushed to the disk,
// then given its final name, so a crash never leaves a half-written file under that name; on any failure
// nothing of this save is left behind, the folders it created included.  Temporary files that an earlier
// run left behind when it was killed are removed: a temporary file is locked while its save runs, so one
// that nobody holds is a leftover.
//
// The message of a failure names the folder and the system's reason, in Russian for the reasons a user
// meets (no such folder, no permission, no space, a read-only disk).
SavedFiles saveNewFiles(const std::filesystem::path& folder, const std::string& stem,
                        const std::vector<NewFile>& files, const SaveSeam& seam = {});

} // namespace vexlin::platform
