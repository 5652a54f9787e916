// The chemical rules against real compounds of every class a formula
// search meets: each must survive the default rules (the formulas are the
// compounds' published ones), and the ratio sets differ where they should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shipped_context.h"
#include "toolkit/compound/compound.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

std::string Judge(const Context& context, const std::string& formula, RatioSet ratios) {
  const Reading r = Read(context, formula.data(), formula.size());
  std::vector<std::string> symbols;
  std::vector<int> counts;
  for (const ElementShare& e : r.elements) {
    symbols.push_back(e.symbol);
    counts.push_back(static_cast<int>(e.atoms));
  }
  return BrokenRule(symbols, counts, 0, false, ratios);
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

}  // namespace
}  // namespace formix::toolkit
