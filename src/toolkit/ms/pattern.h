// pattern.h -- isotope patterns: the fine-structure isotopologues of a
// formula from the natural isotopes, pruned below a relative abundance,
// and the pattern centroided at a resolving power.
#ifndef FORMIX_TOOLKIT_PATTERN_H
#define FORMIX_TOOLKIT_PATTERN_H

#include <cstddef>
#include <string>
#include <vector>

#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

struct Peak {
  double mass;       // m/z (u for a neutral species)
  double abundance;  // relative to the most intense peak, percent
};

struct Pattern {
  std::string error;        // why there is none ("" when fine)
  std::vector<Peak> fine;   // isotopologues, by mass
  std::vector<Peak> peaks;  // centroided at the resolving power, by mass
  double threshold = 0.0;   // the relative abundance below which peaks were dropped
  double pruned = 0.0;      // the total probability dropped (an upper bound of the error)
  double work = 0.0;        // products of peaks computed (at most about kWorkBudget)
  double cost = 0.0;        // the products and the sorting of those kept: the time taken, in steps
  // Said when the pattern may be off by more than its printed digits show
  // (pruned above kMaxPruned); "" when fine.
  std::string warning;
  double most_abundant = 0.0;  // the most abundant isotopologue's m/z
  int charge = 0;
};

// The most fine-structure peaks kept at any step: a formula of any size
// finishes in bounded time and memory (at most kMaxFinePeaks squared
// products per convolution, about 60 convolutions an element; the
// threshold rises to keep it).
constexpr std::size_t kMaxFinePeaks = 1000;
// The products of peaks a pattern may compute in all (a few milliseconds):
// a formula asking more keeps fewer, most probable, peaks at each step,
// the probability dropped counted in `pruned`.
constexpr double kWorkBudget = 4e6;
// The highest resolving power taken: beyond every instrument's.
constexpr double kMaxResolvingPower = 1e7;
// The probability dropped beyond which a pattern carries a warning: its
// intensities may be off by as much.
constexpr double kMaxPruned = 1e-3;
// The most atoms of one element.
constexpr double kMaxAtoms = 1e7;

// The isotope pattern of a reading: `threshold` is the relative abundance
// (of the running maximum) below which isotopologues are dropped, 1e-6 by
// default; `resolving_power` is m/Δm (FWHM) for the centroids.  The fine
// structure is resolved to a tenth of the peak width (masses closer than
// m/(10 R), or 1e-6 u, merge), which is also what bounds the work.
Pattern IsotopePattern(const Context& context, const Reading& reading, double threshold,
                       double resolving_power);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_PATTERN_H
