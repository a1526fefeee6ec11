#pragma once

#include <string>
#include <vector>

namespace vexlin::platform {

struct OpenResult {
    bool opened = false;
    std::string program;                // what was started, when opened
    std::vector<std::string> lookedFor; // every program tried, in order
};

// Opens a document in the program the desktop uses for its kind, else in a word processor that is installed.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    virtual OpenResult open(const std::string& path, const std::string& mimeType) = 0;
};

} // namespace vexlin::platform
