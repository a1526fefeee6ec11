#include "report/Json.h"

#include "report/Utf8.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vexlin::report {

Json::Json(std::uint64_t value)
    : value_(static_cast<std::int64_t>(std::min<std::uint64_t>(
          value, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))) {}

Json Json::strings(const std::vector<std::string>& values) {
    Array array;
    array.reserve(values.size());
    for (const auto& value : values) {
        array.emplace_back(value);
    }
    return Json(std::move(array));
}

Json& Json::set(std::string name, Json value) {
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        value_ = Object{};
    }
    std::get<Object>(value_).emplace_back(std::move(name), std::move(value));
    return *this;
}

std::string jsonString(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string repaired = repairedUtf8(text, false);
    std::string out = "\"";
    for (std::size_t i = 0; i < repaired.size(); ++i) {
        const char c = repaired[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // C0 controls must be escaped; DEL and C1 (C2 80 … C2 9F) are, so that no reader shows a box.
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else if (byte == 0xC2 && i + 1 < repaired.size() &&
                       static_cast<unsigned char>(repaired[i + 1]) <= 0x9F) {
                const auto code = static_cast<unsigned char>(repaired[++i]);
                out += "\\u00";
                out += kHex[code >> 4];
                out += kHex[code & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

namespace {

void indent(std::string& out, int depth) {
    out += '\n';
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string numberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

} // namespace

void Json::write(std::string& out, int depth) const {
    struct Writer {
        std::string& out;
        int depth;
        void operator()(std::nullptr_t) const { out += "null"; }
        void operator()(bool value) const { out += value ? "true" : "false"; }
        void operator()(std::int64_t value) const { out += std::to_string(value); }
        void operator()(double value) const { out += numberText(value); }
        void operator()(const std::string& value) const { out += jsonString(value); }
        void operator()(const Array& array) const {
            if (array.empty()) {
                out += "[]";
                return;
            }
            out += '[';
            for (std::size_t i = 0; i < array.size(); ++i) {
                out += i == 0 ? "" : ",";
                indent(out, depth + 1);
                array[i].write(out, depth + 1);
            }
            indent(out, depth);
            out += ']';
        }
        void operator()(const Object& object) const {
            if (object.empty()) {
                out += "{}";
                return;
            }
            out += '{';
            for (std::size_t i = 0; i < object.size(); ++i) {
                out += i == 0 ? "" : ",";
                indent(out, depth + 1);
                out += jsonString(object[i].first) + ": ";
                object[i].second.write(out, depth + 1);
            }
            indent(out, depth);
            out += '}';
        }
    };
    std::visit(Writer{out, depth}, value_);
}

std::string Json::text() const {
    std::string out;
    write(out, 0);
    return out + "\n";
}

} // namespace vexlin::report
