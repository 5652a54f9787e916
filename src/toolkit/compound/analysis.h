// analysis.h -- elemental analysis calculated against found: the journal's
// Calcd and Found lines, the verdict at a tolerance, and solvate fits.
#ifndef FORMIX_TOOLKIT_ANALYSIS_H
#define FORMIX_TOOLKIT_ANALYSIS_H

#include <string>
#include <utility>
#include <vector>

#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

struct SolvateFit {
  std::string label;                                     // C20H25NO3·0.25H2O
  std::vector<std::pair<std::string, double>> solvents;  // formula (Hill), amount
  std::vector<double> calcd;                             // percent of each analysed element
  double worst = 0.0;                                    // largest |found - calcd|
  std::string calcd_line;
};

struct ElementalAnalysis {
  std::string error;                  // why nothing could be calculated ("" when fine)
  std::string formula;                // the compound's Hill formula
  std::vector<std::string> elements;  // analysed, in Hill order
  std::vector<double> calcd;          // percent
  std::vector<double> found;          // percent, NaN where not given
  bool has_found = false;
  double tolerance = FORMIX_DEFAULT_TOLERANCE;
  bool within = true;  // every found value within the tolerance
  std::string calcd_line, found_line;
  std::vector<SolvateFit> fits;  // best first
};

// The most solvate fits reported.
constexpr std::size_t kMaxFits = 10;

// Calculates the analysis of the compound `reading` read over `context`.
//   elements: "C,H,N" (symbols separated by commas or spaces), or "" for C,
//     H, N and S as far as the compound holds them (the found values' own
//     elements when found values are given);
//   found: "C=73.21,H=7.75,N=4.22", or "";
//   solvents: 0, or 1 or 2 to fit that many solvents at once (amounts 0.05
//     to 2 in steps of 0.05, solvents from the context's list).
ElementalAnalysis AnalyzeElements(const Context& context, const Reading& reading, const std::string& elements,
                                  const std::string& found, double tolerance, int solvents);

// Atom ratios from found values, and the formulas that fit them.
struct FormulaCandidate {
  std::string formula;        // (formula species in brackets): C20H25NO3
  std::vector<long> counts;   // of each species
  std::vector<double> calcd;  // percent of each species
  double worst = 0.0;         // largest |found - calcd|, percent
  double molar_mass = 0.0;
  std::string calcd_line;
};

struct RatioAnalysis {
  std::string error;                  // a usage error ("" when fine)
  std::vector<std::string> warnings;  // numbers given, perhaps not the ones meant
  std::vector<std::string> species;   // as given, the one by difference last
  std::vector<double> fractions;      // as given (percent or mass fraction)
  std::vector<double> molar_masses;
  std::vector<double> ratios;  // smallest 1, or atoms in a unit of the molar mass, or the reference's count
  int multiplier = 1;          // the nearest formula's factor
  std::vector<long> whole;     // the nearest formula's counts
  std::string nearest;         // the nearest formula
  std::vector<FormulaCandidate> candidates;  // best first
};

// `found`: species (element symbols or formulas) and their percentages or
// mass fractions; `by_difference`: a species whose share is the rest to
// 100 % (or 1), "" for none; `total`: the molar mass to scale to (NaN:
// none); `reference`/`reference_count`: scale so that that species has that
// many atoms ("" for none); `tolerance`: percent, for the sum check.
RatioAnalysis AnalyzeRatios(const Context& context, const std::vector<std::pair<std::string, double>>& found,
                            const std::string& by_difference, double total, const std::string& reference,
                            double reference_count, double tolerance);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_ANALYSIS_H
