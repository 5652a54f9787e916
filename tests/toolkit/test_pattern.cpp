// Isotope patterns: the binomial distribution of 13C in C100, the sum of
// an element's probabilities, and bounded work on any formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "shipped_context.h"
#include "toolkit/context.h"
#include "toolkit/pattern.h"
#include "toolkit/reading.h"

namespace formix::toolkit {
namespace {

TEST(Pattern, BinomialCarbonAndBoundedWork) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  auto pattern = [&](const std::string& formula, double resolution = 1e7) {
    return IsotopePattern(*context, Read(*context, formula.data(), formula.size()), 1e-6, resolution);
  };
  // C100 at high resolution: peak k has C(100,k) p^k (1-p)^(100-k), p = 0.0107.
  Pattern c = pattern("C100");
  ASSERT_EQ(c.error, "");
  double binomial[6], top = 0.0;
  for (int k = 0; k < 6; ++k) {
    binomial[k] = std::exp(std::lgamma(101) - std::lgamma(k + 1) - std::lgamma(101 - k)) *
                  std::pow(0.0107, k) * std::pow(0.9893, 100 - k);
    top = std::max(top, binomial[k]);
  }
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(c.peaks[k].abundance, binomial[k] / top * 100.0, 0.01) << k;
    EXPECT_NEAR(c.peaks[k].mass, 1200.0 + k * 1.00335483534, 1e-6) << k;
  }
  EXPECT_LT(c.pruned, 1e-4);
  // An ion: m/z, electrons counted.
  Pattern sulfate = pattern("SO4^2-");
  EXPECT_NEAR(sulfate.most_abundant, (31.97207117354 + 4 * 15.99491461926 + 2 * 5.485799090441e-4) / 2, 1e-9);
  // Any size finishes, with a small error bound, or a clear limit.
  for (const char* big : {"C100000H200000", "Sn10Hg10Xe10Ba10Nd10Sm10Gd10Dy10Er10Yb10Hf10W10Os10Pt10Cd10"}) {
    Pattern p = pattern(big, 20000);
    EXPECT_EQ(p.error, "") << big;
    EXPECT_LT(p.pruned, 1e-3) << big;
    EXPECT_LE(p.fine.size(), kMaxFinePeaks) << big;
  }
  EXPECT_NE(pattern("C100000000").error.find("10,000,000"), std::string::npos);
  EXPECT_NE(pattern("C1.5").error, "");
}

}  // namespace
}  // namespace formix::toolkit
