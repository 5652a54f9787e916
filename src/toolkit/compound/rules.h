// rules.h -- ring-plus-double-bond equivalents (DBE) and the chemical rules
// a formula from an accurate mass is held to, each named where it removes
// one (docs/find.md gives their sources).
#ifndef FORMIX_TOOLKIT_RULES_H
#define FORMIX_TOOLKIT_RULES_H

#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// The element-ratio limits: the Seven Golden Rules' extended ranges (the
// default), their common ranges, or none.
enum class RatioSet { kExtended, kCommon, kNone };
const char* RatioSetName(RatioSet set);  // "extended", "common", "none"

// The element counts by mass range (rule 1 of the Seven Golden Rules):
// none (the default), or the limits drawn from the Dictionary of Natural
// Products or from the Wiley mass spectral library.
enum class ElementLimits { kNone, kDnp, kWiley };
const char* ElementLimitsName(ElementLimits limits);  // "none", "dnp", "wiley"

// The rules chosen beyond DBE, LEWIS and SENIOR.
struct RuleChoice {
  RatioSet ratios = RatioSet::kExtended;
  ElementLimits limits = ElementLimits::kNone;
  bool hnops = false;  // the HNOPS probability check (rule 5)
};

// The rules of a list of symbols, prepared once for many count vectors
// (the counts in the symbols' order).
class ChemicalRules {
 public:
  ChemicalRules(const std::vector<std::string>& symbols, RuleChoice choice);
  double Dbe(const int* counts) const;
  bool ValencesKnown(const int* counts) const;
  // The first rule broken ("" for none: BrokenRule) by the counts of a
  // candidate of monoisotopic `mass` (for the limits by mass range); with
  // `checked`, every rule that applies, in order, is appended to it.
  const char* Broken(const int* counts, double mass, int charge, bool radical,
                     std::vector<std::string>* checked) const;

 private:
  RuleChoice choice_;
  std::vector<int> valence_;
  std::vector<bool> carbon_, halogen_, nitrogen_;
  std::vector<int> ratio_;  // the ratio to carbon an element counts in, -1 for none
  std::vector<int> limit_;  // the element of the limits by mass an element counts as, -1 for none
};

// Ring-plus-double-bond equivalents of element counts, each element at its
// lowest common valence (H and the halogens 1; O, S, Se 2; N, P, As, B 3;
// C, Si, Ge 4; labels as their element; the others, metals included, are
// not counted: a documented convention): DBE = 1 + sum n (v - 2) / 2, for
// an ion of its own formula (so [M+H]+ of a neutral with DBE 6 has 5.5).
double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts);

// The DBE of a reading's formula: NaN where it has none (an element
// without a valence above, such as a metal, or a count that is not whole).
double ReadingDbe(const Reading& reading);

// The chemical rules a candidate (the formula of the species, `charge` its
// charge) is held to, each named where it removes one.  Where every
// element has a valence: "dbe" (DBE below 0, or below -|charge|/2 for an
// ion: NH4+ has -0.5; or of the wrong parity: an even-electron species
// has a whole DBE when its charge is even, a half-whole one when it is
// odd, and an odd-electron one the other way round; for the elements of
// organic formulas this is the nitrogen rule), and for a neutral
// closed-shell molecule "lewis" (the sum of valences is even) and
// "senior" (the sum of valences at least twice the largest valence, and
// at least twice the atoms less one).  With carbon, the element ratios of
// the Seven Golden Rules (Kind and Fiehn, BMC Bioinformatics 2007), by
// default in their extended ranges (99.99 % of known compounds): "h/c"
// (0.1 to 6), "n/c" (at most 4), "o/c" (3), "p/c" (2), "s/c" (3), "si/c"
// (1), "f/c" (6), "cl/c" (2), "br/c" (2); or the common ranges (99.7 %:
// h/c 0.2 to 3.1, n/c 1.3, o/c 1.2, p/c 0.3, s/c 0.8, si/c 0.5, f/c 1.5,
// cl/c 0.8, br/c 0.8), which remove real compounds such as glyphosate
// (P/C 0.33); or none.  Under either, a floor keeps the classes the ratios
// were not drawn for: the lower limit of h/c counts hydrogens and halogens
// (CCl4, C6Cl6, perfluoroalkanes); a halogen's limit does not apply where
// the hydrogens and halogens are at most 2 C + N + 2 (CHCl3, CHBr3); o/c
// leaves out three oxygens of each P and S (phosphonates, sulfonates:
// etidronic acid).  `radical`: the species is an odd-electron ion (EI).
// With limits by mass (off by default): "c-limit", "h-limit", "n-limit",
// "o-limit", "p-limit", "s-limit", "si-limit", "f-limit", "cl-limit",
// "br-limit", the most atoms of each element a compound of the candidate's
// monoisotopic `mass` had in the database (below 500, 1000, 2000 and, for
// the DNP, 3000 u; none above).  With the HNOPS check (off by default):
// "hnops", the counts of N, O, P and S that occur together (N, O, P and S
// each above 1: N < 10, O < 20, P < 4, S < 3; N, O and P above 3: N < 11,
// O < 22, P < 6; O, P and S above 1: O < 14, P < 3, S < 3; P, S and N
// above 1: P < 3, S < 3, N < 4; N, O and S above 6: N < 19, O < 14, S < 8).
// Returns the first rule broken, or "" for none.
std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical, RuleChoice choice = {},
                       double mass = std::numeric_limits<double>::quiet_NaN());

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_RULES_H
