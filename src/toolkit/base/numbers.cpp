// numbers.cpp -- see numbers.h.  The shortest digits: the least p for
// which printf's correctly rounded p significant digits read back as the
// number, or, where they do not, the neighbouring p-digit decimal on the
// other side does (the rounding interval of a power of two is wider above
// than below, so the nearest decimal may miss it while the next one up is
// in it).
#include "toolkit/base/numbers.h"

#include <fast_float/fast_float.h>

#include <charconv>
#include <cmath>
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

// Whether some decimal of p significant digits reads back as x: the
// nearest (printf's correctly rounded p digits) or the next on the other
// side; if so, its digits and power.
bool DigitsOfLength(double x, int p, std::string* digits, int* exponent) {
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
  int low = 1, high = 17;  // the least p lies in [low, high]
  std::string d;
  int power = 0;
  while (low < high) {
    const int p = (low + high) / 2;
    std::string dp;
    int ep = 0;
    if (DigitsOfLength(x, p, &dp, &ep)) {
      high = p;
      d = dp;
      power = ep;
    } else {
      low = p + 1;
    }
  }
  if (d.empty()) DigitsOfLength(x, 17, &d, &power);
  while (d.size() > 1 && d.back() == '0') d.pop_back();
  *digits = d;
  *exponent = power;
}

// Whole numbers, written by fixed notation with their exact digits.
std::string ExactWhole(double x) {
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

}  // namespace

std::string ShortestFixedText(double x) {
  if (!std::isfinite(x) || x == 0.0) return Special(x);
  std::string d;
  int e = 0;
  ShortestDigits(std::fabs(x), &d, &e);
  return FixedFrom(d, e, x);
}

std::string PortableShortestText(double x) {
  if (!std::isfinite(x) || x == 0.0) return Special(x);
  std::string d;
  int e = 0;
  ShortestDigits(std::fabs(x), &d, &e);
  const std::string fixed = FixedFrom(d, e, x);
  std::string scientific = std::signbit(x) ? "-" : "";
  scientific += d[0];
  if (d.size() > 1) scientific += "." + d.substr(1);
  const int power = e - 1;  // |power| < 400
  scientific += power < 0 ? "e-" : "e+";
  if (std::abs(power) < 10) scientific += '0';
  scientific += std::to_string(std::abs(power));
  return scientific.size() < fixed.size() ? scientific : fixed;
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

std::size_t ShortestTo(double x, char* out) {
  const std::string s = PortableShortestText(x);
  return s.copy(out, 32);
}
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
