#include "app/ToolMessage.h"

namespace vexlin {

std::string missingToolText(const std::string& title, const std::vector<std::string>& lookedFor) {
    if (lookedFor.empty()) {
        return "«" + title + "»: в этой системе нет подходящей программы.";
    }
    std::string names;
    for (const auto& name : lookedFor) {
        names += names.empty() ? name : ", " + name;
    }
    return "«" + title + "»: не удалось запустить ни одну из программ: " + names +
           ". Установите одну из них.";
}

} // namespace vexlin
