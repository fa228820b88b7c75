#pragma once

#include <string>
#include <string_view>

/// The text forms of project files.
namespace zrproject {

/// Turns every "xNx", "xHx" and "xTx" into a line feed, a double quote and a tab, in that order.
std::string decodeText(std::string_view text);
/// The inverse: every line feed, double quote and tab becomes "xNx", "xHx" and "xTx".
std::string encodeText(std::string_view text);
/// Doubles every backslash.
std::string escapeBackslashes(std::string_view text);
/// The text as the lexer's escapes read it back byte for byte: backslash, double quote, line
/// feed, carriage return and tab are written as escapes.
std::string escapeLiteral(std::string_view text);
/// A real number in the %.6g form, with ".0" before a bare exponent ("1.0e-05") so that it
/// reads back as a real literal; a value that is not finite is written 0.
std::string realText(double value);
/// A real number in the %.6e form ("1.000000e-01"); a value that is not finite is written as 0.
std::string scientificText(double value);

} // namespace zrproject
