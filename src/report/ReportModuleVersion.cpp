#include "report/ReportModule.h"

namespace vexlin::report {

// Bumped with any change to the layout's types or to the package function's arguments.
const char* reportModuleVersion() {
    return VEXLIN_VERSION "/report-1";
}

} // namespace vexlin::report
