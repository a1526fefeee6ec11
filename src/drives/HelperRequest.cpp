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

namespace vexlin::drives {

HelperRequest readHelperArguments(const std::vector<std::string>& arguments,
                                  const std::filesystem::path& root) {
    HelperRequest request;
    const bool shortTest = arguments.size() == 2 && arguments[0] == kHelperShortTest;
    if (arguments.size() != 1 && !shortTest) {
        request.refusal = arguments.size() == 2
                              ? "первым из двух аргументов может быть только short-test"
                              : "нужно имя блочного устройства, перед ним может стоять short-test";
        return request;
    }
    const std::string& name = arguments.back();
    if (const auto refusal = refuseDeviceName(name, root)) {
        request.refusal = *refusal;
        return request;
    }
    request.shortTest = shortTest;
    request.device = name;
    return request;
}

} // namespace vexlin::drives
