#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A small JSON value for the report's twin file; nlohmann-json writes its text.  Object members keep the
// order they were added in, so the file reads in the order of the report.
namespace vexlin::report {

class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default; // null
    Json(std::nullptr_t) {}
    Json(bool value) : value_(value) {}
    Json(int value) : value_(static_cast<std::int64_t>(value)) {}
    Json(std::int64_t value) : value_(value) {}
    Json(std::uint32_t value) : value_(static_cast<std::int64_t>(value)) {}
    // Byte counts above 2^63 do not occur; they are clamped rather than wrapped.
    Json(std::uint64_t value);
    Json(double value) : value_(value) {}
    Json(const char* value) : value_(std::string(value)) {}
    Json(std::string value) : value_(std::move(value)) {}
    Json(Array value) : value_(std::move(value)) {}
    Json(Object value) : value_(std::move(value)) {}

    template <typename T> static Json orNull(const std::optional<T>& value) {
        return value ? Json(*value) : Json();
    }
    static Json strings(const std::vector<std::string>& values);

    // Adds a member to an object (a null value becomes an empty object first).
    Json& set(std::string name, Json value);

    // Two-blank indentation, UTF-8 as it is, control characters escaped; a number that is not finite is
    // written as null, since JSON has no such number.  Written by nlohmann-json.
    std::string text() const;

private:
    struct Convert;

    std::variant<std::nullptr_t, bool, std::int64_t, double, std::string, Array, Object> value_ = nullptr;
};

std::string jsonString(const std::string& text); // the quoted, escaped form

} // namespace vexlin::report
