// fixed.h -- fixed-point decimals of a double, exactly as
// std::to_chars(..., std::chars_format::fixed, precision) writes them, at a
// fraction of its cost for the numbers the tool prints most: molar masses.
#ifndef FORMIX_TOOL_FIXED_H
#define FORMIX_TOOL_FIXED_H

#include <cmath>
#include <cstdint>
#include <cstring>

namespace formix::tool {

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 FixedWide;  // a GCC and Clang extension
#endif

// Writes `value` with `precision` decimals at `out` (room for 32 bytes) and
// returns the end, for 0 <= value < 1e9 (not -0) and 0 <= precision <= 9;
// returns NULL, having written nothing, for anything else.  The double is
// value = m * 2^e exactly; value * 10^precision is then the integer
// m * 10^precision shifted right by -e bits, rounded to the nearest, ties
// to even, as the exact decimal expansion is rounded.
inline char* FixedDecimals(double value, int precision, char* out) {
#if defined(__SIZEOF_INT128__)
  if (!(value >= 0.0 && value < 1e9) || std::signbit(value) || precision < 0 || precision > 9) return nullptr;
  static constexpr std::uint64_t kPowers[] = {1,      10,      100,      1000,      10000,
                                              100000, 1000000, 10000000, 100000000, 1000000000};
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int shift = (biased == 0 ? 1074 : 1075 - biased);  // e = -shift; value < 2^30: shift > 0
  if (shift >= 120) return nullptr;                        // far below the last decimal shown
  const FixedWide n = static_cast<FixedWide>(m) * kPowers[precision];
  std::uint64_t q = static_cast<std::uint64_t>(n >> shift);  // below 1e18
  const FixedWide rest = n - (static_cast<FixedWide>(q) << shift);
  const FixedWide half = static_cast<FixedWide>(1) << (shift - 1);
  if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  // The digits of q, at least one before the point, written from the end
  // two at a time (divisions by the constant 100 only).
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[24];
  char* const end = digits + sizeof digits;
  char* p = end;
  int fraction_digits = precision;
  for (; fraction_digits >= 2; fraction_digits -= 2, q /= 100) std::memcpy(p -= 2, kPairs + 2 * (q % 100), 2);
  if (fraction_digits == 1) {
    *--p = static_cast<char>('0' + q % 10);
    q /= 10;
  }
  char* const point = p;
  for (; q >= 10; q /= 100) std::memcpy(p -= 2, kPairs + 2 * (q % 100), 2);
  if (q != 0 || p == point) *--p = static_cast<char>('0' + q);
  std::memcpy(out, p, static_cast<std::size_t>(point - p));
  out += point - p;
  if (precision > 0) {
    *out++ = '.';
    std::memcpy(out, point, static_cast<std::size_t>(precision));
    out += precision;
  }
  return out;
#else
  (void)value;
  (void)precision;
  (void)out;
  return nullptr;
#endif
}

}  // namespace formix::tool

#endif  // FORMIX_TOOL_FIXED_H
