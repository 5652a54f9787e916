// text.h -- conversions between the terminal's UTF-8 and the library's
// Windows-1251, and number formatting for the formix tool.
#ifndef FORMIX_TOOL_TEXT_H
#define FORMIX_TOOL_TEXT_H

#include <string>

namespace formix::tool {

// Converts UTF-8 to Windows-1251.  When a character has no Windows-1251
// form (or the input is not UTF-8), returns false and puts a description
// of the character ("'₂' (U+2082)") in `bad`.
bool ToCp1251(const std::string& utf8, std::string* out, std::string* bad);

// Converts Windows-1251 to UTF-8 (every byte has a form but 0x98, which is
// dropped).
std::string ToUtf8(const std::string& cp1251);

// Fixed-point with `precision` decimals.
std::string Fixed(double value, int precision);

// The shortest decimal that reads back as the same double ("1.5", "10",
// "249.677"); "inf", "-inf" and "nan" otherwise.
std::string Shortest(double value);

// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& utf8);

// A JSON number (shortest form), or null when not finite.
std::string JsonNumber(double value);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_TEXT_H
