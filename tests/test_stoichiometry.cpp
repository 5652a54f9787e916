// ChemEqu and GetFormula.
#include <cmath>

#include "test_support.h"

namespace formix::test {
namespace {

class StoichiometryTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    LoadShipped(TestData("organic.gps"));
  }
};

TEST_F(StoichiometryTest, WaterFromHydrogenAndOxygen) {
  const char* formulas[] = {"H2", "O2", "H2O"};
  const double coefficients[] = {2, 1, 2};
  double masses[] = {-1, -1, 36.03};
  ChemEqu(formulas, coefficients, masses, 2, 3);
  const double factor = 36.03 / MolarMass("H2O") / 2;
  EXPECT_TRUE(SameBits(masses[0], MolarMass("H2") * factor * 2));
  EXPECT_TRUE(SameBits(masses[1], MolarMass("O2") * factor * 1));
  EXPECT_EQ(masses[2], 36.03);
  EXPECT_NEAR(masses[0], 4.03, 0.01);
  EXPECT_NEAR(masses[1], 32.0, 0.01);
}

TEST_F(StoichiometryTest, ChemEquDivisionsByZeroFollowIeee) {
  const char* formulas[] = {"H2", "O2"};
  const double zero_coefficient[] = {0, 1};
  double masses[] = {1.0, 0};
  ChemEqu(formulas, zero_coefficient, masses, 0, 2);
  EXPECT_TRUE(std::isinf(masses[1]));

  const char* empty_reference[] = {"", "O2"};
  const double coefficients[] = {1, 1};
  double zero_mass[] = {0.0, 5.0};
  ChemEqu(empty_reference, coefficients, zero_mass, 0, 2);
  EXPECT_TRUE(std::isnan(zero_mass[1]));
}

TEST_F(StoichiometryTest, ChemEquIgnoresImpossibleArguments) {
  const char* formulas[] = {"H2", "O2"};
  const double coefficients[] = {2, 1};
  double masses[] = {4.0, -1.0};
  ChemEqu(formulas, coefficients, masses, 2, 2);
  ChemEqu(formulas, coefficients, masses, -1, 2);
  ChemEqu(formulas, coefficients, masses, 0, 0);
  ChemEqu(nullptr, coefficients, masses, 0, 2);
  ChemEqu(formulas, nullptr, masses, 0, 2);
  ChemEqu(formulas, coefficients, nullptr, 0, 2);
  EXPECT_EQ(masses[1], -1.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(StoichiometryTest, GlucoseFromItsAnalysis) {
  const char* formulas[] = {"C", "H", "O"};
  const double fractions[] = {40.0, 6.7, 53.3};
  double ratios[3];
  GetFormula(formulas, fractions, 3, -1, 180.16, ratios);
  EXPECT_NEAR(ratios[0], 6.0, 0.01);
  EXPECT_NEAR(ratios[1], 12.0, 0.1);
  EXPECT_NEAR(ratios[2], 6.0, 0.01);
  // The same, step by step.
  double r[3];
  double sum = 0.0;
  for (int i = 0; i < 3; ++i) r[i] = fractions[i] / M(formulas[i]);
  for (int i = 0; i < 3; ++i) sum = M(formulas[i]) * r[i] + sum;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(ratios[i], 180.16 / sum * r[i])) << i;
}

TEST_F(StoichiometryTest, ReferenceEntryKeepsItsUnscaledRatio) {
  const char* formulas[] = {"C", "H", "O"};
  const double fractions[] = {40.0, 6.7, 53.3};
  double ratios[3];
  GetFormula(formulas, fractions, 3, 0, 1.0, ratios);
  EXPECT_TRUE(SameBits(ratios[0], 40.0 / M("C")));
  EXPECT_NEAR(ratios[1], 2.0, 0.02);
  EXPECT_NEAR(ratios[2], 1.0, 0.01);
  const double scale = 1.0 / (40.0 / M("C"));
  EXPECT_TRUE(SameBits(ratios[1], scale * (6.7 / M("H"))));
}

TEST_F(StoichiometryTest, SpeciesMayBeGroupsOrFormulas) {
  const char* formulas[] = {"Ph", "H2O"};
  const double fractions[] = {1.0, 1.0};
  double ratios[2];
  GetFormula(formulas, fractions, 2, 0, 1.0, ratios);
  EXPECT_TRUE(SameBits(ratios[0], 1.0 / MolarMass("C6H5")));
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(StoichiometryTest, GetFormulaIgnoresImpossibleArguments) {
  const char* formulas[] = {"C", "H"};
  const double fractions[] = {1.0, 1.0};
  double ratios[2] = {-1.0, -1.0};
  GetFormula(formulas, fractions, 2, 2, 1.0, ratios);
  GetFormula(formulas, fractions, 0, -1, 1.0, ratios);
  GetFormula(formulas, nullptr, 2, -1, 1.0, ratios);
  GetFormula(formulas, fractions, 2, -1, 1.0, nullptr);
  EXPECT_EQ(ratios[0], -1.0);
}

TEST_F(EngineTest, GetFormulaWithoutListLoadsTheTablesFirst) {
  ASSERT_TRUE(refdata::SetMassPath(SourceData("mass.elt").c_str()));
  ASSERT_EQ(ElementsInTable(), 0);
  const double fractions[] = {2 * 1.008, 0.0, 0.0, 0.0, 0.0, 12.011};  // H2 ... C
  double ratios[6];
  GetFormula(nullptr, fractions, 6, 0, 2.0, ratios);
  EXPECT_EQ(ElementsInTable(), 118);
  EXPECT_EQ(ratios[0], 2.0);  // unscaled: 2.016 / M(H)
  EXPECT_EQ(ratios[5], 1.0);  // scaled so that H stands at 2: one C per two H
  EXPECT_TRUE(recorder_.events().empty());
}

}  // namespace
}  // namespace formix::test
