// Formulas as people paste them: the number the reading layer gives (worked
// out by hand as atoms times the shipped atomic masses, electrons for ions)
// and what it says about each, kind and byte offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shipped_context.h"
#include "toolkit/compound/compound.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

struct Case {
  std::string text;
  const char* atoms;  // "Cu1 S1 O9 H10"; nullptr: no number expected
  int charge;
  std::vector<std::string> diagnostics;  // "severity:code@offset", any order
  const char* says = "";                 // a piece of some message
};

const Case kCases[] = {
    // The middle-dot family, hydrates and adducts.
    {"CuSO4*5H2O", "Cu1 S1 O9 H10", 0, {}},
    {"CuSO4\u00B75H2O", "Cu1 S1 O9 H10", 0, {"note:middle-dot@5"}},
    {"CuSO4\u20225H2O", "Cu1 S1 O9 H10", 0, {"note:middle-dot@5"}},
    {"CuSO4\u22195H2O", "Cu1 S1 O9 H10", 0, {"note:middle-dot@5"}},
    {"CuSO4\u22C55H2O", "Cu1 S1 O9 H10", 0, {"note:middle-dot@5"}},
    {"Na2CO3\u00B710H2O", "Na2 C1 O13 H20", 0, {"note:middle-dot@6"}},
    {"CuSO4.5H2O", "Cu1 S1 O5.5 H2", 0, {"warning:hydrate-dot@4"}, "write CuSO4*5H2O"},
    {"CuSO4 5H2O", "Cu1 S1 O46 H2", 0, {"warning:joined-digits@4"}, "read as the one number 45"},
    {"CaSO4*1/2H2O", "Ca1 S1 O4.5 H1", 0, {"note:fraction@6"}},
    {"1/2H2O", "H1 O0.5", 0, {"note:fraction@0"}},
    {"CaSO4*1/0H2O", nullptr, 0, {"error:fraction@6"}},
    {"C1.5H3O", "C1.5 H3 O1", 0, {}},
    {"La0.7Sr0.3MnO3", "La0.7 Sr0.3 Mn1 O3", 0, {}},
    // Subscripts, spaces, dashes, bonds.
    {"H\u2082O", "H2 O1", 0, {"note:subscript@1"}},
    {"C\u2086H\u2081\u2082O\u2086", "C6 H12 O6", 0, {"note:subscript@1"}, "(4 places)"},
    {"Na\u00A0Cl", "Na1 Cl1", 0, {"note:space@2"}},
    {"CH3\u2013CH3", "C2 H6", 0, {"note:dash@3"}},
    {"CH3\u2212CH2\u2212OH", "C2 H6 O1", 0, {"note:dash@3"}},
    {"HC\u2261CH", "C2 H2", 0, {"note:bond@2"}},
    {"CH2=CH2", "C2 H4", 0, {}},
    {"\xD0\xA1uSO4", "Cu1 S1 O4", 0, {"note:cyrillic@0"}},
    {"C1,5H3", "C1.5 H3", 0, {"note:decimal-comma@2"}},
    // Charges.
    {"SO4^2-", "S1 O4", -2, {"note:charge@3"}},
    {"SO4\u00B2\u207B", "S1 O4", -2, {"note:charge@3"}},
    {"SO4(2-)", "S1 O4", -2, {"note:charge@3"}},
    {"NH4+", "N1 H4", 1, {"note:charge@3"}},
    {"NH4\u207A", "N1 H4", 1, {"note:charge@3"}},
    {"H3O+", "H3 O1", 1, {"note:charge@3"}},
    {"OH-", "O1 H1", -1, {"note:charge@2"}},
    {"Cu^2+", "Cu1", 2, {"note:charge@2"}},
    {"Fe(3+)", "Fe1", 3, {"note:charge@2"}},
    {"Cu++", "Cu1", 2, {"note:charge@2"}},
    {"[Fe(CN)6]3-", "Fe1 C6 N6", -3, {"note:charge@9"}},
    {"[Fe(CN)6]4\u2212", "Fe1 C6 N6", -4, {"note:charge@9"}},
    {"[Cu(NH3)4]2+", "Cu1 N4 H12", 2, {"note:charge@10"}},
    {"SO42-", "S1 O42", 0, {"warning:ambiguous-charge@2"}, "SO4 with the charge 2-"},
    {"SO4-2", "S1 O42", 0, {"warning:ambiguous-charge@3"}, "SO4 with the charge 2-"},
    {"Fe3+", "Fe3", 0, {"warning:ambiguous-charge@2"}, "Fe with the charge 3+"},
    {"O2-", "O2", 0, {"warning:ambiguous-charge@1"}},
    // Letter case.
    {"co", nullptr, 0, {"error:no-element@0"}, "did you mean 'Co'?"},
    {"nacl", nullptr, 0, {"error:no-element@0"}, "did you mean 'NaCl'?"},
    {"h2o", nullptr, 0, {"error:no-element@0"}, "did you mean 'H2O'?"},
    {"co(NO3)2", "N2 O6", 0, {"warning:ignored@0"}, "did you mean 'Co'?"},
    {"NaCL", nullptr, 0, {"error:unknown-element@3"}},
    // Element symbols that are also abbreviations.
    {"AcOH", "Ac1 O1 H1", 0, {"warning:abbreviation@0"}, "acetyl"},
    {"TsCl", "Ts1 Cl1", 0, {"warning:abbreviation@0"}, "tosyl"},
    {"Pr3N", "Pr3 N1", 0, {"warning:abbreviation@0"}, "propyl"},
    {"iPr2NEt", "Pr2 N1 C2 H5", 0, {"warning:ignored@0", "warning:abbreviation@1"}},
    {"ArOH", "Ar1 O1 H1", 0, {"warning:abbreviation@0"}},
    {"Ph2CO", "C13 H10 O1", 0, {}},
    // Brackets, parts and numbers.
    {"(H2O", "H2 O1", 0, {"warning:unbalanced-brackets@0"}},
    {"H2O)2", "H4 O2", 0, {"warning:unbalanced-brackets@3"}},
    {"CuSO4**5H2O", "Cu1 S1 O9 H10", 0, {"warning:empty-part@5"}},
    {"C2H5OH*", "C2 H6 O1", 0, {"warning:empty-part@6"}},
    {"CuSO4*5", "Cu1 S1 O4", 0, {"warning:empty-part@5"}, "nothing to multiply"},
    {"H2O.", "H2", 0, {"warning:zero-multiplier@3"}},
    {"H2e1O", "H20 O1", 0, {"warning:exponent@1"}},
    {"(2H2O)", "H2 O1", 0, {"warning:ignored@1"}},
    // Text the engine passes over, and text it cannot take.
    {"NaCl+KCl", "Na1 Cl2 K1", 0, {"warning:ignored@4"}, "formix react"},
    {"H2O#", "H2 O1", 0, {"warning:ignored@3"}},
    {"H\u2192O", "H1 O1", 0, {"warning:ignored@1"}, "U+2192"},
    {"*H2O", "H2 O1", 0, {"warning:ignored@0"}},
    {"HXx", nullptr, 0, {"error:unknown-element@1"}},
    {"", nullptr, 0, {"error:no-element@0"}, "empty"},
    {"   ", nullptr, 0, {"error:no-element@0"}},
    {std::string("Na\0Cl", 5), nullptr, 0, {"error:nul@2"}},
    {"H\xFF", nullptr, 0, {"error:invalid-utf8@1"}, "0xFF"},
    {"\xC0\xAF", nullptr, 0, {"error:invalid-utf8@0"}, "0xC0"},
    {"\xED\xA0\x80", nullptr, 0, {"error:invalid-utf8@0"}},  // a surrogate
    {std::string(220, 'H'), nullptr, 0, {"error:too-long@0"}},
    {std::string(4097, 'H'), nullptr, 0, {"error:too-long@0"}, "4097 bytes"},                // refused unread
    {std::string(4096, 'H'), nullptr, 0, {"error:too-long@0"}, "in the engine's notation"},  // 4096: read
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

const char* const kSeverities[] = {"note", "warning", "error"};

class ReadingTest : public testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    context_ = ShippedContext();
    ASSERT_NE(context_, nullptr);
  }
  static void TearDownTestSuite() { context_.reset(); }

  static inline std::unique_ptr<Context> context_;
};

