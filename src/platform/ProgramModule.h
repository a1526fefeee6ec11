#pragma once

#include "platform/SharedModule.h"

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

namespace vexlin::platform {

// One of this program's modules, loaded and checked to come from the same build; or, when it is missing,
// cannot be loaded or is of another build, the sentence that tells the user so ("не загружен модуль
// отчёта программы /usr/lib/vexlin/modules/vexlin-report.so (…). Переустановите программу.").
struct ProgramModule {
    std::unique_ptr<SharedModule> module;
    std::string refusal;
};

// `kind` names the module in the sentence ("звуковой модуль"); `versionSymbol` is a function returning
// `version`; every one of `required` must be exported too, or the module counts as another build's.
ProgramModule loadProgramModule(const std::filesystem::path& file, const std::string& kind,
                                const char* versionSymbol, const char* version,
                                std::initializer_list<const char*> required);

} // namespace vexlin::platform
