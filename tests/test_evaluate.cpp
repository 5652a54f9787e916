// Evaluation: the multiplier of every symbol occurrence, sums in text
// order, unknown symbols.
#include <map>
#include <string>
#include <vector>

#include "formula/engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

struct Occurrence {
  const char* symbol;
  double multiplier;
};

struct WorkedCase {
  const char* text;
  std::vector<Occurrence> occurrences;  // in text order
  bool letters;                         // evaluated over the A..Z letters table
};

void PrintTo(const WorkedCase& c, std::ostream* os) { *os << c.text; }

class WorkedMultipliers : public EngineTest, public testing::WithParamInterface<WorkedCase> {};

TEST_P(WorkedMultipliers, EveryOccurrenceGetsItsMultiplier) {
  const WorkedCase& c = GetParam();
  if (c.letters) {
    Load(TestData("letters.elt"));
  } else {
    LoadShipped();
  }
  double expected = 0.0;
  std::map<std::string, double> expected_atoms;
  for (const Occurrence& o : c.occurrences) {
    expected = o.multiplier * M(o.symbol) + expected;
    expected_atoms[o.symbol] = o.multiplier + expected_atoms[o.symbol];
  }
  double atoms[200];
  double contributions[200];
  int count = -1;
  double mass = formula::MolecularMass(c.text, contributions, atoms, &count, nullptr);
  EXPECT_TRUE(SameBits(mass, expected)) << mass << " vs " << expected;
  for (int i = 0; i < count; ++i) {
    std::string symbol = refdata::Current().symbols[i];
    double want = expected_atoms.count(symbol) ? expected_atoms[symbol] : 0.0;
    EXPECT_EQ(atoms[i], want) << symbol;
    EXPECT_EQ(contributions[i] == 0.0, want == 0.0) << symbol;
  }
  EXPECT_TRUE(recorder_.events().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedMultipliers,
    testing::Values(WorkedCase{"CuSO4*5H2O", {{"Cu", 1}, {"S", 1}, {"O", 4}, {"H", 10}, {"O", 5}}, false},
                    WorkedCase{"2H2O", {{"H", 4}, {"O", 2}}, false},
                    WorkedCase{"2CuSO4*5H2O", {{"Cu", 2}, {"S", 2}, {"O", 8}, {"H", 20}, {"O", 10}}, false},
                    WorkedCase{"Na2CO3*10H2O", {{"Na", 2}, {"C", 1}, {"O", 3}, {"H", 20}, {"O", 10}}, false},
                    WorkedCase{"(NH4)2SO4", {{"N", 2}, {"H", 8}, {"S", 1}, {"O", 4}}, false},
                    WorkedCase{"K4[Fe(CN)6]", {{"K", 4}, {"Fe", 1}, {"C", 6}, {"N", 6}}, false},
                    WorkedCase{"C1.5H3", {{"C", 1.5}, {"H", 3}}, false},
                    WorkedCase{"H.5O", {{"H", 0.5}, {"O", 1}}, false},
                    WorkedCase{"A*2B*3C", {{"A", 1}, {"B", 2}, {"C", 3}}, true},
                    WorkedCase{"A(B*2C)3D", {{"A", 1}, {"B", 3}, {"C", 6}, {"D", 1}}, true},
                    WorkedCase{"X*2(Y*3Z)4", {{"X", 1}, {"Y", 8}, {"Z", 24}}, true},
                    WorkedCase{"*5H2O", {{"H", 2}, {"O", 1}}, false},
                    // Numbers count only at the start, after a symbol, a '*' or a closing bracket.
                    WorkedCase{"(2H2O)", {{"H", 2}, {"O", 1}}, false},
                    WorkedCase{"CuSO4*(5H2O)", {{"Cu", 1}, {"S", 1}, {"O", 4}, {"H", 2}, {"O", 1}}, false},
                    WorkedCase{"H2o", {{"H", 2}}, false}, WorkedCase{"H2e1", {{"H", 20}}, false},
                    WorkedCase{
                        "CH3CH2OH", {{"C", 1}, {"H", 3}, {"C", 1}, {"H", 2}, {"O", 1}, {"H", 1}}, false},
                    // Unbalanced brackets are counted like any others.
                    WorkedCase{"(A)B)2", {{"A", 2}, {"B", 2}}, true},
                    WorkedCase{"A*2(B*3C", {{"A", 1}, {"B", 2}, {"C", 6}}, true},
                    // A '.' without digits reads as 0; '*' factors apply once per level, outward.
                    WorkedCase{"A.B", {{"A", 0}, {"B", 1}}, true},
                    WorkedCase{"A*2[B*3{C*5D}7]", {{"A", 1}, {"B", 2}, {"C", 42}, {"D", 210}}, true}));

TEST_F(EngineTest, UnknownSymbolIsReportedAndCountsNothing) {
  LoadShipped();
  double mass = formula::MolecularMass("H2XxO", nullptr, nullptr, nullptr, nullptr);
  double expected = 2 * M("H");
  expected = M("O") + expected;
  EXPECT_TRUE(SameBits(mass, expected));
  EXPECT_EQ(recorder_.Take(), Unknown("Xx"));
}

TEST_F(EngineTest, UnknownSymbolsReportedInTextOrder) {
  LoadShipped();
  formula::MolecularMass("QqH2Hex(Zz)2", nullptr, nullptr, nullptr, nullptr);
  std::vector<Event> expected;
  for (const char* s : {"Qq", "Hex", "Zz"}) {
    std::vector<Event> e = Unknown(s);
    expected.insert(expected.end(), e.begin(), e.end());
  }
  EXPECT_EQ(recorder_.Take(), expected);
}

TEST_F(EngineTest, EmptyTableReportsEverySymbol) {
  TempFile empty("empty.elt", "");
  Load(empty.path());
  EXPECT_EQ(formula::MolecularMass("H2O", nullptr, nullptr, nullptr, nullptr), 0.0);
  std::vector<Event> expected = Unknown("H");
  std::vector<Event> o = Unknown("O");
  expected.insert(expected.end(), o.begin(), o.end());
  EXPECT_EQ(recorder_.Take(), expected);
}

TEST_F(EngineTest, TextWithoutCapitalsIsZeroWithoutMessage) {
  LoadShipped();
  EXPECT_EQ(formula::MolecularMass("h2o", nullptr, nullptr, nullptr, nullptr), 0.0);
  EXPECT_EQ(formula::MolecularMass("\xC5\xCD\xC8", nullptr, nullptr, nullptr, nullptr), 0.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(EngineTest, EvaluationLeavesTextUnchanged) {
  LoadShipped();
  const char* text = "K4[Fe(CN)6]*3H2O";
  char copy[64];
  std::strcpy(copy, text);
  double atoms[200];
  formula::EvaluateFormula(copy, atoms, nullptr);
  EXPECT_STREQ(copy, text);
  EXPECT_EQ(atoms[Index("H")], 6.0);
}

TEST_F(EngineTest, CountsOnlyTheFirstCountEntries) {
  Load(TestData("letters.elt"));
  double atoms[200];
  for (double& a : atoms) a = -1.0;
  formula::EvaluateFormula("A2B", atoms, nullptr);
  EXPECT_EQ(atoms[0], 2.0);
  EXPECT_EQ(atoms[1], 1.0);
  EXPECT_EQ(atoms[6], 0.0);
  EXPECT_EQ(atoms[7], -1.0);  // entries from the count on are not touched
}

}  // namespace
}  // namespace formix::test
