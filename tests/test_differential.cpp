// The engine against the literal reference implementation on many generated
// formulas: every double bit for bit, every notification byte for byte.
#include <random>
#include <string>

#include "reference_engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

// Builds formulas out of the pieces the rules care about.
std::string RandomFormula(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "H", "C", "O", "N", "S", "Cu", "Fe", "Na", "Cl", "K", "Pt", "U", "Og",       // elements
      "Xx", "Qq", "Hex", "Eta", "h", "o", "x",                                       // unknown, small
      "Ph", "Me", "Et", "Bz", "OAc", "Tol", "Hx",                                    // groups
      "2", "3", "10", "0.5", ".5", "1,5", "2e1", "3E-1", "5.", ".", "0", "007",      // numbers
      "(", ")", "[", "]", "{", "}", "(", ")", "*", "*", "-", "=", " ", "  ", "\t",    // structure
      "\xD1", "\xF1", "\xD1u", "\xC0", "\xE0", "\xFF", "+", ";"};                  // other bytes
  constexpr int kCount = sizeof kPieces / sizeof kPieces[0];
  std::uniform_int_distribution<int> piece(0, kCount - 1);
  std::uniform_int_distribution<int> length(0, 24);
  int pieces = length(rng);
  if (std::uniform_int_distribution<int>(0, 200)(rng) == 0) pieces = 120;  // past the limits
  // Groups that expand without end are rare: each fills the text to its limit.
  static const char* const kEndless[] = {"Sf", "Aa", "Bb", "Dd"};
  std::uniform_int_distribution<int> endless(0, 1199);
  std::string out;
  for (int i = 0; i < pieces; ++i) {
    int e = endless(rng);
    out += e < 4 ? kEndless[e] : kPieces[piece(rng)];
  }
  return out;
}

TEST_F(EngineTest, EngineMatchesLiteralRulesOnGeneratedFormulas) {
  Load(SourceData("mass.elt"), TestData("tangled.gps"));
  std::mt19937 rng(42);
  double contributions[200];
  double atoms[200];
  const int n = refdata::g_tables.element_count;
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

}  // namespace
}  // namespace formix::test
