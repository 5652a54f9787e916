// find.h -- formulas from an accurate mass: every combination of element
// counts, each within its range, whose monoisotopic mass (or the m/z of
// its ion) lies within a tolerance of a found one (the change-making
// problem over element masses), held to the chemical rules and, with
// found isotope peaks, scored against its isotope pattern.
#ifndef FORMIX_TOOLKIT_FIND_H
#define FORMIX_TOOLKIT_FIND_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formix.h"
#include "toolkit/compound/compound.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/pattern.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// An element of the search: its symbol as written (C, D, [13C]), the mass
// it counts at (u), and the fewest and most atoms a candidate may hold.
struct ElementRange {
  std::string symbol;
  double mass;
  int least, most;
};

struct MassCandidate {
  std::vector<int> counts;  // in the order of the ranges
  double mass;              // the sum of counts times masses, u
};

// The steps (nodes of the search and table entries looked at) a query may
// take (each formula in the window counted as 8): about a second or two.  A query that needs more stops and
// says its list may be incomplete.
constexpr double kMaxFindSteps = 2e8;
// The candidates listed unless asked otherwise, and the most scored
// against found peaks (the closest in mass first), their patterns' work
// at most that of a few hundred patterns of large molecules (about a
// second): the rest are listed unscored, with a warning.
constexpr std::size_t kDefaultFindLimit = FORMIX_DEFAULT_FIND_LIMIT;
constexpr std::size_t kMaxFindScored = 100000;
constexpr double kMaxFindScoreWork = 2e8;
// The ranges searched unless others are given: organic work.
inline constexpr char kDefaultFindElements[] = FORMIX_DEFAULT_FIND_ELEMENTS;

// Every candidate with |mass - target| <= tolerance, in no particular
// order, up to `limit` of them; `*more` (when not NULL) is set to whether
// there were more than `limit`.  The search is bounded element by element:
// with the elements in descending mass, the count of each runs only over
// the values for which the elements after it can still reach the window,
// and the last element's count is solved by division, so the work grows
// with the candidates found, not with the product of the ranges.
std::vector<MassCandidate> FindByMass(const std::vector<ElementRange>& ranges, double target,
                                      double tolerance, std::size_t limit, bool* more);

// Element ranges as chemists write them: "C0-60H0-120N0-10O0-20S0-4",
// each a symbol (an element of the isotope list, D, T or a label such as
// [13C]) and its range "least-most", or one count ("Fe1"; a symbol alone
// is one atom, as in a formula); blanks and commas may separate them.
// Two or more symbols and no count at all ("CHNO", "C,H,N,O") are a list
// of the elements to search: each within its default range
// (FORMIX_DEFAULT_FIND_ELEMENTS), an element beyond those from 0 to
// kListedMost; `*note` then says so.
// Masses are the most abundant isotope's (a label's own).  On an error,
// `*error` says what and where, and the result is empty.
inline constexpr int kListedMost = 5;
std::vector<ElementRange> ParseElementRanges(const Context& context, const std::string& text,
                                             std::string* error, std::string* note = nullptr);

// A query: `mz` is the found m/z of the ion named by `adduct` (an
// adduct ion of adducts.txt such as "[M+H]+": the candidates are the
// neutral M), or of an ion of charge `charge` that is the candidate
// itself, or with neither the neutral monoisotopic mass.  The tolerance
// is `ppm` of the calculated m/z, or `mda` (milli-u) when that is given
// (not NaN).
// The error models of found isotope peaks (PatternChiSquared).
struct PeakErrors {
  double intensity_error = FORMIX_DEFAULT_INTENSITY_ERROR / 100;  // relative, one sigma
  double mass_error_ppm =
      std::numeric_limits<double>::quiet_NaN();  // one sigma of a peak's m/z; NaN: ppm / 2.5
};

struct FindQuery {
  double mz = 0.0;
  std::string adduct;
  int charge = 0;
  double ppm = 5.0;
  double mda = std::numeric_limits<double>::quiet_NaN();
  std::string elements = kDefaultFindElements;
  bool rules = true, radical = false;
  RatioSet ratios = RatioSet::kExtended;                // the element-ratio limits of the rules
  ElementLimits element_limits = ElementLimits::kNone;  // the element counts by mass range
  bool hnops = false;                                   // the HNOPS probability check
  bool explain = false;                                 // keep the candidates a rule removed, naming it
  bool calculated = false;                              // the m/z is a formula's, not found: no HRMS line
  std::vector<Peak> peaks;       // found isotope peaks (m/z, intensity), to score against
  double resolving_power = 0.0;  // for the calculated patterns; 0: the default
  PeakErrors errors;             // the found peaks' error models; mass: NaN for ppm / 2.5
  std::size_t limit = kDefaultFindLimit;
  std::string source = "ESI";  // for the HRMS line
  double max_steps = kMaxFindSteps;
  double max_score_work = kMaxFindScoreWork;
};

