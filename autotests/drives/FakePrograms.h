#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vexlin::drives {

// A directory of fake programs, put first on PATH for one test and taken away after.
class FakePrograms {
    using path = std::filesystem::path;

public:
    FakePrograms()
        : dir_(std::filesystem::temp_directory_path() / ("vexlin-drives-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(dir_);
        const char* path = std::getenv("PATH");
        oldPath_ = path != nullptr ? path : "";
        setenv("PATH", dir_.c_str(), 1); // nothing else: a missing fake is a missing program
    }
    ~FakePrograms() {
        setenv("PATH", oldPath_.c_str(), 1);
        std::filesystem::remove_all(dir_);
    }
    void add(const std::string& name, const std::string& body) {
        const path file = dir_ / name;
        // The fake runs with the system PATH; the program under test sees only the fakes.
        std::ofstream(file) << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << body << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    const path& dir() const { return dir_; }

private:
    path dir_;
    std::string oldPath_;
};

} // namespace vexlin::drives
