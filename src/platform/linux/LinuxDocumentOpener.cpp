#include "platform/linux/LinuxDocumentOpener.h"

#include <cstdio>

namespace vexlin::platform::linux_impl {

namespace {

// Single quotes for /bin/sh: nothing inside them is interpreted, a quote itself is closed, escaped, reopened.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

std::string LinuxDocumentOpener::defaultHandler(const std::string& mimeType) const {
    const auto xdgMime = launcher_.findExecutable("xdg-mime");
    if (xdgMime.empty()) {
        return {};
    }
    const std::string command =
        shellQuoted(xdgMime) + " query default " + shellQuoted(mimeType) + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string answer;
    char chunk[256];
    while (answer.size() < 4096 && std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
        answer += chunk;
    }
    ::pclose(pipe);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r' || answer.back() == ' ')) {
        answer.pop_back();
    }
    return answer;
}

OpenResult LinuxDocumentOpener::open(const std::string& path, const std::string& mimeType) {
    OpenResult result;
    std::vector<std::vector<std::string>> candidates;
    // xdg-open with no program for the type would start nothing and still succeed, so it is only asked
    // when the desktop has one.
    if (!defaultHandler(mimeType).empty()) {
        candidates.push_back({"xdg-open", path});
    }
    candidates.push_back({"lowriter", path});
    candidates.push_back({"libreoffice", "--writer", path});
    candidates.push_back({"soffice", "--writer", path});
    candidates.push_back({"abiword", path});
    candidates.push_back({"calligrawords", path});
    for (const auto& argv : candidates) {
        result.lookedFor.push_back(argv.front());
        if (launcher_.startProgram(argv)) {
            result.opened = true;
            result.program = argv.front();
            return result;
        }
    }
    return result;
}

} // namespace vexlin::platform::linux_impl
