// Equations: reading, the balance check and balancing, against textbook
// coefficients; amounts against hand-worked moles.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shipped_context.h"
#include "toolkit/bench/reaction.h"
#include "toolkit/context/context.h"

namespace formix::toolkit {
namespace {

class ReactionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    context_ = ShippedContext();
    ASSERT_NE(context_, nullptr);
  }
  static void TearDownTestSuite() { context_.reset(); }
  static inline std::unique_ptr<Context> context_;
};

TEST_F(ReactionTest, BalancesAndChecks) {
  // Coefficients from textbooks, found from the bare equations.
  const struct {
    const char *text, *balanced;
  } kBalanced[] = {
      {"H2 + O2 = H2O", "2 H2 + O2 = 2 H2O"},
      {"C3H8+O2->CO2+H2O", "C3H8 + 5 O2 = 3 CO2 + 4 H2O"},
      {"KMnO4 + HCl = KCl + MnCl2 + H2O + Cl2", "2 KMnO4 + 16 HCl = 2 KCl + 2 MnCl2 + 8 H2O + 5 Cl2"},
      {"Cr2O7^2- + Fe^2+ + H^+ \u2192 Cr^3+ + Fe^3+ + H2O",
       "Cr2O7^2- + 6 Fe^2+ + 14 H^+ = 2 Cr^3+ + 6 Fe^3+ + 7 H2O"},
      {"NH4+ + OH- \u21CC NH3 + H2O", "NH4+ + OH- = NH3 + H2O"},
  };
  for (const auto& row : kBalanced) {
    Reaction r = ReadEquation(*context_, row.text, true, true);
    EXPECT_EQ(r.error, "") << row.text;
    EXPECT_EQ(r.balanced, row.balanced) << row.text;
    EXPECT_EQ(ReadEquation(*context_, r.balanced, false, true).error, "") << r.balanced;  // and it checks
  }
  const struct {
    const char *text, *says;
  } kRefused[] = {
      {"H2 + O2 = H2O", "O 2 on the left, 1 on the right"},       // checked, not balanced
      {"Fe^3+ = Fe^2+", "charge 3 on the left, 2 on the right"},  // charge counts
      {"H2 = O2", "cannot be balanced"},
      {"H2 + O2 + H2O2 = H2O", "more than one independent balance"},
      {"H2O = H2O + O2", "other side"},
      {"C1.5H3 = C1.5H3", "fractional"},
      {"CH2=CH2+H2=C2H6", "which '='"},
      {"H2 + = H2O", "empty participant"},
      {"2 = H2O", "coefficient with no formula"},
      {"H2 + Xx = H2O", "cannot be read"},
  };
  for (const auto& row : kRefused) {
    Reaction r = ReadEquation(
        *context_, row.text,
        std::string(row.text) != "H2 + O2 = H2O" && std::string(row.text) != "Fe^3+ = Fe^2+", true);
    EXPECT_NE(r.error.find(row.says), std::string::npos) << row.text << ": " << r.error;
  }
  // Numbers that outgrow 64 bits are refused, never wrapped.
  std::string big = "C1000000000000H2 + O2 = CO2 + H2O";
  EXPECT_NE(ReadEquation(*context_, big, true, true).error, "");
  // 2^49 H against 2^14 C: an elimination step meets -2^63, which has no
  // negation in 64 bits (undefined behaviour once; the sanitizer run checks).
  EXPECT_NE(ReadEquation(*context_, "CH562949953421312 = C16384", true, false).error.find("outgrow"),
            std::string::npos);
  // A balance whose coefficients pass 2^53 (found by the fuzzer: 769600008888886520 O1 would be given back
  // as 769600008888886528) is refused too.
  EXPECT_NE(ReadEquation(*context_, "C3H:+O1->CO888*88*8882+H288888888888888*88*8888888888O", true, false)
                .error.find("2^53"),
            std::string::npos);
}

