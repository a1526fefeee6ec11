#include "text/PlainText.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace vexlin::text {

std::string_view trimmed(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string fixedNumberText(double value, int decimals, std::string_view decimalSeparator) {
    char buffer[400]; // the longest double in fixed notation has 309 digits before the point
    const int places = std::clamp(decimals, 0, 20);
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, places);
    if (error != std::errc{}) {
        return {};
    }
    std::string text(buffer, end);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, decimalSeparator);
    }
    return text;
}

} // namespace vexlin::text
