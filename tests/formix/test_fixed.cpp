// The tool's fixed-point decimals against std::to_chars: random doubles of
// every magnitude it takes, exact ties (rounded to even), and the values it
// leaves to to_chars.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "formix/fixed.h"

namespace formix::tool {
namespace {

std::string Reference(double value, int precision) {
  char buffer[512];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  return std::string(buffer, r.ptr);
}

TEST(FixedDecimals, SameTextAsToChars) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> exponent(-12.0, 9.0);
  std::uniform_int_distribution<int> precision(0, 9), numerator(0, 1 << 20), bits(1, 20);
  for (int k = 0; k < 200000; ++k) {
    // Even k: any double; odd k: a dyadic fraction, often an exact tie.
    const double value = k % 2 == 0 ? std::pow(10.0, exponent(rng))
                                    : std::ldexp(static_cast<double>(numerator(rng)), -bits(rng));
    const int p = precision(rng);
    char out[32];
    char* end = FixedDecimals(value, p, out);
    if (value >= 1e9) {
      EXPECT_EQ(end, nullptr);
      continue;
    }
    ASSERT_NE(end, nullptr) << value;
    ASSERT_EQ(std::string(out, end), Reference(value, p)) << value << " " << p;
  }
  char out[32];
  for (double v : {-0.0, -1.0, 1e9, std::nan(""), HUGE_VAL})
    EXPECT_EQ(FixedDecimals(v, 4, out), nullptr) << v;
  EXPECT_EQ(FixedDecimals(1.0, 10, out), nullptr);
  char* end = FixedDecimals(0.125, 2, out);
  EXPECT_EQ(std::string(out, end), "0.12");  // a tie, to even
  end = FixedDecimals(0.375, 2, out);
  EXPECT_EQ(std::string(out, end), "0.38");
}

}  // namespace
}  // namespace formix::tool
