// The chemical rules against real compounds of every class a formula
// search meets: each must survive the default rules (the formulas are the
// compounds' published ones), and the ratio sets differ where they should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shipped_context.h"
#include "toolkit/compound/compound.h"
#include "toolkit/ms/exact.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

std::string Judge(const Context& context, const std::string& formula, RuleChoice choice) {
  const Reading r = Read(context, formula.data(), formula.size());
  std::vector<std::string> symbols;
  std::vector<int> counts;
  for (const ElementShare& e : r.elements) {
    symbols.push_back(e.symbol);
    counts.push_back(static_cast<int>(e.atoms));
  }
  return BrokenRule(symbols, counts, 0, false, choice, SpeciesExact(context, r).monoisotopic);
}
std::string Judge(const Context& context, const std::string& formula, RatioSet ratios) {
  return Judge(context, formula, RuleChoice{ratios});
}

TEST(ChemicalRules, RealCompoundsOfEveryClassSurvive) {
  const auto context = ShippedContext();
  const char* const kKept[] = {
      // drugs
      "C8H10N4O2", "C13H18O2", "C8H9NO2", "C4H11N5", "C9H8O4", "C18H26ClN3", "C17H18F3NO", "C22H30N6O4S",
      "C33H35FN2O5",
      // natural products
      "C15H10O7", "C27H46O", "C17H19NO3", "C66H75Cl2N9O24", "C15H22O5",
      // pesticides
      "C3H8NO5P", "C14H9Cl5", "C8H14ClN5", "C6H6Cl6", "C9H11Cl3NO3PS",
      // PFAS
      "C8HF15O2", "C8HF17O3S", "C8F18",
      // halocarbons and PCBs: chloroform, bromoform, iodoform, CCl4, CH2Cl2, C2Cl4, C2Cl6, halothane,
      // hexachlorobenzene, PCB-153, PCB-209
      "CHCl3", "CHBr3", "CHI3", "CCl4", "CH2Cl2", "C2Cl4", "C2Cl6", "C2HBrClF3", "C6Cl6", "C12H4Cl6",
      "C12Cl10",
      // phosphonates and sulfonates: etidronic, clodronic and alendronic acid, foscarnet, fosfomycin,
      // taurine, methanesulfonic and methanedisulfonic acid
      "C2H8O7P2", "CH4Cl2O6P2", "C4H13NO7P2", "CH3O5P", "C3H7O4P", "C2H7NO3S", "CH4O3S", "CH4O6S2",
      // organometallics: ferrocene, methylmercury chloride, tributyltin chloride
      "C10H10Fe", "CH3ClHg", "C12H27ClSn",
      // peptides, lipids, nucleotides, sugars, small molecules
      "C10H17N3O6S", "C42H82NO8P", "C51H98O6", "C10H16N5O13P3", "C12H22O11", "CH4N2O", "CH4O", "CH5N3",
      "CH2N4", "C2H2O4"};
  for (const char* formula : kKept) {
    EXPECT_EQ(Judge(*context, formula, RatioSet::kExtended), "") << formula;
  }
  // The common ranges: glyphosate's P/C 0.33 is past 0.3, etidronic acid's H/C 4 past 3.1; none: the
  // ratios alone removed CH7N3 (H/C 7; DBE 0, LEWIS and SENIOR hold).
  EXPECT_EQ(Judge(*context, "C3H8NO5P", RatioSet::kCommon), "p/c");
  EXPECT_EQ(Judge(*context, "C2H8O7P2", RatioSet::kCommon), "h/c");
  EXPECT_EQ(Judge(*context, "C8H10N4O2", RatioSet::kCommon), "");
  EXPECT_EQ(Judge(*context, "CH7N3", RatioSet::kExtended), "h/c");
  EXPECT_EQ(Judge(*context, "CH7N3", RatioSet::kNone), "");
}

// The element counts by mass range, against CDK 2.8's MMElementRule run on
// the same formulas at the range of their monoisotopic mass (a formula it
// has no limit for, Si in the DNP's, is kept; above the last range, and
// above 2000 u for Wiley, there is none).
TEST(ChemicalRules, ElementLimitsByMassAgreeWithCdk) {
  const auto context = ShippedContext();
  const struct {
    const char* formula;
    const char *dnp, *wiley;  // "" kept, else the rule
  } kRows[] = {
      {"C30H50O2", "c-limit", ""},  // 442 u: DNP C <= 29, Wiley 39
      {"C29H50O2", "", ""},
      {"C8HF17O3S", "f-limit", "f-limit"},  // PFOS, 499.94 u: F 15 and 16
      {"C8F18", "f-limit", "f-limit"},
      {"C8HF15O2", "", ""},
      {"C12Cl10", "cl-limit", ""},  // DNP Cl <= 8 below 500 u, Wiley 10
      {"C6HBr5O", "", "br-limit"},  // Wiley Br <= 4 below 500 u, DNP 5
      {"C6H2Br4O", "", ""},
      {"C66H75Cl2N9O24", "", ""},
      {"C21H36N7O16P3S", "", ""},
      {"C18H54O9Si9", "", ""},          // Wiley Si <= 14 below 1000 u
      {"C40H81N21O10", "", "n-limit"},  // Wiley N <= 20 at every mass
      {"C70H100N22O30", "", "n-limit"},
      {"C120H200N30O40", "", ""},         // 2701 u
      {"C120H220N30O40", "h-limit", ""},  // DNP H <= 208 below 3000 u (236 below 2000)
      {"C257H383N65O77S6", "", ""},       // insulin, 5804 u
      {"C10H10Fe", "", ""},
  };
  for (const auto& row : kRows) {
    EXPECT_EQ(Judge(*context, row.formula, RuleChoice{RatioSet::kNone, ElementLimits::kDnp}), row.dnp)
        << row.formula;
    EXPECT_EQ(Judge(*context, row.formula, RuleChoice{RatioSet::kNone, ElementLimits::kWiley}), row.wiley)
        << row.formula;
  }
}

// The HNOPS check, each of its five conditions at and past its bounds
// (hydrogens chosen for a whole DBE, so that no other rule removes them).
TEST(ChemicalRules, HnopsCheck) {
  const auto context = ShippedContext();
  const struct {
    const char* formula;
    bool removed;
  } kRows[] = {
      {"C21H36N7O16P3S", false},                              // coenzyme A: S 1
      {"C10H16N5O13P3", false},                               // ATP: P 3, not above
      {"C20H29N3O10P2S2", false}, {"C20H29N3O10P2S3", true},  // N, O, P, S above 1: S < 3
      {"C20H30N4O10P4", false},   {"C20H30N4O10P6", true},    // N, O, P above 3: P < 6
      {"C20H30N4O21P4", false},   {"C20H30N4O22P4", true},    // O < 22
      {"C20H30O13P2S2", false},   {"C20H30O14P2S2", true},    // O, P, S above 1: O < 14
      {"C20H29N3O5P2S2", false},  {"C20H30N4O5P2S2", true},   // P, S, N above 1: N < 4
      {"C30H40N8O13S7", false},   {"C30H40N8O14S7", true},    // N, O, S above 6: O < 14
      {"C30H40N8O12S8", true},                                // S < 8
  };
  for (const auto& row : kRows) {
    RuleChoice choice{RatioSet::kNone};
    choice.hnops = true;
    EXPECT_EQ(Judge(*context, row.formula, choice), row.removed ? "hnops" : "") << row.formula;
    EXPECT_EQ(Judge(*context, row.formula, RatioSet::kNone), "") << row.formula;
  }
}

}  // namespace
}  // namespace formix::toolkit
