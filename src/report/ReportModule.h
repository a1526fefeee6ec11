#pragma once

#include "report/DocxWriter.h"

#include <filesystem>
#include <string>

namespace vexlin::report {

// The .docx package is built in a module of its own, loaded when a report is written: the zip and XML
// libraries (and the cryptography library the zip one brings) then no longer slow down every start of the
// program.
inline constexpr char kReportModuleFile[] = "vexlin-report.so";

// What the module exports, with C linkage.  The version is the program's and the interface's together: a
// module left from another build is refused rather than handed a different layout.
inline constexpr char kReportModuleVersionSymbol[] = "vexlin_report_module_version";
inline constexpr char kReportModulePackSymbol[] = "vexlin_docx_package";
const char* reportModuleVersion();
using ReportModuleVersionFunction = const char* (*)();
// Writes the package's bytes to `bytes` and returns true; or returns false with the reason written to
// `error` (a buffer of `errorSize` bytes).
using ReportModulePackFunction = bool (*)(const DocumentLayout* layout, const DocumentProperties* properties,
                                          std::string* bytes, char* error, unsigned long errorSize);

struct PackedDocument {
    std::string bytes;
    std::string error; // what the user is told, when the package could not be built

    bool ok() const { return error.empty(); }
};

// The package built by the module at `moduleFile`.  A module that is missing, cannot be loaded or is of
// another build, and a package that cannot be built, give the message that says so and no bytes.
PackedDocument docxPackageFromModule(const std::filesystem::path& moduleFile, const DocumentLayout& layout,
                                     const DocumentProperties& properties);

} // namespace vexlin::report
