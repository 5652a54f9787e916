// Isotope patterns: the binomial distribution of 13C in C100, the sum of
// an element's probabilities, and bounded work on any formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shipped_context.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/pattern.h"
#include "toolkit/reading/reading.h"

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
  EXPECT_NE(pattern("C6H12O6", 1e8).error.find("10,000,000"), std::string::npos);  // no instrument's
  // The work is bounded whatever the formula asks (15 heavy elements of
  // 9,999,999 atoms each, or at the highest resolving power), and `pruned`
  // then says what was dropped: a warning above 0.1 %.
  std::string heavy;
  for (const char* e :
       {"Sn", "Xe", "Cd", "Te", "Mo", "Ru", "Nd", "Sm", "Gd", "Dy", "Er", "Yb", "Hf", "Os", "Hg"})
    heavy += std::string(e) + "9999999";
  // Fine structure past what can be kept is said (Hg100 at 1e6 loses 12 %)
  // or refused (at 1e7 nearly all), never drawn as if whole.
  const struct {
    std::string formula;
    double resolution;
    bool flagged;
    const char* error;
  } kBounded[] = {{heavy, 2e4, false, ""}, {"Hg100", 1e6, true, ""}, {"Hg100", 1e7, false, "lower it"}};
  for (const auto& row : kBounded) {
    Pattern p = pattern(row.formula, row.resolution);
    EXPECT_LE(p.work, kWorkBudget * 1.01) << row.formula;  // the time, counted in products
    ASSERT_NE(p.error.find(row.error), std::string::npos) << row.formula << ": " << p.error;
    if (*row.error != '\0') continue;
    EXPECT_EQ(p.error, "") << row.formula;
    EXPECT_LE(p.fine.size(), kMaxFinePeaks) << row.formula;
    EXPECT_EQ(p.warning.empty(), !row.flagged) << row.formula << " " << p.pruned;
    EXPECT_EQ(p.warning.empty(), p.pruned <= kMaxPruned) << row.formula;
  }
  // A probability dropped early is lost again in every power made from it:
  // counted so, C20000 pruned at 1e-3 is flagged (0.2 % was said of a top
  // peak 8 u off once), and at the default threshold the top peak at
  // m/dm 1e6 stands within one peak of the binomial mode, floor(20001 p).
  Pattern coarse = IsotopePattern(*context, Read(*context, "C20000", 6), 1e-3, 1e6);
  EXPECT_GT(coarse.pruned, kMaxPruned);
  EXPECT_NE(coarse.warning, "");
  Pattern fine = pattern("C20000", 1e6);
  EXPECT_LT(fine.pruned, 1e-5);
  const Peak* highest = &fine.peaks[0];
  for (const Peak& q : fine.peaks) highest = q.abundance > highest->abundance ? &q : highest;
  EXPECT_NEAR(highest->mass, 240000.0 + std::floor(20001 * 0.0107) * 1.00335483534, 1.01);
}

}  // namespace
}  // namespace formix::toolkit

namespace formix::toolkit {
namespace {

// The most abundant isotopologue against every isotopic composition
// enumerated (isotope masses and abundances typed from the reference
// table: AME2020 and IUPAC 2009), at the default resolving power where nearby isotopologues merge.
TEST(Pattern, MostAbundantIsotopologueIsTheTrueOne) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  struct Iso {
    double mass, p;
  };
  const std::vector<Iso> ru = {{95.907588910, 0.0554}, {97.905286709, 0.0187},  {98.905930284, 0.1276},
                               {99.904210460, 0.1260}, {100.905573086, 0.1706}, {101.904340312, 0.3155},
                               {103.905425312, 0.1862}};
  const std::vector<Iso> cl = {{34.968852694, 0.7576}, {36.965902573, 0.2424}};
  const std::vector<Iso> br = {{78.918337574, 0.5069}, {80.916288197, 0.4931}};
  // The heaviest probability over all compositions of n atoms (by recursion).
  std::function<void(const std::vector<Iso>&, std::size_t, int, double, double, double*, double*)> best =
      [&](const std::vector<Iso>& iso, std::size_t i, int left, double logp, double mass, double* top,
          double* at) {
        if (i + 1 == iso.size()) {
          logp += left * std::log(iso[i].p) - std::lgamma(left + 1);
          mass += left * iso[i].mass;
          if (logp > *top) *top = logp, *at = mass;
          return;
        }
        for (int k = 0; k <= left; ++k)
          best(iso, i + 1, left - k, logp + k * std::log(iso[i].p) - std::lgamma(k + 1),
               mass + k * iso[i].mass, top, at);
      };
  auto mode = [&](const std::vector<Iso>& iso, int n) {
    double top = -INFINITY, at = 0.0;
    best(iso, 0, n, 0.0, 0.0, &top, &at);
    return at;
  };
  const struct {
    const char* formula;
    double expected;
  } kRows[] = {
      {"Ru5", mode(ru, 5)},
      {"Ru3Cl4", mode(ru, 3) + mode(cl, 4)},
      {"CBr4", 12.0 + mode(br, 4)},
      {"Br6", mode(br, 6)},
      {"[13C]Cl3", 13.00335483534 + mode(cl, 3)},
      {"[13C]6H12O6", 6 * 13.00335483534 + 12 * 1.007825031898 + 6 * 15.99491461926},
  };
  for (const auto& row : kRows) {
    const Reading r = Read(*context, row.formula, std::strlen(row.formula));
    const Pattern p = IsotopePattern(*context, r, 1e-6, 20000);
    ASSERT_EQ(p.error, "") << row.formula;
    EXPECT_NEAR(p.most_abundant, row.expected, 1e-6) << row.formula;
  }
}

}  // namespace
}  // namespace formix::toolkit