struct FindCandidate {
  std::vector<int> counts;         // in the order of the ranges
  std::string formula;             // in the order of the ranges (an ion's with its charge: C4H12N^+)
  std::string hill;                // in Hill order
  double monoisotopic = 0.0;       // of the candidate (an ion: electrons counted)
  double mz = 0.0;                 // of the ion searched for (the neutral mass with no ion)
  double ppm = 0.0, mda = 0.0;     // the found m/z against it: (found - mz) / mz x 1e6, x 1000
  double dbe = 0.0;                // NaN for a formula with an element of no valence (a metal)
  std::vector<std::string> rules;  // the rules checked and passed
  std::string broken;              // the rule that removed it ("" when none; with `explain`)
  double score = -1.0;             // against the found peaks, 0 to 100 (-1: not scored)
  double chi_squared = std::numeric_limits<double>::infinity();  // of the score; infinite: not scored
  std::string hrms;  // the journal's line were it chosen ("" for a neutral mass)
};

struct FindResult {
  std::string error;                           // why there is no list ("" when fine)
  std::vector<ElementRange> ranges;            // as searched
  int charge = 0;                              // of the ion searched for
  double low = 0.0, high = 0.0;                // the m/z window
  std::vector<FindCandidate> candidates;       // listed: by score with peaks, else by error
  std::size_t within = 0;                      // candidates within the tolerance, before the rules
  std::size_t passed = 0;                      // of them, those the rules keep
  std::size_t unlisted = 0;                    // passed (or with `explain` within) but beyond the limit
  std::size_t scored = 0;                      // candidates scored against the peaks
  std::map<std::string, std::size_t> removed;  // candidates each rule removed
  bool complete = true;                        // false when the search stopped at its step budget
  double steps = 0.0;
  std::string warning;  // said when the list may be incomplete
  std::string note;     // how an element list was read ("" for ranges)
  // The journal's line of the formula chosen: the only candidate the rules
  // keep, or one chosen by ChooseFormula; never rank 1 of many ("" for
  // none, and for a neutral mass).
  std::string hrms;
  std::string chosen;     // the Hill formula of the line ("" for none)
  std::size_t given = 0;  // 1 + the index of the candidate that is the formula chosen (0: none listed)
};

FindResult FindFormulas(const Context& context, const FindQuery& query);

// Chooses the formula of the journal's line: the user's own `formula`
// (read with nothing to warn about; listed or not), or else candidate
// `pick` (1-based; 0: none).  Returns why there is no line ("" when the
// line is in `result->hrms`).
std::string ChooseFormula(const Context& context, const FindQuery& query, FindResult* result,
                          const std::string& formula, std::size_t pick);

// The agreement of found isotope peaks with a candidate's calculated ones
// as a likelihood under stated error models (docs/find.md).  Both lists
// are put on the scale of their most intense peak (100).  Each found peak
// is paired with the calculated one nearest in its distance from the
// first peak, within `window`; a calculated peak left unpaired at or above
// the smallest found intensity (from 0.5 below the first found peak on:
// the found list is taken to hold every peak above its smallest) is a
// found peak missing (intensity 0), a found peak left unpaired a
// calculated one missing.  The terms, each a squared normal deviate:
//   intensity: (If - Ic) / (e Ic + f), e the relative intensity error
//   (`intensity_error`), f a floor of 0.5 % of the base peak (a missing
//   peak's deviate is its own intensity over its own sigma);
//   mass: the first found peak's m/z against its calculated one's over
//   sigma_m, the mass error of one peak (`mass_error_ppm`); each other
//   peak's distance from the first, found against calculated, over
//   sqrt(2) sigma_m (isotope spacings are measured better than masses).
// Returns the sum (chi-squared; lower is better; infinite with no peaks).
double PatternChiSquared(const std::vector<Peak>& found, const std::vector<Peak>& calculated, double window,
                         const PeakErrors& errors);
// The score shown for a chi-squared over `terms` found peaks: 100
// exp(-chi2 / (2 terms)), from 100 (every value where the model puts it)
// down to 0; the ranking is by chi-squared, which this keeps.
double ScoreOfChiSquared(double chi_squared, std::size_t terms);

// Found peaks as written: "328.1911:100,329.1944:22.6" (m/z:intensity,
// separated by commas or blanks); an error names the part that is wrong.
std::vector<Peak> ParsePeaks(const std::string& text, std::string* error);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_FIND_H
