// The engine against the literal reference implementation on many generated
// formulas: every double bit for bit, every notification byte for byte.
#include <random>
#include <string>

#include "formula_generator.h"
#include "reference_engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

// Over group names that start with capitals, with small letters and other
// bytes (most formulas are then evaluated as they stand, except where a
// name may start, inside a symbol too), and with digits and brackets
// (every formula is prepared first).
class DifferentialTest : public EngineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DifferentialTest, EngineMatchesLiteralRulesOnGeneratedFormulas) {
  Load(SourceData("mass.elt"), TestData(GetParam()));
  std::mt19937 rng(42);
  double contributions[200];
  double atoms[200];
  const int n = refdata::Current().element_count;
  constexpr int kFormulas = 100000;
  for (int k = 0; k < kFormulas; ++k) {
    std::string formula = RandomFormula(rng);
    int count = -1;
    double mass = MolecularMass(formula.c_str(), contributions, atoms, &count, nullptr);
    ReferenceResult expected = ReferenceMolecularMass(formula);
    std::vector<Event> events = recorder_.Take();
    ASSERT_TRUE(SameBits(mass, expected.mass)) << '"' << formula << "\" " << mass << " vs " << expected.mass;
    ASSERT_EQ(events, expected.events) << '"' << formula << '"';
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(SameBits(atoms[i], expected.atoms[i])) << '"' << formula << "\" atoms " << i;
    }
    for (int i = 0; i < 200; ++i) {
      ASSERT_TRUE(SameBits(contributions[i], expected.contributions[i]))
          << '"' << formula << "\" contribution " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(GroupFiles, DifferentialTest,
                         ::testing::Values("tangled.gps", "small_leads.gps", "structure_leads.gps"));

}  // namespace
}  // namespace formix::test
