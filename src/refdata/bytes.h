// bytes.h -- the one home of the byte classes: the ASCII classes the data
// files, the formula grammar (formula/engine.h) and the toolkit's text
// (toolkit/base/text.h, over code points) are built from.  Bytes 0x80..0xFF
// belong to none.
#ifndef FORMIX_REFDATA_BYTES_H
#define FORMIX_REFDATA_BYTES_H

namespace formix::bytes {

constexpr bool IsCapital(char c) { return static_cast<unsigned char>(c - 'A') < 26; }
constexpr bool IsSmall(char c) { return static_cast<unsigned char>(c - 'a') < 26; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsOpening(char c) { return c == '(' || c == '[' || c == '{'; }
constexpr bool IsClosing(char c) { return c == ')' || c == ']' || c == '}'; }
// A space or a tab: what separates the words of a line.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// What ends a token of a data file: a space, a line end or a NUL (a tab
// belongs to the token).
constexpr bool IsTokenEnd(char c) { return c == '\0' || c == ' ' || c == '\n' || c == '\r'; }
// A bond mark: '-' or '=' (removed before a capital, a digit or '.').
constexpr bool IsBondMark(char c) { return c == '-' || c == '='; }
// What preparation removes or replaces in a formula: spaces, bond marks,
// the decimal comma and the Cyrillic ES (0xD1, 0xF1 in Windows-1251).
constexpr bool IsChangedByPreparation(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u == ' ' || u == '-' || u == '=' || u == ',' || u == 0xD1 || u == 0xF1;
}
// White space as the C locale defines it.
constexpr bool IsSpace(char c) { return IsBlank(c) || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace formix::bytes

#endif  // FORMIX_REFDATA_BYTES_H
