// text.h -- UTF-8 decoding and the Windows-1251 code page, for the reading
// layer: no iconv, no locale, the same on every platform.
#ifndef FORMIX_TOOLKIT_TEXT_H
#define FORMIX_TOOLKIT_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "refdata/bytes.h"

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

// The text without the ASCII white space (blanks, line breaks, tabs) at
// its ends.
std::string Trim(std::string_view text);

// Classes of code points in formulas as people write them (the engine's
// own byte classes are in formula/engine.h).
inline bool IsMiddleDot(char32_t c) { return c == 0x00B7 || c == 0x2022 || c == 0x2219 || c == 0x22C5; }
inline bool IsWideSpace(char32_t c) { return c == 0x00A0 || c == 0x2009 || c == 0x202F; }
inline bool IsDash(char32_t c) { return c == 0x2212 || c == 0x2013 || c == 0x2014; }
// The digit of a subscript (U+2080..U+2089) or a superscript, else -1.
inline int SubscriptDigit(char32_t c) {
  return c >= 0x2080 && c <= 0x2089 ? static_cast<int>(c - 0x2080) : -1;
}
inline int SuperscriptDigit(char32_t c) {
  if (c == 0x2070) return 0;
  if (c == 0x00B9) return 1;
  if (c == 0x00B2) return 2;
  if (c == 0x00B3) return 3;
  if (c >= 0x2074 && c <= 0x2079) return static_cast<int>(c - 0x2070);
  return -1;
}
// +1 or -1 for a superscript sign, else 0.
inline int SuperscriptSign(char32_t c) { return c == 0x207A ? 1 : c == 0x207B ? -1 : 0; }
// '+' or '-' (a minus sign or dash counts as '-'): +1, -1, else 0.
inline int Sign(char32_t c) { return c == '+' ? 1 : (c == '-' || IsDash(c)) ? -1 : 0; }
// The byte classes of refdata/bytes.h over code points.
inline bool IsAscii(char32_t c, bool (*in)(char)) { return c < 0x80 && in(static_cast<char>(c)); }
inline bool IsAsciiDigit(char32_t c) { return IsAscii(c, bytes::IsDigit); }
inline bool IsCapitalLetter(char32_t c) { return IsAscii(c, bytes::IsCapital); }
inline bool IsSmallLetter(char32_t c) { return IsAscii(c, bytes::IsSmall); }
inline bool IsLetter(char32_t c) { return IsCapitalLetter(c) || IsSmallLetter(c); }
inline bool IsOpeningChar(char32_t c) { return IsAscii(c, bytes::IsOpening); }
inline bool IsClosingChar(char32_t c) { return IsAscii(c, bytes::IsClosing); }
// A space the engine drops, or a typographic one read as a space.
inline bool IsBlank(char32_t c) { return c == ' ' || IsWideSpace(c); }
// A middle dot or '*': the separator of an adduct's parts.
inline bool IsSeparator(char32_t c) { return c == '*' || IsMiddleDot(c); }

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_TEXT_H
