// The formula pipeline: preparation of the text, loading on first use, the
// outputs of MolecularMass, and formulas that do not fit.
#include <string>

#include "formula/engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

using formula::MolecularMass;

double Mass(const char* formula) { return MolecularMass(formula, nullptr, nullptr, nullptr, nullptr); }

struct PrepareCase {
  const char* in;
  const char* out;
};

void PrintTo(const PrepareCase& c, std::ostream* os) { *os << '"' << c.in << '"'; }

class PrepareTest : public testing::TestWithParam<PrepareCase> {};

TEST_P(PrepareTest, SpacesThenBondMarks) {
  char text[formula::kWorkingTextSize];
  formula::PrepareText(GetParam().in, text);
  EXPECT_STREQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PrepareTest,
    testing::Values(PrepareCase{"CH3-CH2-OH", "CH3CH2OH"}, PrepareCase{"CH2=CH2", "CH2CH2"},
                    PrepareCase{"CH3-(CH2)2-CH3", "CH3-(CH2)2CH3"}, PrepareCase{"SO4-2", "SO42"},
                    PrepareCase{"-2H2O", "2H2O"}, PrepareCase{"H0,5", "H0.5"}, PrepareCase{"C-.5H", "C.5H"},
                    PrepareCase{"Cu SO4 * 5 H2O", "CuSO4*5H2O"}, PrepareCase{"C\tH", "C\tH"},
                    PrepareCase{"C-=-=N", "CN"}, PrepareCase{"C-=(N", "C-=(N"}, PrepareCase{"C-a", "C-a"},
                    PrepareCase{"C-", "C-"}, PrepareCase{"--", "--"}, PrepareCase{"\xD1\x4F", "CO"},
                    PrepareCase{"\xF1\xD1,", "cC."}, PrepareCase{"\xD2\xF2", "\xD2\xF2"}));

