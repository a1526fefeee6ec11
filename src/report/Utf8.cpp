#include "report/Utf8.h"

#include <cstdint>

namespace vexlin::report {

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool notXml = code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return overlong || surrogate || notXml ? 0 : length;
}

} // namespace

bool isControl(const std::string& text, std::size_t i, std::size_t length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (length == 1) {
        return (lead < 0x20 && lead != '\t') || lead == 0x7F;
    }
    // U+0080 … U+009F are C2 80 … C2 9F.
    return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

std::string repairedUtf8(const std::string& text, bool dropControls) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            safe += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (!dropControls || !isControl(text, i, length)) {
            safe.append(text, i, length);
        }
        i += length;
    }
    return safe;
}

} // namespace vexlin::report