TEST_P(ReadingTest, NumberAndDiagnostics) {
  const Case& c = GetParam();
  Reading r = Read(*context_, c.text.data(), c.text.size());
  std::vector<std::string> said;
  std::string messages;
  for (const Diagnostic& d : r.diagnostics) {
    said.push_back(std::string(kSeverities[d.severity]) + ":" + d.code + "@" + std::to_string(d.offset));
    messages += d.message + "\n";
    EXPECT_LE(d.offset + d.length, c.text.size()) << d.message;
  }
  std::vector<std::string> expected = c.diagnostics;
  std::sort(said.begin(), said.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(said, expected) << messages;
  EXPECT_NE(messages.find(c.says), std::string::npos) << messages;
  EXPECT_EQ(r.charge, c.charge);
  if (c.atoms == nullptr) {
    EXPECT_FALSE(r.has_value);
    EXPECT_TRUE(std::isnan(r.molar_mass));
    return;
  }
  ASSERT_TRUE(r.has_value) << messages;
  const double expected_mass = AtomsByHand(*context_, c.atoms, c.charge);
  EXPECT_NEAR(r.molar_mass, expected_mass, 1e-9 * expected_mass);
}

INSTANTIATE_TEST_SUITE_P(Pasted, ReadingTest, testing::ValuesIn(kCases));

TEST(ReadingRules, HillFormulas) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  // Hill's order, worked out by hand: carbon, hydrogen, then alphabetical;
  // without carbon everything alphabetical.
  const struct {
    const char *formula, *hill, *empirical;
  } kRows[] = {
      {"CH3CH2OH", "C2H6O", "C2H6O"},
      {"C6H12O6", "C6H12O6", "CH2O"},
      {"H2SO4", "H2O4S", "H2O4S"},
      {"HCl", "ClH", "ClH"},
      {"NaCl", "ClNa", "ClNa"},
      {"CCl4", "CCl4", "CCl4"},
      {"CuSO4*5H2O", "CuH10O9S", "CuH10O9S"},
      {"K4[Fe(CN)6]", "C6FeK4N6", "C6FeK4N6"},
      {"SO4^2-", "O4S^2-", "O4S"},
      {"NH4+", "H4N^+", "H4N"},
      {"C1.5H3", "C1.5H3", ""},
      {"Ph2CO", "C13H10O", "C13H10O"},
      {"C2H4O2", "C2H4O2", "CH2O"},
  };
  for (const auto& row : kRows) {
    Reading r = Read(*context, row.formula, std::strlen(row.formula));
    EXPECT_EQ(r.hill, row.hill) << row.formula;
    EXPECT_EQ(r.empirical, row.empirical) << row.formula;
  }
  EXPECT_EQ(Read(*context, "NaXx", 4).hill, "");  // no number, no formula
}

