#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace vexlin::platform {

// A part of the program kept in a file of its own and loaded at run time, so that the libraries it needs
// are not loaded with the program itself.  A loaded module stays loaded until the process ends: objects it
// made may outlive any handle, and the toolkit libraries it brings in are not meant to be unloaded.
class SharedModule {
public:
    virtual ~SharedModule() = default;

    // The address of an exported symbol; null when the module has none of that name.
    virtual void* symbol(const char* name) const = 0;
};

// Loads `file`, with every symbol bound at once (a missing library is said here, not at the first call).
// A bare file name is looked for where the system looks for libraries, the program's run path first.  Null
// with `error` set when it cannot be loaded.  Loading one that is loaded already, or being loaded on another
// thread, returns the same module.
std::unique_ptr<SharedModule> loadSharedModule(const std::filesystem::path& file, std::string& error);

} // namespace vexlin::platform
