// decimal.cpp -- locale-independent decimal conversion for atomic masses
// and the numbers of a formula.
#include "refdata/decimal.h"

#include <fast_float/fast_float.h>

#include <limits>
#include <system_error>

#include "refdata/bytes.h"

namespace formix {
namespace {

using bytes::IsDigit;
using bytes::IsSpace;

bool StartsWith(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (*text != *prefix) return false;
  }
  return true;
}

// A conversion out of range (reported so by some versions of the
// converter, which then leave the value alone): overflow (infinity) or
// underflow (zero), decided from the decimal order of magnitude of the
// number in [begin, end).
double OutOfRangeValue(const char* begin, const char* end) {
  long long order = 0;  // the number is about d.ddd x 10^order
  bool seen_point = false;
  bool found = false;
  const char* p = begin;
  for (; p < end && (IsDigit(*p) || *p == '.'); ++p) {
    if (*p == '.') {
      seen_point = true;
    } else if (!found && *p != '0') {
      found = true;
      if (seen_point) --order;
    } else if (found && !seen_point) {
      ++order;
    } else if (!found && seen_point) {
      --order;
    }
  }
  if (!found) return 0.0;
  long long exponent = 0;
  if (p < end) {  // 'e' or 'E', then an optional sign and digits
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    for (; p < end; ++p) {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return order + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

const char* UnsignedDecimalEnd(const char* text) {
  const char* p = text;
  while (IsDigit(*p)) ++p;
  bool digits = p != text;
  if (*p == '.') {
    const char* fraction = ++p;
    while (IsDigit(*p)) ++p;
    digits = digits || p != fraction;
  }
  if (!digits) return text;
  const char* end = p;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q)) ++q;
      end = q;
    }
  }
  return end;
}

double ParseUnsignedDecimal(const char* text) {
  const char* end = UnsignedDecimalEnd(text);
  if (end == text) return 0.0;
  double value = 0.0;
  fast_float::from_chars_result r =
      fast_float::from_chars(text, end, value, fast_float::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) return OutOfRangeValue(text, end);
  return value;
}

double ParseDecimal(const char* text) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  if (*p != '+' && *p != '-') return ParseUnsignedDecimal(p);
  const bool negative = *p++ == '-';
  if (StartsWith(p, "INF")) {
    double inf = std::numeric_limits<double>::infinity();
    return negative ? -inf : inf;
  }
  if (StartsWith(p, "NAN")) {
    double nan = std::numeric_limits<double>::quiet_NaN();
    return negative ? -nan : nan;
  }
  double value = ParseUnsignedDecimal(p);
  return negative ? -value : value;
}

}  // namespace formix
