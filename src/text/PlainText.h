#pragma once

#include <string>
#include <string_view>

namespace vexlin::text {

// The text without the characters of `blanks` at either end.  The default takes CR LF line ends too, as
// files written on Windows have them.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t\r\n");

// Fixed point with the given number of decimals (0 to 20) and the decimal separator, no grouping: "57,50".
std::string fixedNumberText(double value, int decimals, std::string_view decimalSeparator);

} // namespace vexlin::text
