// The engine against the literal reference implementation on many generated
// formulas: every double bit for bit, every notification byte for byte.
#include <random>
#include <string>
#include <vector>

#include "formula_generator.h"
#include "reference_engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

// Over group names that start with capitals, with small letters and other
// bytes (most formulas are then evaluated as they stand, except where a
// name may start, inside a symbol too), with digits and brackets (every
// formula is prepared first), and names that meet each other (names
// inside names, a name before one that starts with a small letter, names
// inside formulas, a bracket or a bond mark in a name: the expansion in
// one pass must give way to the passes).  The molar mass alone is asked
// for too: it takes a path of its own.
struct GroupFile {
  const char* name;
  std::vector<std::string> pieces;  // formula pieces besides the generator's
};

void PrintTo(const GroupFile& file, std::ostream* out) { *out << file.name; }

class DifferentialTest : public EngineTest, public ::testing::WithParamInterface<GroupFile> {};

TEST_P(DifferentialTest, EngineMatchesLiteralRulesOnGeneratedFormulas) {
  Load(SourceData("mass.elt"), TestData(GetParam().name));
  std::mt19937 rng(42);
  double contributions[200];
  double atoms[200];
  const int n = refdata::Current().element_count;
  constexpr int kFormulas = 100000;
  for (int k = 0; k < kFormulas; ++k) {
    std::string formula = RandomFormula(rng, GetParam().pieces);
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
    const double molar_mass = MolarMass(formula.c_str());
    ASSERT_TRUE(SameBits(molar_mass, expected.mass)) << '"' << formula << "\" molar mass " << molar_mass;
    ASSERT_EQ(recorder_.Take(), expected.events) << '"' << formula << "\" molar mass";
  }
}

INSTANTIATE_TEST_SUITE_P(GroupFiles, DifferentialTest,
                         ::testing::Values(GroupFile{"tangled.gps", {}}, GroupFile{"small_leads.gps", {}},
                                           GroupFile{"structure_leads.gps", {}},
                                           GroupFile{"meeting.gps",
                                                     {"Mes", "MeO", "en", "ox", "Bu", "Bux", "Meen", "e-",
                                                      "Aq", "qz", "Zz", "Mex", "Pn", "n", "l", "Ome"}}),
                         [](const ::testing::TestParamInfo<GroupFile>& param) {
                           std::string name = param.param.name;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace formix::test
