// The toolkit against the module's engine on the generated formulas: for a
// formula already in the engine's notation (nothing rewritten, no charge)
// the molar mass and every per-element result are the same to the bit, and
// whatever the engine reported is an error or a note of the reading.
#include <gtest/gtest.h>

#include <cstring>

#include "formix32.h"
#include "formula/engine.h"
#include "formula_generator.h"
#include "refdata/tables.h"
#include "shipped_context.h"
#include "toolkit/api/api.h"
#include "toolkit/base/base.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/hill.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

int g_reports = 0;
void FORMIX32_CALL CountMessage(const char*, const char*, void*) { ++g_reports; }
void FORMIX32_CALL IgnoreBeep(void*) {}

TEST(ToolkitDifferential, SameBitsAsTheEngineOnGeneratedFormulas) {
  const std::string masses = FORMIX_SOURCE_DATA_DIR "/mass.elt";
  const std::string groups = FORMIX_TEST_DATA_DIR "/tangled.gps";
  ASSERT_TRUE(refdata::SetMassPath(masses.c_str()));
  ASSERT_TRUE(refdata::SetGroupPath(groups.c_str()));
  SetNotifier(&CountMessage, &IgnoreBeep, nullptr);
  ASSERT_TRUE(refdata::LoadTables());
  int status = 0;
  auto context = MakeContext(masses.c_str(), groups.c_str(), &status);
  ASSERT_NE(context, nullptr);

  std::mt19937 rng(7);
  double contributions[200], atoms[200];
  int compared = 0;
  for (int k = 0; k < 50000; ++k) {
    const std::string formula = test::RandomFormula(rng);
    if (formula.find('\0') != std::string::npos) continue;
    g_reports = 0;
    const double mass = formula::MolecularMass(formula.c_str(), contributions, atoms, nullptr, nullptr);
    const std::string utf8 = Cp1251ToUtf8(formula.c_str());
    const Reading r = Read(*context, utf8.data(), utf8.size());
    if (r.charge != 0 || r.text != utf8) continue;  // rewritten: another formula
    if (g_reports > 0) {
      ASSERT_TRUE(r.Worst() == kError || (r.has_value && SameBits(r.molar_mass, mass))) << formula;
    }
    if (!r.has_value) continue;
    ++compared;
    ASSERT_TRUE(SameBits(r.molar_mass, mass)) << '"' << formula << "\" " << r.molar_mass << " vs " << mass;
    std::size_t e = 0;
    for (int i = 0; i < context->tables.element_count; ++i) {
      if (atoms[i] == 0.0) continue;
      ASSERT_LT(e, r.elements.size()) << formula;
      ASSERT_EQ(r.elements[e].index, i) << formula;
      ASSERT_TRUE(SameBits(r.elements[e].atoms, atoms[i])) << formula;
      ASSERT_TRUE(SameBits(r.elements[e].mass, contributions[i])) << formula;
      ++e;
    }
    ASSERT_EQ(e, r.elements.size()) << formula;
  }
  EXPECT_GT(compared, 10000);  // the comparison is not vacuous
  SetNotifier(nullptr, nullptr, nullptr);
  refdata::ResetForTesting();
}

// The reader's shortcut for plain formulas: wherever it answers, the full
// reading says nothing and gives the same reading, to the bit.  Formulas from pieces that
// the shortcut must turn away (abbreviations, labels, leading zeros,
// groups, empty brackets, stray '*', unknown symbols) and pieces it takes.
TEST(ToolkitDifferential, PlainShortcutAgreesWithTheReading) {
  const auto context = ShippedContext();
  static const char* const kPieces[] = {"C",  "H2", "O",  "N3", "Cu",  "Fe",  "Cl4", "(",   ")",  ")2",
                                        "[",  "]3", "{",  "}",  "*",   "*5",  "Ac",  "Pr",  "D",  "T",
                                        "Xx", "0",  "10", "e",  "Ph",  "en",  "1",   "-",   " ",  "Na",
                                        "S",  "12", "*0", "Me", "OAc", "Boc", "Ms",  "Tos", "Mes"};
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> piece(0, sizeof kPieces / sizeof kPieces[0] - 1), length(1, 12);
  int taken = 0;
  for (int k = 0; k < 40000; ++k) {
    std::string formula = "C";
    for (int n = length(rng); n > 0; --n) formula += kPieces[piece(rng)];
    if (k % 2 == 0) formula.erase(0, 1);
    double mass = 0.0;
    if (!ReadPlain(*context, formula.data(), formula.size(), &mass)) continue;
    ++taken;
    const Reading r = ReadInFull(*context, formula.data(), formula.size());
    ASSERT_TRUE(r.diagnostics.empty()) << formula << ": " << r.diagnostics[0].code;
    ASSERT_EQ(r.charge, 0) << formula;
    ASSERT_TRUE(r.has_value && SameBits(r.molar_mass, mass)) << formula;
    const Reading quick = Read(*context, formula.data(), formula.size());
    ASSERT_TRUE(SameBits(quick.molar_mass, r.molar_mass) && SameBits(quick.neutral_mass, r.neutral_mass));
    ASSERT_EQ(quick.text, r.text);
    ASSERT_EQ(quick.hill, r.hill);
    ASSERT_EQ(quick.empirical, r.empirical);
    std::vector<std::pair<std::string, double>> counts;  // the general Hill order, by strings
    for (const ElementShare& e : r.elements) counts.emplace_back(e.symbol, e.atoms);
    ASSERT_EQ(HillFormula(counts, 0, false), r.hill) << formula;
    ASSERT_EQ(HillFormula(counts, 0, true), r.empirical) << formula;
    // Its JSON object, to the byte, as the documents write the reading.
    std::string plain_json, full_json;
    ASSERT_TRUE(WritePlainReading(*context, formula.data(), formula.size(), plain_json)) << formula;
    JsonWriter writer(full_json);
    WriteReading(writer, r, formula, 0);
    ASSERT_EQ(plain_json, full_json);
    ASSERT_EQ(quick.elements.size(), r.elements.size()) << formula;
    for (std::size_t e = 0; e < r.elements.size(); ++e) {
      const ElementShare &a = quick.elements[e], &b = r.elements[e];
      ASSERT_TRUE(a.index == b.index && a.symbol == b.symbol && SameBits(a.atoms, b.atoms) &&
                  SameBits(a.mass, b.mass) && SameBits(a.percent, b.percent))
          << formula;
    }
  }
  EXPECT_GT(taken, 1000);  // the shortcut is taken
}

}  // namespace
}  // namespace formix::toolkit
