#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vexlin::report {

// A control's text that was expected to hold a number and does not.  The message is the one the program's
// default error display shows: "'abc' is not a valid floating point value".
class NotANumberError : public std::runtime_error {
public:
    explicit NotANumberError(std::string_view text);
};

// Reads a number as the program's windows write them: optional blanks around it, an optional sign, digits
// with the given decimal separator ("," under a Russian locale) and an optional exponent.  No grouping
// separators, and no other decimal separator than the given one: the same text under two locales would
// otherwise read as two different numbers.  Throws NotANumberError for anything else, and for a value
// beyond the range of a double.
double readNumber(std::string_view text, std::string_view decimalSeparator);

} // namespace vexlin::report
