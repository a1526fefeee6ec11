#include "report/ReportModule.h"

#include "platform/ProgramModule.h"

#include <array>

namespace vexlin::report {

PackedDocument docxPackageFromModule(const std::filesystem::path& moduleFile, const DocumentLayout& layout,
                                     const DocumentProperties& properties) {
    PackedDocument packed;
    const auto loaded = platform::loadProgramModule(moduleFile, "модуль отчёта", kReportModuleVersionSymbol,
                                                    reportModuleVersion(), {kReportModulePackSymbol});
    if (!loaded.module) {
        packed.error = "Отчёт не записан: " + loaded.refusal;
        return packed;
    }
    const auto pack =
        reinterpret_cast<ReportModulePackFunction>(loaded.module->symbol(kReportModulePackSymbol));
    std::array<char, 512> reason{};
    if (!pack(&layout, &properties, &packed.bytes, reason.data(), reason.size())) {
        packed.bytes.clear();
        packed.error = std::string("Отчёт не записан: ") + reason.data();
    }
    return packed;
}

} // namespace vexlin::report
