#include "platform/ProgramModule.h"

#include "platform/DataFiles.h"

#include <cstring>

namespace vexlin::platform {
namespace {

// A module found by the system's search has no directory of ours in its name; the message names the one
// where this installation keeps it.
std::string placeOf(const std::filesystem::path& moduleFile) {
    if (moduleFile.has_parent_path()) {
        return moduleFile.string();
    }
    const auto directory = installedModuleDirectory();
    return directory.empty() ? moduleFile.string() : (directory / moduleFile).string();
}

bool ofThisBuild(const SharedModule& module, const char* versionSymbol, const char* version,
                 std::initializer_list<const char*> required) {
    using VersionFunction = const char* (*)();
    const auto moduleVersion = reinterpret_cast<VersionFunction>(module.symbol(versionSymbol));
    if (moduleVersion == nullptr || std::strcmp(moduleVersion(), version) != 0) {
        return false;
    }
    for (const char* name : required) {
        if (module.symbol(name) == nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace

ProgramModule loadProgramModule(const std::filesystem::path& file, const std::string& kind,
                                const char* versionSymbol, const char* version,
                                std::initializer_list<const char*> required) {
    ProgramModule loaded;
    std::string error;
    loaded.module = loadSharedModule(file, error);
    if (!loaded.module) {
        loaded.refusal = "не загружен " + kind + " программы " + placeOf(file) + " (" + error +
                         "). Переустановите программу.";
    } else if (!ofThisBuild(*loaded.module, versionSymbol, version, required)) {
        loaded.module.reset();
        loaded.refusal =
            kind + " " + placeOf(file) + " не от этой версии программы. Переустановите программу.";
    }
    return loaded;
}

} // namespace vexlin::platform
