#include "report/Json.h"

#include "report/Utf8.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace vexlin::report {

namespace {

// The ordered flavour keeps members in the order they were added, as the report reads.
using Ordered = nlohmann::ordered_json;

// The library escapes what JSON requires (quote, backslash, C0 controls); DEL and the C1 controls
// (C2 80 … C2 9F) are legal as they are, but a reader shows them as boxes, so they are escaped too.  They
// can only stand inside strings: everything else the library writes is printable ASCII.
std::string withInvisiblesEscaped(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 =
            byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte != 0x7F && !c1) {
            out += text[i];
            continue;
        }
        const auto code = c1 ? static_cast<unsigned char>(text[++i]) : byte;
        out += "\\u00";
        out += kHex[code >> 4];
        out += kHex[code & 0xF];
    }
    return out;
}

} // namespace

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

// Texts from the system follow the document's rule for broken UTF-8 (each byte that starts no valid
// sequence becomes U+FFFD) before the library sees them, so both files show the same text; a number that
// is not finite the library writes as null.
struct Json::Convert {
    Ordered operator()(std::nullptr_t) const { return nullptr; }
    Ordered operator()(bool value) const { return value; }
    Ordered operator()(std::int64_t value) const { return value; }
    Ordered operator()(double value) const { return value; }
    Ordered operator()(const std::string& value) const { return repairedUtf8(value, false); }
    Ordered operator()(const Array& array) const {
        Ordered out = Ordered::array();
        for (const Json& item : array) {
            out.push_back(std::visit(*this, item.value_));
        }
        return out;
    }
    Ordered operator()(const Object& object) const {
        Ordered out = Ordered::object();
        for (const auto& [name, item] : object) {
            out[repairedUtf8(name, false)] = std::visit(*this, item.value_);
        }
        return out;
    }
};

std::string jsonString(const std::string& text) {
    return withInvisiblesEscaped(Ordered(repairedUtf8(text, false)).dump());
}

std::string Json::text() const {
    return withInvisiblesEscaped(std::visit(Convert{}, value_).dump(2)) + "\n";
}

} // namespace vexlin::report