TEST(ReadingRules, IsotopeLabels) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  // A label counts at its isotope's mass (AME2020: 13C 13.00335483534 u,
  // 2H 2.014101777844 u) in the average mass too, and keeps its label.
  // Its row follows the Hill line (a label right after its element, and
  // carbon for the carbon rule), and an elemental analysis counts it as
  // its element.
  const struct {
    const char *formula, *hill, *rows, *analysed;
    double mass;
  } kRows[] = {
      {"[13C]H4", "[13C]H4", "[13C] H", "C H", 13.00335483534 + 4 * 1.008},
      {"¹³CH4", "[13C]H4", "[13C] H", "C H", 13.00335483534 + 4 * 1.008},
      {"C5[13C]H12O6", "C5[13C]H12O6", "C [13C] H O", "C H",
       5 * 12.011 + 13.00335483534 + 12 * 1.008 + 6 * 15.999},
      {"D2O", "D2O", "D O", "H", 2 * 2.014101777844 + 15.999},
      {"HDO", "HDO", "H D O", "H", 1.008 + 2.014101777844 + 15.999},
      {"CD3OD", "CD4O", "C D O", "C H", 12.011 + 4 * 2.014101777844 + 15.999},
      {"[15N]H4Cl", "ClH4[15N]", "Cl H [15N]", "H N", 35.45 + 15.00010889827 + 4 * 1.008},
      {"DMF", "C3H7NO", "C H N O", "C H N", 3 * 12.011 + 7 * 1.008 + 14.007 + 15.999},  // the group
  };
  for (const auto& row : kRows) {
    Reading r = Read(*context, row.formula, std::strlen(row.formula));
    ASSERT_TRUE(r.has_value) << row.formula;
    EXPECT_EQ(r.hill, row.hill) << row.formula;
    EXPECT_NEAR(r.molar_mass, row.mass, 1e-9) << row.formula;
    std::string rows, analysed;
    for (std::size_t i : r.hill_order) rows += (rows.empty() ? "" : " ") + r.elements[i].symbol;
    EXPECT_EQ(rows, row.rows) << row.formula;
    for (const std::string& e : AnalyzeElements(*context, r, "", "", 0.4, 0).elements) {
      analysed += (analysed.empty() ? "" : " ") + e;
    }
    EXPECT_EQ(analysed, row.analysed) << row.formula;
  }
  Reading c14 = Read(*context, "[14C]O2", 7);
  EXPECT_FALSE(c14.has_value);  // not in the isotope list
  EXPECT_EQ(c14.diagnostics[0].code, "unknown-isotope");
}

