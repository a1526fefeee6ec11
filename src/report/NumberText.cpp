#include "report/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace vexlin::report {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Moves the leading digits of `rest` onto `out`; answers how many there were.
std::size_t takeDigits(std::string_view& rest, std::string& out) {
    std::size_t count = 0;
    while (count < rest.size() && isDigit(rest[count])) {
        ++count;
    }
    out.append(rest.substr(0, count));
    rest.remove_prefix(count);
    return count;
}

// Rewrites the text into the one form std::from_chars reads ("-12.5e3"), or answers false.
bool toPlainForm(std::string_view rest, std::string_view decimalSeparator, std::string& plain) {
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        if (rest.front() == '-') {
            plain.push_back('-');
        }
        rest.remove_prefix(1);
    }
    std::size_t mantissaDigits = takeDigits(rest, plain);
    if (!decimalSeparator.empty() && rest.starts_with(decimalSeparator)) {
        rest.remove_prefix(decimalSeparator.size());
        plain.push_back('.');
        mantissaDigits += takeDigits(rest, plain);
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (!rest.empty() && (rest.front() == 'e' || rest.front() == 'E')) {
        rest.remove_prefix(1);
        plain.push_back('e');
        if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
            plain.push_back(rest.front());
            rest.remove_prefix(1);
        }
        if (takeDigits(rest, plain) == 0) {
            return false;
        }
    }
    return rest.empty();
}

} // namespace

NotANumberError::NotANumberError(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid floating point value") {}

double readNumber(std::string_view text, std::string_view decimalSeparator) {
    std::string plain;
    if (!toPlainForm(trimmed(text), decimalSeparator, plain)) {
        throw NotANumberError(text);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc{} || end != plain.data() + plain.size() || !std::isfinite(value)) {
        throw NotANumberError(text);
    }
    return value;
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

} // namespace vexlin::report
