#include "drives/HelperRequest.h"

#include <algorithm>
#include <system_error>

namespace vexlin::drives {

std::optional<std::string> refuseDeviceName(std::string_view name, const std::filesystem::path& root) {
    if (name.empty()) {
        return "пустое имя устройства";
    }
    if (name.size() > kMaxDeviceName) {
        return "слишком длинное имя устройства";
    }
    const bool plain = std::all_of(name.begin(), name.end(),
                                   [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
    if (!plain) {
        return "имя устройства может содержать только строчные латинские буквы и цифры";
    }
    std::error_code error;
    if (!std::filesystem::exists(root / "sys/block" / std::string(name), error)) {
        return "нет такого блочного устройства: " + std::string(name);
    }
    return std::nullopt;
}

} // namespace vexlin::drives
