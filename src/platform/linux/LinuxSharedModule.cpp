#include "platform/SharedModule.h"

#include <dlfcn.h>

namespace vexlin::platform {
namespace {

class LinuxSharedModule final : public SharedModule {
public:
    explicit LinuxSharedModule(void* handle) : handle_(handle) {}
    // No dlclose: RTLD_NODELETE keeps the module whatever is done with the handle, and closing it would
    // only drop a reference.
    void* symbol(const char* name) const override { return dlsym(handle_, name); }

private:
    void* handle_;
};

} // namespace

std::unique_ptr<SharedModule> loadSharedModule(const std::filesystem::path& file, std::string& error) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "the module could not be loaded";
        return nullptr;
    }
    error.clear();
    return std::make_unique<LinuxSharedModule>(handle);
}

} // namespace vexlin::platform
