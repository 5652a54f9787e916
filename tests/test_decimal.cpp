// Decimal conversion of atomic masses and formula numbers.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "refdata/decimal.h"

namespace formix {
namespace {

struct DecimalCase {
  const char* text;
  double value;
};

void PrintTo(const DecimalCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class DecimalTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTest, ReadsLongestNumberPrefix) {
  EXPECT_EQ(ParseDecimal(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Forms, DecimalTest,
                         testing::Values(DecimalCase{"1.008", 1.008}, DecimalCase{"12", 12.0},
                                         DecimalCase{".5", 0.5}, DecimalCase{"5.", 5.0},
                                         DecimalCase{"0.1", 0.1}, DecimalCase{"18.998403162", 18.998403162},
                                         DecimalCase{"  \t\n+2.5", 2.5}, DecimalCase{"-3", -3.0},
                                         DecimalCase{"-.25", -0.25}, DecimalCase{"2e1", 20.0},
                                         DecimalCase{"2E+2", 200.0}, DecimalCase{"1e-2", 0.01},
                                         DecimalCase{"2e", 2.0}, DecimalCase{"2e+", 2.0},
                                         DecimalCase{"2ex", 2.0}, DecimalCase{"1,008", 1.0},
                                         DecimalCase{"3H", 3.0}, DecimalCase{"1.5.5", 1.5}));

INSTANTIATE_TEST_SUITE_P(NotNumbers, DecimalTest,
                         testing::Values(DecimalCase{"", 0.0}, DecimalCase{".", 0.0}, DecimalCase{".e5", 0.0},
                                         DecimalCase{"[209]", 0.0}, DecimalCase{"abc", 0.0},
                                         DecimalCase{"+", 0.0}, DecimalCase{"e5", 0.0},
                                         DecimalCase{"0x1A", 0.0}, DecimalCase{"INF", 0.0},
                                         DecimalCase{"+inf", 0.0}, DecimalCase{"infinity", 0.0},
                                         DecimalCase{"NAN", 0.0}));

INSTANTIATE_TEST_SUITE_P(Extremes, DecimalTest,
                         testing::Values(DecimalCase{"+INF", kInf}, DecimalCase{"-INF", -kInf},
                                         DecimalCase{"+INFINITY", kInf}, DecimalCase{"1e400", kInf},
                                         DecimalCase{"-1e400", -kInf}, DecimalCase{"123.4e307", kInf},
                                         DecimalCase{"1e-400", 0.0}, DecimalCase{"0.001e-330", 0.0},
                                         DecimalCase{"1e99999999999999999999", kInf},
                                         DecimalCase{"0e99999", 0.0},
                                         DecimalCase{"4.9406564584124654e-324", 4.9406564584124654e-324},
                                         DecimalCase{"1.7976931348623157e308", 1.7976931348623157e308}));

TEST(Decimal, SignedNanReadsAsNan) {
  EXPECT_TRUE(std::isnan(ParseDecimal("+NAN")));
  EXPECT_TRUE(std::isnan(ParseDecimal("-NAN")));
  EXPECT_TRUE(std::signbit(ParseDecimal("-NAN")));
}

TEST(Decimal, UnsignedFormStartsAtDigitOrPoint) {
  EXPECT_EQ(ParseUnsignedDecimal("42H"), 42.0);
  EXPECT_EQ(ParseUnsignedDecimal(".5O"), 0.5);
  EXPECT_EQ(ParseUnsignedDecimal(".O"), 0.0);
  EXPECT_EQ(ParseUnsignedDecimal("-5"), 0.0);
  EXPECT_EQ(ParseUnsignedDecimal(" 5"), 0.0);
}

TEST(Decimal, IgnoresTheLocaleDecimalSeparator) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old != nullptr ? old : "C";
  bool switched = false;
  for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8", "ru_RU.CP1251", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  EXPECT_EQ(ParseDecimal("1.5"), 1.5);
  EXPECT_EQ(ParseDecimal("1,5"), 1.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
}

}  // namespace
}  // namespace formix
