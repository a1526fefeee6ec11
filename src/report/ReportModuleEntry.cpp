// The report module's two exported functions; everything else in it stays hidden.
#include "platform/ModuleEntry.h"
#include "report/DocxWriter.h"
#include "report/ReportModule.h"

#include <exception>
#include <type_traits>

#define VEXLIN_EXPORT extern "C" __attribute__((visibility("default")))

VEXLIN_EXPORT const char* vexlin_report_module_version() {
    return vexlin::report::reportModuleVersion();
}

VEXLIN_EXPORT bool vexlin_docx_package(const vexlin::report::DocumentLayout* layout,
                                       const vexlin::report::DocumentProperties* properties,
                                       std::string* bytes, char* error, unsigned long errorSize) {
    // No exception crosses into the program: it may be built by another compiler run than this module.
    try {
        *bytes = vexlin::report::docxPackage(*layout, *properties);
        return true;
    } catch (const std::exception& failure) {
        vexlin::platform::writeReason(failure.what(), error, errorSize);
    }
    return false;
}

static_assert(
    std::is_same_v<decltype(&vexlin_report_module_version), vexlin::report::ReportModuleVersionFunction>);
static_assert(std::is_same_v<decltype(&vexlin_docx_package), vexlin::report::ReportModulePackFunction>);
