#pragma once

#include <filesystem>
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

// Saves files that belong together (a document and its twin) under one name that none of them has yet:
// "stem.docx", else "stem (2).docx", and so on; an existing file is never replaced.  The folder is created
// when missing.  Each file is first written to a temporary name in the same folder and flushed to the disk,
// then given its final name, so a crash never leaves a half-written file under that name; on any failure
// nothing of this save is left behind.
SavedFiles saveNewFiles(const std::filesystem::path& folder, const std::string& stem,
                        const std::vector<NewFile>& files);

} // namespace vexlin::platform
