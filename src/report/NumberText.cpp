#include "report/NumberText.h"

#include "text/PlainText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace vexlin::report {
using text::trimmed;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
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
    if (!toPlainForm(trimmed(text, " \t"), decimalSeparator, plain)) {
        throw NotANumberError(text);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc{} || end != plain.data() + plain.size() || !std::isfinite(value)) {
        throw NotANumberError(text);
    }
    return value;
}

} // namespace vexlin::report
