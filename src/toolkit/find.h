// find.h -- formulas from an accurate mass: every combination of element
// counts, each within its range, whose monoisotopic mass lies within a
// tolerance of a target (the change-making problem over element masses).
#ifndef FORMIX_TOOLKIT_FIND_H
#define FORMIX_TOOLKIT_FIND_H

#include <cstddef>
#include <string>
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

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_FIND_H