TEST_F(EngineTest, CyrillicEsReadsAsLatinC) {
  LoadShipped();
  EXPECT_TRUE(SameBits(Mass("\xD1\x4F"), Mass("CO")));
  EXPECT_TRUE(SameBits(Mass("\xD1\x61"), Mass("Ca")));
  // CH4 typed wholly in Cyrillic (ES, EN, 4): only the carbon counts.
  EXPECT_TRUE(SameBits(Mass("\xD1\xCD\x34"), M("C")));
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(EngineTest, BondMarksBeforeNumbersAreRemoved) {
  LoadShipped();
  double atoms[200];
  MolecularMass("SO4-2", nullptr, atoms, nullptr, nullptr);
  EXPECT_EQ(atoms[Index("O")], 42.0);
  MolecularMass("-2H2O", nullptr, atoms, nullptr, nullptr);
  EXPECT_EQ(atoms[Index("H")], 4.0);
  MolecularMass("H0,5", nullptr, atoms, nullptr, nullptr);
  EXPECT_EQ(atoms[Index("H")], 0.5);
}

TEST_F(EngineTest, SpacesAnywhereAreIgnored) {
  LoadShipped();
  EXPECT_TRUE(SameBits(Mass("Cu SO4 * 5 H2O"), Mass("CuSO4*5H2O")));
  EXPECT_EQ(Mass(""), 0.0);
  EXPECT_EQ(Mass("    "), 0.0);
  EXPECT_EQ(Mass(nullptr), 0.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(EngineTest, SingleSymbolIsItsAtomicMass) {
  LoadShipped();
  for (const char* s : {"H", "Cu", "Og", "U"}) EXPECT_EQ(Mass(s), M(s)) << s;
}

TEST_F(EngineTest, CopperSulfatePentahydrate) {
  LoadShipped();
  double mass = Mass("CuSO4*5H2O");
  EXPECT_NEAR(mass, 249.68, 0.005);
}

TEST_F(EngineTest, LoadsTablesOnFirstUse) {
  ASSERT_TRUE(refdata::SetMassPath(SourceData("mass.elt").c_str()));
  EXPECT_FALSE(refdata::Current().loaded);
  EXPECT_EQ(refdata::Current().element_count, 0);
  EXPECT_GT(Mass("H2O"), 18.0);
  EXPECT_TRUE(refdata::Current().loaded);
  EXPECT_EQ(refdata::Current().element_count, 118);
}

TEST_F(EngineTest, NoMassFileAnywhere) {
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  double contributions[200];
  double atoms[200];
  for (int i = 0; i < 200; ++i) contributions[i] = atoms[i] = 7.0;
  int count = -1;
  for (int call = 0; call < 3; ++call) {
    EXPECT_EQ(MolecularMass("H2O", contributions, atoms, &count, nullptr), 0.0);
    EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
  }
  EXPECT_EQ(count, 0);
  EXPECT_EQ(contributions[0], 7.0);  // arrays are left alone
  EXPECT_EQ(atoms[0], 7.0);
}

TEST_F(EngineTest, OutputsShareTheElementIndex) {
  LoadShipped();
  double contributions[200];
  double atoms[200];
  char buffers[200][4];
  char* symbols[200];
  for (int i = 0; i < 200; ++i) {
    contributions[i] = atoms[i] = 99.0;
    std::strcpy(buffers[i], "??");
    symbols[i] = buffers[i];
  }
  symbols[5] = nullptr;  // NULL entries are skipped
  int count = 0;
  double mass = MolecularMass("Na2CO3", contributions, atoms, &count, symbols);
  EXPECT_EQ(count, 118);
  double sum = 0.0;
  for (int i = 0; i < 200; ++i) {
    if (i >= count) {
      EXPECT_EQ(contributions[i], 0.0) << "all 200 contributions are cleared";
      EXPECT_EQ(atoms[i], 99.0) << "atoms past the count are not touched";
      EXPECT_STREQ(buffers[i], "??");
      continue;
    }
    if (i != 5) {
      EXPECT_STREQ(buffers[i], refdata::Current().symbols[i]);
    }
    EXPECT_EQ(contributions[i], atoms[i] * refdata::Current().masses[i]);
    sum += contributions[i];
  }
  EXPECT_STREQ(buffers[5], "??");
  EXPECT_EQ(atoms[Index("Na")], 2.0);
  EXPECT_EQ(atoms[Index("C")], 1.0);
  EXPECT_EQ(atoms[Index("O")], 3.0);
  EXPECT_NEAR(sum, mass, 1e-12);
}

TEST_F(EngineTest, FormulaOfTheWorkingTextsLength) {
  LoadShipped();
  std::string fits = "C" + std::string(217, ' ') + "2";
  ASSERT_EQ(fits.size(), 219u);
  EXPECT_EQ(Mass(fits.c_str()), 2 * M("C"));
  EXPECT_TRUE(recorder_.events().empty());

  std::string too_long = fits + "H";
  double atoms[200];
  for (double& a : atoms) a = 5.0;
  int count = 0;
  EXPECT_EQ(MolecularMass(too_long.c_str(), nullptr, atoms, &count, nullptr), 0.0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(TooComplexText(fits), kAnalysisCaption)}));
  EXPECT_EQ(count, 118);
  EXPECT_EQ(atoms[0], 0.0);  // cleared as for an empty formula

  // Too long however it ends: in a number, a symbol's small letters.
  for (const std::string& longer : {"C" + std::string(219, '2'), std::string(218, 'H') + "e1"}) {
    EXPECT_EQ(Mass(longer.c_str()), 0.0) << longer.size();
    EXPECT_EQ(recorder_.Take(),
              (std::vector<Event>{Message(TooComplexText(longer.substr(0, 219)), kAnalysisCaption)}));
  }
}

TEST_F(EngineTest, FormulaOfAMegabyte) {
  LoadShipped();
  std::string huge(1 << 20, 'H');
  EXPECT_EQ(Mass(huge.c_str()), 0.0);
  ASSERT_EQ(recorder_.events().size(), 1u);
  EXPECT_EQ(recorder_.events()[0].text, TooComplexText(huge.substr(0, 219)));
}

TEST_F(EngineTest, CallerTextIsNeverWritten) {
  LoadShipped(TestData("organic.gps"));
  const std::string original = "\xD1u SO4 * 5 H2O-Ph";
  std::string copy = original;
  Mass(copy.c_str());
  EXPECT_EQ(copy, original);
}

}  // namespace
}  // namespace formix::test
