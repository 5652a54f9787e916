// Exact masses against published values (computed by hand from AME2020
// masses: C6H12O6 180.063388 u, H2O 18.010565 u, caffeine 194.080376 u).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "shipped_context.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/exact.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

constexpr double kElectron = 5.485799090441e-4;  // u, CODATA 2022

TEST(Exact, MonoisotopicNominalIonsAndAdducts) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  auto exact = [&](const char* formula, std::vector<std::string> adducts = {}) {
    return Exact(*context, Read(*context, formula, std::strlen(formula)), adducts);
  };
  const struct {
    const char* formula;
    double mono, nominal;
  } kNeutral[] = {{"C6H12O6", 180.063388, 180}, {"H2O", 18.010565, 18}, {"C8H10N4O2", 194.080376, 194}};
  EXPECT_NE(exact("C1.5H3").error.find("whole numbers"), std::string::npos);  // no molecule of it
  for (const auto& row : kNeutral) {
    ExactMasses x = exact(row.formula);
    ASSERT_EQ(x.error, "") << row.formula;
    EXPECT_NEAR(x.monoisotopic, row.mono, 5e-7) << row.formula;
    EXPECT_EQ(x.nominal, row.nominal) << row.formula;
  }
  // Ions: electrons counted, m/z divided by |z|.  Sulfate: 31.97207117 +
  // 4 x 15.99491462 + 2 electrons.
  const double sulfate = 31.9720711744 + 4 * 15.99491461926 + 2 * kElectron;
  ExactMasses s = exact("SO4^2-");
  EXPECT_NEAR(s.monoisotopic, sulfate, 1e-9);
  EXPECT_NEAR(s.mz, sulfate / 2, 1e-9);
  EXPECT_TRUE(s.adducts.empty());
  // [M+H]+ of C20H25NO3 is M + H - e: the published 328.1907; [M+2H]2+ of
  // glucose is (M + 2 x 1.007276) / 2.
  ExactMasses m = exact("C20H25NO3", {"[M+H]+"});
  ASSERT_EQ(m.adducts.size(), 1u);
  EXPECT_EQ(m.adducts[0].formula, "C20H26NO3");
  EXPECT_EQ(HrmsLine("ESI", m.adducts[0], 328.1911),
            "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.");
  ExactMasses g = exact("C6H12O6", {"[M+2H]2+", "[M-H2O-H]-"});
  ASSERT_EQ(g.adducts.size(), 2u);
  EXPECT_NEAR(g.adducts[0].mz, (180.063388 + 2 * 1.00727646658) / 2, 1e-6);
  EXPECT_TRUE(g.adducts[1].possible);
  EXPECT_FALSE(exact("NaCl", {"[M-H]-"}).adducts[0].possible);  // no H to lose
  // A found m/z: its error against each ion; an ion that cannot exist is
  // never the match, even at its own m/z.
  const ExactMasses nacl = exact("NaCl", {"[M-H]-"});
  const FoundComparison none = CompareFound(nacl, nacl.adducts[0].mz, 5, "ESI");
  EXPECT_FALSE(none.within || none.adducts[0].within);
  EXPECT_EQ(none.best, -1);
  const FoundComparison hit = CompareFound(m, 328.1911, 5, "ESI");
  const double mh = 20 * 12.0 + 26 * 1.007825031898 + 14.00307400425 + 3 * 15.99491461926 - kElectron;
  EXPECT_NEAR(hit.adducts[0].ppm, (328.1911 - mh) / mh * 1e6, 1e-6);
  EXPECT_NEAR(hit.adducts[0].mda, (328.1911 - mh) * 1000, 1e-9);
  EXPECT_TRUE(hit.within && hit.best == 0);
  // A multiplier: [2M+Na]+ is 2 M + Na - e (the 23Na mass of AME2020).
  ExactMasses dimer = exact("C6H12O6", {"[2M+Na]+"});
  ASSERT_EQ(dimer.adducts.size(), 1u);
  EXPECT_EQ(dimer.adducts[0].formula, "C12H24NaO12");
  EXPECT_NEAR(dimer.adducts[0].mz, 2 * 180.063388 + 22.98976928195 - kElectron, 1e-6);
  // Labels at their isotope's mass: glucose-13C6 is 6 x 1.00335483534 heavier.
  EXPECT_NEAR(exact("[13C]6H12O6").monoisotopic, 180.063388 + 6 * 1.00335483534, 5e-7);
  EXPECT_EQ(exact("D2O").nominal, 20);

  // Adducts read on first use, by whichever of two threads comes first:
  // the same ions, every one, as a context already in use gives.
  auto fresh = ShippedContext();
  const Reading glucose = Read(*fresh, "C6H12O6", 7);
  std::thread other([&] { Exact(*fresh, glucose, {}); });
  Exact(*fresh, glucose, {});
  other.join();
  for (const char* formula : {"C6H12O6", "NaCl", "[13C]6H12O6"}) {
    const Reading r = Read(*context, formula, std::strlen(formula));
    const ExactMasses a = Exact(*context, r, {}), b = Exact(*fresh, r, {});
    ASSERT_EQ(a.adducts.size(), b.adducts.size());
    ASSERT_FALSE(a.adducts.empty());
    for (std::size_t i = 0; i < a.adducts.size(); ++i) {
      EXPECT_EQ(a.adducts[i].formula, b.adducts[i].formula) << formula;
      EXPECT_EQ(std::memcmp(&a.adducts[i].mz, &b.adducts[i].mz, sizeof(double)), 0) << formula;
      EXPECT_EQ(a.adducts[i].possible, b.adducts[i].possible) << formula;
    }
  }
}

}  // namespace
}  // namespace formix::toolkit
