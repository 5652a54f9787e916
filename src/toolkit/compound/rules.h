// rules.h -- ring-plus-double-bond equivalents (DBE) and the chemical rules
// a formula from an accurate mass is held to, each named where it removes
// one (docs/find.md gives their sources).
#ifndef FORMIX_TOOLKIT_RULES_H
#define FORMIX_TOOLKIT_RULES_H

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// The element-ratio limits: the Seven Golden Rules' extended ranges (the
// default), their common ranges, or none.
enum class RatioSet { kExtended, kCommon, kNone };
const char* RatioSetName(RatioSet set);  // "extended", "common", "none"
bool ReadRatioSet(const std::string& name, RatioSet* set);

// The rules of a list of symbols, prepared once for many count vectors
// (the counts in the symbols' order).
class ChemicalRules {
 public:
  ChemicalRules(const std::vector<std::string>& symbols, RatioSet ratios);
  double Dbe(const int* counts) const;
  bool ValencesKnown(const int* counts) const;
  // The first rule broken ("" for none: BrokenRule); with `checked`,
  // every rule that applies, in order, is appended to it.
  const char* Broken(const int* counts, int charge, bool radical, std::vector<std::string>* checked) const;

 private:
  RatioSet ratios_;
  std::vector<int> valence_;
  std::vector<bool> carbon_, halogen_, nitrogen_;
  std::vector<int> ratio_;  // the ratio to carbon an element counts in, -1 for none
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
// Returns the first rule broken, or "" for none.
std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical, RatioSet ratios = RatioSet::kExtended);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_RULES_H
