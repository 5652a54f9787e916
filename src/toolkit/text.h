// text.h -- UTF-8 decoding and the Windows-1251 code page, for the reading
// layer: no iconv, no locale, the same on every platform.
#ifndef FORMIX_TOOLKIT_TEXT_H
#define FORMIX_TOOLKIT_TEXT_H

#include <cstddef>
#include <string>

namespace formix::toolkit {

// Decodes the code point at text[at..length).  Returns its byte length, or
// 0 when the bytes there are not well-formed UTF-8 (a stray continuation
// byte, an overlong form, a surrogate, a value past U+10FFFF, a sequence
// cut short).
std::size_t DecodeUtf8(const char* text, std::size_t length, std::size_t at, char32_t* code);

// Appends the UTF-8 form of `code`.
void AppendUtf8(std::string& out, char32_t code);

// The Windows-1251 byte of `code`, or 0 when it has none (NUL aside).
unsigned char ToCp1251(char32_t code);

// The code point of a Windows-1251 byte (0 for 0x98, which has none).
char32_t FromCp1251(unsigned char byte);

// Windows-1251 text as UTF-8.
std::string Cp1251ToUtf8(const char* text);
std::string Cp1251ToUtf8(const char* text, std::size_t length);

// "U+2192" for a code point.
std::string CodePointName(char32_t code);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_TEXT_H
