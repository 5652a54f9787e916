// numbers.cpp -- see numbers.h.  The shortest digits: the least p for
// which the correctly rounded p significant digits read back as the
// number, or, where they do not, the neighbouring p-digit decimal on the
// other side does (the rounding interval of a power of two is wider above
// than below, so the nearest decimal may miss it while the next one up is
// in it).  The correctly rounded digits come from x times a power of ten
// in double-double arithmetic (about 100 bits, far more than 17 digits
// need), or, where that product lies too near a half to say which way it
// rounds, and for magnitudes beyond 1e+-280, from printf's exact
// conversion: the WebAssembly C library's printf works in 128-bit long
// double emulated in software, some microseconds a number.
#include "toolkit/base/numbers.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace formix::toolkit {
namespace {

double ReadBack(const std::string& text) {
  double value = 0.0;
  fast_float::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Double-double numbers (hi + lo, |lo| at most half an ulp of hi) and the
// error-free products and sums they are made of (Dekker, Knuth).
struct DoubleDouble {
  double hi, lo;
};

DoubleDouble QuickTwoSum(double a, double b) {  // |a| >= |b|
  const double s = a + b;
  return {s, b - (s - a)};
}

DoubleDouble TwoProduct(double a, double b) {
  const double p = a * b;
  const double ca = 134217729.0 * a, cb = 134217729.0 * b;  // 2^27 + 1: splits into 26-bit halves
  const double ah = ca - (ca - a), al = a - ah, bh = cb - (cb - b), bl = b - bh;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DoubleDouble Times(DoubleDouble a, DoubleDouble b) {
  DoubleDouble p = TwoProduct(a.hi, b.hi);
  return QuickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble Over(DoubleDouble a, double b) {  // a / b, b a double
  const double q1 = a.hi / b;
  DoubleDouble r = TwoProduct(q1, b);
  const double q2 = ((a.hi - r.hi) - r.lo + a.lo) / b;
  return QuickTwoSum(q1, q2);
}

// 10^k for |k| <= kMostPower, each within about 2^-96 of its value.
constexpr int kMostPower = 280;
const DoubleDouble& PowerOfTen(int k) {
  static const auto table = [] {
    static DoubleDouble t[2 * kMostPower + 1];
    t[kMostPower] = {1.0, 0.0};
    for (int i = 1; i <= kMostPower; ++i) {
      t[kMostPower + i] = Times(t[kMostPower + i - 1], {10.0, 0.0});
      t[kMostPower - i] = Over(t[kMostPower - i + 1], 10.0);
    }
    return t;
  }();
  return table[kMostPower + k];
}

// x times 10^k in double-double.
DoubleDouble Scaled(double x, int k) {
  const DoubleDouble& t = PowerOfTen(k);
  const DoubleDouble p = TwoProduct(x, t.hi);
  return QuickTwoSum(p.hi, p.lo + x * t.lo);
}

// 10^0 to 10^17, whole.
constexpr auto kPowers = [] {
  std::array<std::uint64_t, 18> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = 10 * p[i - 1];
  return p;
}();

// 10^0 to 10^22: the powers of ten that are doubles (each product exact).
constexpr auto kExactPowers = [] {
  std::array<double, 23> p{};
  p[0] = 1.0;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = 10.0 * p[i - 1];
  return p;
}();

// n (p digits) times 10^power as text fast_float reads ("12345e-3"), read.
double ReadBackDigits(std::uint64_t n, int p, int power, char* digits) {
  char buffer[32];
  for (int i = p - 1; i >= 0; --i) {
    buffer[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  std::memcpy(digits, buffer, static_cast<std::size_t>(p));
  char* end = buffer + p;
  *end++ = 'e';
  end = std::to_chars(end, buffer + sizeof buffer, power).ptr;
  double value = 0.0;
  fast_float::from_chars(buffer, end, value);
  return value;
}

// x (> 0, within 1e+-280) = y x 10^e10 with 1 <= y < 10; -1000 where the
// comparison is too close to call.  10^0 to 10^22 are doubles, compared
// exactly; the other powers are no double, and x lies farther from them
// than the error of their double-double.
int DecimalExponent(double x) {
  int e10 = static_cast<int>(std::floor(std::log10(x)));
  for (int step = 0; step < 2; ++step) {
    if (e10 < -kMostPower || e10 > kMostPower) return -1000;
    bool below = false, above = false;
    if (e10 >= 0 && e10 < 22) {
      below = x < kExactPowers[e10];
      above = x >= kExactPowers[e10 + 1];
    } else {
      const DoubleDouble y = Scaled(x, -e10);
      below = y.hi < 1.0 || (y.hi == 1.0 && y.lo < 0.0);
      above = y.hi > 10.0 || (y.hi == 10.0 && y.lo >= 0.0);
    }
    if (below) {
      --e10;
    } else if (above) {
      ++e10;
    } else {
      return e10;
    }
  }
  return -1000;
}

// DigitsOfLength in double-double, x = y x 10^e10 (DecimalExponent): 1
// where some p-digit decimal reads back as x, 0 where none does, -1 where
// it cannot tell (printf decides).
int FastDigitsOfLength(double x, int e10, int p, std::string* digits, int* exponent) {
  const int s = p - 1 - e10;
  if (e10 == -1000 || s < -kMostPower || s > kMostPower) return -1;
  // The nearest p-digit decimal: n x 10^-s.  y = whole + a + lo_whole + b,
  // whole and lo_whole whole numbers, a and b in [0, 1].
  const DoubleDouble y = Scaled(x, s);
  const double whole = std::floor(y.hi), a = y.hi - whole;
  const double lo_whole = std::floor(y.lo), b = y.lo - lo_whole;
  const double f = a + b;                      // in [0, 2], within 2^-53 of a + b
  const double margin = 1e-15 + y.hi * 1e-27;  // beyond the errors of f and of y (2^-96 of it)
  if (std::fabs(f - 0.5) < margin || std::fabs(f - 1.5) < margin) {
    // Half way between two p-digit decimals, or too near to tell: below
    // 16 digits neither is within half an ulp of x (they lie 0.5 x 10^-s
    // from it, half an ulp is at most 0.12 x 10^-s), so none reads back;
    // at 16 and 17 digits printf decides.
    return p <= 15 ? 0 : -1;
  }
  std::uint64_t n =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(whole) + static_cast<std::int64_t>(lo_whole) +
                                 (f > 1.5   ? 2
                                  : f > 0.5 ? 1
                                            : 0));
  int power = e10 + 1;  // x = 0.D x 10^power
  if (n == kPowers[p]) {
    n = kPowers[p - 1];
    ++power;
  }
  char text[20];
  const double nearest = ReadBackDigits(n, p, power - p, text);
  if (nearest != x) {
    // The p-digit decimal on the other side of x.
    if (nearest < x) {
      if (++n == kPowers[p]) {
        n = kPowers[p - 1];
        ++power;
      }
    } else if (--n < kPowers[p - 1]) {
      n = kPowers[p] - 1;
      --power;
    }
    if (ReadBackDigits(n, p, power - p, text) != x) return 0;
  }
  digits->assign(text, static_cast<std::size_t>(p));
  *exponent = power;
  return 1;
}

// Whether some decimal of p significant digits reads back as x: the
// nearest (printf's correctly rounded p digits) or the next on the other
// side; if so, its digits and power.
bool DigitsOfLength(double x, int e10, int p, std::string* digits, int* exponent) {
  const int fast = FastDigitsOfLength(x, e10, p, digits, exponent);
  if (fast >= 0) return fast == 1;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*e", p - 1, x);  // d.ddde+XX
  const char* e = std::strchr(buffer, 'e');
  std::string d(1, buffer[0]);
  if (p > 1) d.append(buffer + 2, static_cast<std::size_t>(e - buffer - 2));
  int power = std::atoi(e + 1) + 1;
  const double nearest = ReadBack(std::string(buffer));
  if (nearest != x) {
    // The p-digit decimal on the other side of x.
    std::string other = d;
    int other_power = power;
    int i = static_cast<int>(other.size()) - 1;
    if (nearest < x) {
      while (i >= 0 && other[static_cast<std::size_t>(i)] == '9') other[static_cast<std::size_t>(i--)] = '0';
      if (i < 0) {
        other.insert(other.begin(), '1');
        other.pop_back();
        ++other_power;
      } else {
        ++other[static_cast<std::size_t>(i)];
      }
    } else {
      while (i >= 0 && other[static_cast<std::size_t>(i)] == '0') other[static_cast<std::size_t>(i--)] = '9';
      if (i >= 0) --other[static_cast<std::size_t>(i)];
      if (other[0] == '0') {
        other.erase(0, 1);
        other += '9';
        --other_power;
      }
    }
    if (ReadBack("0." + other + "e" + std::to_string(other_power)) != x) return false;
    d = other;
    power = other_power;
  }
  *digits = d;
  *exponent = power;
  return true;
}

// x (finite, > 0) = 0.D x 10^exponent with D the shortest digits, no
// trailing zero.  Every p-digit decimal is also one of p + 1 digits, so
// whether one reads back as x only turns from false to true as p grows
// (17 always do): the least p is found by halving [1, 17], 17's digits
// made only where no shorter ones read back.
void ShortestDigits(double x, std::string* digits, int* exponent) {
  const int e10 = DecimalExponent(x);
  int low = 1, high = 17;  // the least p lies in [low, high]
  std::string d, dp;
  int power = 0;
  while (low < high) {
    const int p = (low + high) / 2;
    int ep = 0;
    if (DigitsOfLength(x, e10, p, &dp, &ep)) {
      high = p;
      d.swap(dp);
      power = ep;
    } else {
      low = p + 1;
    }
  }
  if (d.empty()) DigitsOfLength(x, e10, 17, &d, &power);
  while (d.size() > 1 && d.back() == '0') d.pop_back();
  *digits = std::move(d);
  *exponent = power;
}

// Whole numbers, written by fixed notation with their exact digits.
std::string ExactWhole(double x) {
  if (std::fabs(x) < 1e18) return std::to_string(static_cast<long long>(x));
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", x);
  return buffer;
}

std::string Special(double x) {
  if (std::isnan(x)) return std::signbit(x) ? "-nan" : "nan";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  return std::signbit(x) ? "-0" : "0";
}

std::string FixedFrom(const std::string& d, int e, double x) {
  const int n = static_cast<int>(d.size());
  if (e >= n) return ExactWhole(x);  // every candidate as long: the exact one is nearest
  std::string out = std::signbit(x) ? "-" : "";
  if (e <= 0) return out + "0." + std::string(static_cast<std::size_t>(-e), '0') + d;
  return out + d.substr(0, static_cast<std::size_t>(e)) + "." + d.substr(static_cast<std::size_t>(e));
}

// PortableShortestText into `out` (room for 32 bytes): the lengths of the
// fixed and the scientific text compared before either is written.
std::size_t PortableShortestTo(double x, char* out) {
  if (!std::isfinite(x) || x == 0.0) {
    const std::string s = Special(x);
    return s.copy(out, s.size());
  }
  std::string d;
  int e = 0;
  ShortestDigits(std::fabs(x), &d, &e);
  const int n = static_cast<int>(d.size()), sign = std::signbit(x) ? 1 : 0;
  const int power = e - 1;  // |power| < 400
  const int power_digits = std::abs(power) >= 100 ? 3 : 2;
  const int scientific = sign + 1 + (n > 1 ? n : 0) + 2 + power_digits;
  const int fixed = sign + (e >= n ? e : e <= 0 ? 2 - e + n : n + 1);
  char* at = out;
  if (sign != 0) *at++ = '-';
  if (scientific < fixed) {
    *at++ = d[0];
    if (n > 1) {
      *at++ = '.';
      at = std::copy(d.begin() + 1, d.end(), at);
    }
    *at++ = 'e';
    *at++ = power < 0 ? '-' : '+';
    const int magnitude = std::abs(power);
    if (power_digits == 3) *at++ = static_cast<char>('0' + magnitude / 100);
    *at++ = static_cast<char>('0' + magnitude / 10 % 10);
    *at++ = static_cast<char>('0' + magnitude % 10);
  } else if (e >= n) {  // a whole number, within 32 bytes as it is shorter than its scientific text
    const std::string whole = ExactWhole(std::fabs(x));
    at = std::copy(whole.begin(), whole.end(), at);
  } else if (e <= 0) {
    *at++ = '0';
    *at++ = '.';
    at = std::fill_n(at, -e, '0');
    at = std::copy(d.begin(), d.end(), at);
  } else {
    at = std::copy(d.begin(), d.begin() + e, at);
    *at++ = '.';
    at = std::copy(d.begin() + e, d.end(), at);
  }
  return static_cast<std::size_t>(at - out);
}

}  // namespace

std::string ShortestFixedText(double x) {
  if (!std::isfinite(x) || x == 0.0) return Special(x);
  std::string d;
  int e = 0;
  ShortestDigits(std::fabs(x), &d, &e);
  return FixedFrom(d, e, x);
}

std::string PortableShortestText(double x) {
  char buffer[32];
  return std::string(buffer, PortableShortestTo(x, buffer));
}

#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
std::string ShortestText(double x) {
  char buffer[32];
  return std::string(buffer, ShortestTo(x, buffer));
}

std::size_t ShortestTo(double x, char* out) {
  if (!std::isfinite(x)) {
    const std::string s = Special(x);
    s.copy(out, s.size());
    return s.size();
  }
  return static_cast<std::size_t>(std::to_chars(out, out + 32, x).ptr - out);
}
#else
std::string ShortestText(double x) { return PortableShortestText(x); }

std::size_t ShortestTo(double x, char* out) { return PortableShortestTo(x, out); }
#endif

std::string PlainText(double x) {
  const double magnitude = std::fabs(x);
  return magnitude >= 1e-4 && magnitude < 1e15 ? ShortestFixedText(x) : ShortestText(x);
}

const char* ParseNumber(const char* first, const char* last, double* value) {
  double read = 0.0;
  const fast_float::from_chars_result r = fast_float::from_chars(first, last, read);
  if (r.ec != std::errc()) return nullptr;
  // fast_float gives infinity or zero where the number is out of range.
  const char* p = first;
  if (p < r.ptr && *p == '-') ++p;
  const bool numeral = p < r.ptr && (*p == '.' || (*p >= '0' && *p <= '9'));
  if (numeral && std::isinf(read)) return nullptr;
  if (numeral && read == 0.0) {
    for (; p < r.ptr && *p != 'e' && *p != 'E'; ++p) {
      if (*p >= '1' && *p <= '9') return nullptr;  // a digit that is not zero, read as zero
    }
  }
  *value = read;
  return r.ptr;
}

std::string FixedText(double x, int decimals) {
  char buffer[400];  // %.0f of the largest double: 309 digits
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
  return buffer;
}

std::string SignificantText(double x, int digits) {
  if (!std::isfinite(x)) return "";
  if (x == 0.0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  int decimals = digits - 1 - magnitude;
  std::string text = FixedText(x, decimals < 0 ? 0 : decimals);
  // Rounded up to the next power of ten (0.99999 at 4: 1.0000), it has one
  // digit more before the point: one decimal fewer keeps `digits` (1.000).
  double back = 0.0;
  if (decimals > 0 && ParseNumber(text.data(), text.data() + text.size(), &back) != nullptr &&
      std::fabs(back) >= std::pow(10.0, magnitude + 1)) {
    text = FixedText(x, --decimals);
  }
  return text;
}

std::string GeneralText(double x, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, x);
  return buffer;
}

std::string MolarMassText(double grams_per_mol) {
  return grams_per_mol == grams_per_mol ? FixedText(grams_per_mol, 2) + " g/mol" : "no number";
}

}  // namespace formix::toolkit
