#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexlin::platform {

struct LaunchResult {
    bool launched = false;
    std::string program;                // the program started, when launched
    std::vector<std::string> lookedFor; // every program tried, in order
};

// Runs the system tool that a Windows command line names, through this system's nearest equivalents.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    virtual LaunchResult run(std::string_view windowsCommandLine) = 0;
};

} // namespace vexlin::platform
