// Report modules for the loader's tests, one per STAND_IN_KIND: one of another version, one that cannot
// build the package, one of this version without the package function.
#include "report/ReportModule.h"

#include <cstring>

#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))

STAND_IN_EXPORT const char* vexlin_report_module_version() {
    return STAND_IN_KIND == 0 ? "0.0.0/report-0" : vexlin::report::reportModuleVersion();
}

#if STAND_IN_KIND != 2
STAND_IN_EXPORT bool vexlin_docx_package(const vexlin::report::DocumentLayout*,
                                         const vexlin::report::DocumentProperties*, std::string* bytes,
                                         char* error, unsigned long errorSize) {
    *bytes = "half a package";
    std::strncpy(error, "docx: cannot add word/document.xml", errorSize - 1);
    return false;
}
#endif
