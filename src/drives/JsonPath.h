#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

// Reading members of smartctl's JSON by path, for the health record and the self-test alike: a member that
// is missing, of another type or out of range reads as absent, never as 0.
namespace vexlin::drives {

// The member at `path`, or null when any step is missing or not an object.
const nlohmann::json* at(const nlohmann::json& root, std::initializer_list<const char*> path);

// A whole number that fits a signed 64-bit value; absent otherwise.
std::optional<std::int64_t> integer(const nlohmann::json* node);
std::optional<std::int64_t> integer(const nlohmann::json& root, std::initializer_list<const char*> path);

// A text member, or an empty text.
std::string text(const nlohmann::json& root, std::initializer_list<const char*> path);

} // namespace vexlin::drives