TEST(ReadingRules, AbbreviationListAndCaseSuggestions) {
  auto list = ParseAbbreviations("# comment\r\nAc\tactinium\tacetyl\r\n\nPr\tpraseodymium\nbad line\n");
  ASSERT_EQ(list.size(), 1u);  // a line with two fields is no entry
  EXPECT_EQ(list[0].meaning, "acetyl");
  int status = 0;
  auto context = MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", nullptr, &status);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(CaseSuggestion(*context, "co(NO3)2"), "Co(NO3)2");
  EXPECT_EQ(CaseSuggestion(*context, "kcl"), "KCl");  // longer symbols first, backtracking
  EXPECT_EQ(CaseSuggestion(*context, "xq"), "");      // no split into symbols
  EXPECT_EQ(CaseSuggestion(*context, "NaCl"), "");    // nothing to change
  EXPECT_EQ(MakeContext("no-such.elt", nullptr, &status), nullptr);
  EXPECT_EQ(MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", "no-such.gps", &status), nullptr);
  EXPECT_EQ(MakeContext(std::string(256, 'x').c_str(), nullptr, &status), nullptr);
  // The lists from a folder named: every list read from there, or none there at all.
  auto named = MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", nullptr, &status, FORMIX_SOURCE_DATA_DIR);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->list_files[kAdductsFile], FORMIX_SOURCE_DATA_DIR "/adducts.txt");
  EXPECT_EQ(named->adducts.size(), context->adducts.size());
  EXPECT_EQ(MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", nullptr, &status, FORMIX_TEST_DATA_DIR), nullptr);
  EXPECT_EQ(status, FORMIX_LISTS_NOT_FOUND);
}

}  // namespace
}  // namespace formix::toolkit
