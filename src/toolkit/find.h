// find.h -- formulas from an accurate mass: every combination of element
// counts, each within its range, whose monoisotopic mass lies within a
// tolerance of a target (the change-making problem over element masses).
#ifndef FORMIX_TOOLKIT_FIND_H
#define FORMIX_TOOLKIT_FIND_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace formix::toolkit {

// An element of the search: its symbol, the mass it counts at (u), and the
// fewest and most atoms a candidate may hold.
struct ElementRange {
  std::string symbol;
  double mass;
  int least, most;
};

struct MassCandidate {
  std::vector<int> counts;  // in the order of the ranges
  double mass;              // the sum of counts times masses, u
};

// Every candidate with |mass - target| <= tolerance, in no particular
// order, up to `limit` of them; `*more` (when not NULL) is set to whether
// there were more than `limit`.  The search is bounded element by element:
// with the elements in descending mass, the count of each runs only over
// the values for which the elements after it can still reach the window,
// so the work grows with the candidates found, not with the product of the
// ranges.
std::vector<MassCandidate> FindByMass(const std::vector<ElementRange>& ranges, double target,
                                      double tolerance, std::size_t limit, bool* more);

// Ring-plus-double-bond equivalents of element counts, each element at its
// lowest common valence (H and the halogens 1; O, S, Se 2; N, P, As, B 3;
// C, Si, Ge 4; the others, metals included, are not counted: a documented
// convention): DBE = 1 + sum n (v - 2) / 2, for an ion of its own formula
// (so [M+H]+ of a neutral with DBE 6 has 5.5).
double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts);

// The chemical rules a candidate (the formula of the species, `charge` its
// charge) is held to, each named where it removes one: "dbe" (DBE below 0,
// or of the wrong parity: an even-electron species has a whole DBE when
// its charge is even, a half-whole one when it is odd, and an odd-electron
// one the other way round; for the elements of organic formulas this is
// the nitrogen rule), for a neutral closed-shell molecule "lewis" (the sum
// of valences is even) and "senior" (the sum of valences at least twice
// the largest valence, and at least twice the atoms less one), and the
// element ratios of the Seven Golden Rules
// (Kind and Fiehn, BMC Bioinformatics 2007, the 99.7 % ranges): "h/c" (0.2
// to 3.1), "n/c" (at most 1.3), "o/c" (1.2), "p/c" (0.3), "s/c" (0.8),
// "f/c" (1.5), "cl/c" (0.8), "br/c" (0.8).  `radical`: the species is an
// odd-electron ion (EI).  Returns the first rule broken, or "" for none.
std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_FIND_H
