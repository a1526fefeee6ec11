#include "drives/JsonPath.h"

#include <limits>

namespace vexlin::drives {

using nlohmann::json;

const json* at(const json& root, std::initializer_list<const char*> path) {
    const json* node = &root;
    for (const char* key : path) {
        if (!node->is_object()) {
            return nullptr;
        }
        const auto found = node->find(key);
        if (found == node->end()) {
            return nullptr;
        }
        node = &*found;
    }
    return node;
}

std::optional<std::int64_t> integer(const json* node) {
    if (node == nullptr) {
        return std::nullopt;
    }
    if (node->is_number_unsigned()) {
        const auto value = node->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (node->is_number_integer()) {
        return node->get<std::int64_t>();
    }
    return std::nullopt;
}

std::optional<std::int64_t> integer(const json& root, std::initializer_list<const char*> path) {
    return integer(at(root, path));
}

std::string text(const json& root, std::initializer_list<const char*> path) {
    const json* node = at(root, path);
    return node != nullptr && node->is_string() ? node->get<std::string>() : std::string();
}

} // namespace vexlin::drives