TEST_F(ReactionTest, LimitingReagentEquivalentsAndVolumes) {
  Reaction r = ReadEquation(*context_, "2H2 + O2 = 2H2O", false, true);
  ASSERT_EQ(r.error, "");
  ASSERT_TRUE(SetAmount(r, "H2=4", 'g'));
  ASSERT_TRUE(SetAmount(r, "O2=500mmol", 'g'));
  ASSERT_TRUE(SolveAmounts(r));
  EXPECT_EQ(r.limiting, 1);  // 0.5 mol O2 against 4/2.016 = 1.98 mol H2
  EXPECT_DOUBLE_EQ(r.participants[2].moles, 1.0);
  EXPECT_DOUBLE_EQ(r.participants[0].equiv, 4 / 2.016 / 0.5);
  Reaction g = ReadEquation(*context_, "PhBr + Mg = PhMgBr", false, true);
  ASSERT_TRUE(SetAmount(g, "PhBr=2.5g", 'g') && SetAmount(g, "Mg=1.2", 'e') &&
              SetAmount(g, "PhBr=1.495", 'd'));
  ASSERT_TRUE(SolveAmounts(g));
  EXPECT_DOUBLE_EQ(g.participants[1].moles, 1.2 * g.participants[0].moles);
  EXPECT_DOUBLE_EQ(g.participants[0].volume, 2.5 / 1.495);
  // A reactant given below what its coefficient asks limits: 0.5 equiv of
  // Mg against PhBr, and 2 H2 at 1.5 equiv against O2 (1.5 < 2).
  const struct {
    const char *equation, *given, *equiv;
    int limiting;
    double product_per_given;  // mol of the first product per mol given
  } kRows[] = {{"PhBr + Mg = PhMgBr", "PhBr=2.5g", "Mg=0.5", 1, 0.5},
               {"PhBr + Mg = PhMgBr", "PhBr=2.5g", "Mg=1.5", 0, 1.0},
               {"2H2 + O2 = 2H2O", "O2=1mol", "H2=1.5", 0, 1.5},
               {"2H2 + O2 = 2H2O", "O2=1mol", "H2=2.5", 1, 2.0}};
  for (const auto& row : kRows) {
    Reaction e = ReadEquation(*context_, row.equation, false, true);
    ASSERT_TRUE(SetAmount(e, row.given, 'g') && SetAmount(e, row.equiv, 'e'));
    ASSERT_TRUE(SolveAmounts(e));
    EXPECT_EQ(e.limiting, row.limiting) << row.equation << " " << row.equiv;
    const double given_moles = row.given[1] == 'h' ? 2.5 / (6 * 12.011 + 5 * 1.008 + 79.904) : 1.0;
    EXPECT_NEAR(e.participants[2].moles, row.product_per_given * given_moles, 1e-12)
        << row.equation << " " << row.equiv;
  }
  // Units, excess with coefficients, volumes from density and concentration,
  // by hand: 2 H2 + O2 = 2 H2O with 4.032 g H2 (kg and mg alike) is 2 mol,
  // 1 mol O2 needed; 1.5 equivalents are 3 mol O2, 2 mol in excess, 1.5 L at
  // 2 mol/L; 2 mol of water, 36.03 g, is 36.03 mL at 1 g/mL.
  for (const char* given : {"H2=4.032g", "H2=0.004032kg", "H2=4032mg", "H2=2000mmol", "H2=2e6 \xC2\xB5mol"}) {
    Reaction w = ReadEquation(*context_, "2H2 + O2 = 2H2O", false, true);
    ASSERT_TRUE(SetAmount(w, given, 'g') && SetAmount(w, "O2=1.5", 'e') && SetAmount(w, "O2=2", 'c') &&
                SetAmount(w, "H2O=1.0", 'd'));
    ASSERT_TRUE(SolveAmounts(w));
    EXPECT_NEAR(w.participants[0].moles, 2.0, 1e-12) << given;
    EXPECT_NEAR(w.participants[1].moles, 3.0, 1e-12) << given;  // 1.5 equiv of 2 mol H2
    EXPECT_NEAR(w.participants[1].excess, 2.0, 1e-12) << given;
    EXPECT_NEAR(w.participants[1].volume, 1500.0, 1e-9) << given;      // mL
    EXPECT_NEAR(w.participants[2].volume, 2 * 18.015, 1e-9) << given;  // 36.03 g at 1 g/mL
  }
  // The excess counts the coefficient: 1 mol O2 with 3 equivalents of H2
  // (3 mol) uses 2 mol H2, 1 mol in excess.
  Reaction x = ReadEquation(*context_, "2H2 + O2 = 2H2O", false, true);
  ASSERT_TRUE(SetAmount(x, "O2=1mol", 'g') && SetAmount(x, "H2=3", 'e') && SolveAmounts(x));
  EXPECT_NEAR(x.participants[0].excess, 1.0, 1e-12);
  // A volume of a liquid with its density (also in a unit): 1.05 mL of PhBr
  // at 1.495 g/mL is 1.56975 g, 9.998 mmol at 157.01 g/mol; without a
  // density it is refused when solved.
  for (const char* density : {"PhBr=1.495", "PhBr=1.495 g/mL", "PhBr=1495 g/L"}) {
    Reaction v = ReadEquation(*context_, "PhBr + Mg = PhMgBr", false, true);
    ASSERT_TRUE(SetAmount(v, "PhBr=1.05 mL", 'g') && SetAmount(v, density, 'd') && SolveAmounts(v))
        << v.error;
    EXPECT_NEAR(v.participants[0].mass, 1.05 * 1.495, 1e-12) << density;
    EXPECT_NEAR(v.participants[0].moles, 1.05 * 1.495 / 157.01, 1e-5) << density;
  }
  Reaction no_density = ReadEquation(*context_, "PhBr + Mg = PhMgBr", false, true);
  ASSERT_TRUE(SetAmount(no_density, "PhBr=1.05 mL", 'g'));
  EXPECT_FALSE(SolveAmounts(no_density));
  // Amounts no bench table shows are refused, never printed as zeros or inf.
  for (const char* bad :
       {"Xe=1", "PhBr=-1", "PhBr=1 stone", "PhBr", "PhBr=1e-300g", "PhBr=1e308kg", "PhBr=2e9mol"}) {
    Reaction b = ReadEquation(*context_, "PhBr + Mg = PhMgBr", false, true);
    EXPECT_FALSE(SetAmount(b, bad, 'g')) << bad;
  }
  for (const auto& [bad, kind] :
       {std::pair{"Mg=1e300", 'e'}, std::pair{"PhBr=1000", 'd'}, std::pair{"PhBr=1e5", 'c'}}) {
    Reaction b = ReadEquation(*context_, "PhBr + Mg = PhMgBr", false, true);
    EXPECT_FALSE(SetAmount(b, bad, kind)) << bad;
  }
}

}  // namespace
}  // namespace formix::toolkit
