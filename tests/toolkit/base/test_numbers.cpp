// The toolkit's number text against the C++ library's own (which the
// WebAssembly build lacks): every bit pattern class, powers of two (whose
// rounding intervals are uneven), and the texts a reader must refuse.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "formix.h"
#include "toolkit/base/json.h"
#include "toolkit/base/numbers.h"

namespace formix::toolkit {
namespace {

void ExpectSameText(double x) {
  char buffer[400];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, x);
  ASSERT_EQ(PortableShortestText(x), std::string(buffer, r.ptr)) << std::hexfloat << x;
  ASSERT_EQ(ShortestText(x), std::string(buffer, r.ptr)) << std::hexfloat << x;
  r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
  ASSERT_EQ(ShortestFixedText(x), std::string(buffer, r.ptr)) << std::hexfloat << x;
}

TEST(Numbers, SameTextAsToChars) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> exponent(-12.0, 12.0);
  for (int k = 0; k < 100000; ++k) {
    std::uint64_t bits = rng();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    if (std::isfinite(any)) ExpectSameText(any);
    ExpectSameText(std::pow(10.0, exponent(rng)));  // everyday magnitudes
    // Short decimals and their neighbours; binary fractions and whole
    // numbers, which lie half way between shorter decimals (12.5, 2500).
    const double d = std::round(std::pow(10.0, exponent(rng)) * 1e4) / 1e4;
    ExpectSameText(d);
    ExpectSameText(std::nextafter(d, 0.0));
    ExpectSameText(std::nextafter(d, 1e300));
    ExpectSameText(static_cast<double>(rng() % 100000) / 8);
    ExpectSameText(static_cast<double>(rng() % 100000) * 5);
  }
  for (int k = -1074; k < 1024; ++k) ExpectSameText(std::ldexp(1.0, k));
  for (int k = -30; k <= 30; ++k) {  // powers of ten and the doubles either side, a few ulps away
    double below = std::pow(10.0, k), above = below;
    for (int ulps = 0; ulps < 4; ++ulps) {
      ExpectSameText(below = std::nextafter(below, 0.0));
      ExpectSameText(above = std::nextafter(above, 1e300));
    }
  }
  for (double x : {0.0, -0.0, 0.1, 1.5, 2.0 / 3, 1e22, 1e23, 5e-324, 1e-5, 1e-4, 0.5, 100.0})
    ExpectSameText(x);
}

TEST(Numbers, ReadsAsFromChars) {
  for (const char* text : {"1",         "-1",     ".5",    "5.",     "1e5",
                           "1E-5",      "1e",     "1e+",   "2.5x",   "0x10",
                           "+1",        " 1",     "",      "e5",     "inf",
                           "-infinity", "nan",    "1e400", "-1e400", "1e-400",
                           "2e-324",    "3e-324", "0e999", "0.000",  "1.7976931348623159e308",
                           "4.9e-324",  "00012"}) {
    const char* end = text + std::strlen(text);
    double expected = 7.0, value = 7.0;
    const auto r = std::from_chars(text, end, expected);
    const char* read = ParseNumber(text, end, &value);
    ASSERT_EQ(read, r.ec == std::errc() ? r.ptr : nullptr) << '"' << text << '"';
    ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << '"' << text << '"';
  }
}

// The numbers people read (messages, the tool): plain decimals from 1e-4
// up to 1e15, written out by hand; and whole texts read as one number.
TEST(Numbers, PlainTextAndWholeNumbers) {
  const struct {
    double x;
    const char* text;
  } kPlain[] = {{0.0001, "0.0001"},
                {0.00025, "0.00025"},
                {0.5, "0.5"},
                {249.677, "249.677"},
                {1e6, "1000000"},
                {-12.5, "-12.5"},
                {1e-5, "1e-05"},
                {1e15, "1e+15"},
                {2.5e20, "2.5e+20"},
                {0.0, "0"},
                {1.0 / 3, "0.3333333333333333"}};
  for (const auto& row : kPlain) {
    EXPECT_EQ(PlainText(row.x), row.text) << row.x;
    char buffer[32];
    EXPECT_STREQ(formix_shortest(row.x, buffer, sizeof buffer), row.text);
  }
  const struct {
    const char* text;
    int ok;
    double value;
  } kWhole[] = {{"0.4", 1, 0.4}, {"+5", 1, 5},     {"-2", 1, -2},  {".5", 1, 0.5}, {"1e3", 1, 1000},
                {"5 ", 0, 0},    {" 5", 0, 0},     {"0x10", 0, 0}, {"inf", 0, 0},  {"nan", 0, 0},
                {"1e400", 0, 0}, {"1e-400", 0, 0}, {"", 0, 0},     {"+-1", 0, 0},  {"2,5", 0, 0}};
  for (const auto& row : kWhole) {
    double value = -7.0;
    EXPECT_EQ(formix_parse_number(row.text, &value), row.ok) << '"' << row.text << '"';
    EXPECT_EQ(value, row.ok ? row.value : -7.0) << '"' << row.text << '"';
  }
  // Figures for a bench line or a message.
  EXPECT_EQ(SignificantText(0.00025, 3), "0.000250");
  EXPECT_EQ(SignificantText(15.93, 3), "15.9");
  EXPECT_EQ(SignificantText(2000, 3), "2000");
  EXPECT_EQ(MolarMassText(18.01528), "18.02 g/mol");
  EXPECT_EQ(MolarMassText(std::nan("")), "no number");
}

// JSON text: strings escaped by hand (every control character, C1 and DEL
// included, as \u escapes; bytes that are not UTF-8 as U+FFFD), numbers
// shortest or null.
TEST(Numbers, JsonText) {
  const struct {
    const char* in;
    const char* out;
  } kStrings[] = {{"H2O", "\"H2O\""},
                  {"a\"b\\c", "\"a\\\"b\\\\c\""},
                  {"\x01\n", "\"\\u0001\\u000a\""},
                  {"\x7f", "\"\\u007f\""},
                  {"\xC2\x85", "\"\\u0085\""},
                  {"CuSO4\xC2\xB7"
                   "5H2O",
                   "\"CuSO4\xC2\xB7"
                   "5H2O\""},
                  {"\xFF", "\"\xEF\xBF\xBD\""},
                  {"\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}};
  for (const auto& row : kStrings) {
    std::string out;
    AppendJsonString(out, row.in);
    EXPECT_EQ(out, row.out) << row.in;
  }
  const struct {
    double x;
    const char* out;
  } kNumbers[] = {{0.1, "0.1"}, {18.015, "18.015"},     {1e21, "1e+21"},
                  {-0.0, "-0"}, {std::nan(""), "null"}, {HUGE_VAL, "null"}};
  for (const auto& row : kNumbers) {
    std::string out;
    AppendJsonNumber(out, row.x);
    EXPECT_EQ(out, row.out);
  }
}

}  // namespace
}  // namespace formix::toolkit
