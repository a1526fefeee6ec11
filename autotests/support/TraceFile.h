#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace vexlin::testing {

// What a detached fake tool wrote to its trace file, once the file ends with a whole line, or whatever is
// there after `patience` (empty when the tool never ran).  The shell makes the file before it writes to it,
// so a reader that only waited for the file would sometimes find it empty.
inline std::string traceWithin(const std::filesystem::path& trace,
                               std::chrono::milliseconds patience = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::string text;
    for (;;) {
        std::ifstream in(trace, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if ((!text.empty() && text.back() == '\n') || std::chrono::steady_clock::now() >= deadline) {
            return text;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace vexlin::testing
