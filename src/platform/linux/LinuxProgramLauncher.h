#pragma once

#include "platform/ProgramLauncher.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexlin::platform::linux_impl {

// One way of doing on Linux what a Windows command line does: the program and its arguments.
struct Candidate {
    std::vector<std::string> argv;
};

// The Linux programs tried, in order, for a Windows command line of the tools menu; empty when the command
// line is not one of them.
const std::vector<Candidate>& candidatesFor(std::string_view windowsCommandLine);

// Starts the first candidate that is installed in one of the search directories, detached from this
// process, so that it outlives the program and leaves no zombie.
class LinuxProgramLauncher final : public ProgramLauncher {
public:
    explicit LinuxProgramLauncher(std::vector<std::string> searchDirectories)
        : searchDirectories_(std::move(searchDirectories)) {}

    LaunchResult run(std::string_view windowsCommandLine) override;

    // The directories of $PATH.
    static std::vector<std::string> pathFromEnvironment();

    // The full path of an executable program of that name in the search directories, or empty.
    std::string findExecutable(std::string_view name) const;

    // Starts argv[0], found in the search directories, detached; false when it is not there or exec fails.
    bool startProgram(const std::vector<std::string>& argv) const;

private:
    std::vector<std::string> searchDirectories_;
};

} // namespace vexlin::platform::linux_impl
