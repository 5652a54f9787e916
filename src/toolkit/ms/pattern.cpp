// pattern.cpp -- isotope patterns by pruned convolution.
//
// Each element's distribution for n atoms comes from its isotopes by
// repeated squaring (n in binary: about log2 n convolutions); the elements'
// distributions are then convolved together, within a budget of work.
// After every convolution, peaks closer than a merge window merge, peaks
// below a threshold times the largest are dropped, and when more than
// kMaxFinePeaks remain, the smallest beyond that many are dropped too.
// The probability the result lacks of 1 is the bound of its error.
#include "toolkit/ms/pattern.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "toolkit/ms/exact.h"

namespace formix::toolkit {
namespace {

struct Raw {
  double mass;
  double p;  // probability
};

constexpr double kMergeWindow = 1e-6;  // u

struct Window {
  double relative;  // of the mass: a tenth of the peak width at the resolving power
  double absolute;  // u: at least this (1e-6 u, or coarser where the result cannot show it)
};

// Sorts, merges masses closer than the window, drops what is below the
// threshold or beyond the cap.
void Tidy(std::vector<Raw>& peaks, double threshold, Window window) {
  // Equal masses ordered by probability: the order of the merges, and so
  // every bit, the same with any library's sort.
  std::sort(peaks.begin(), peaks.end(),
            [](const Raw& a, const Raw& b) { return a.mass < b.mass || (a.mass == b.mass && a.p < b.p); });
  std::vector<Raw> merged;
  for (const Raw& r : peaks) {
    if (!merged.empty() &&
        r.mass - merged.back().mass <= std::max(window.absolute, r.mass * window.relative)) {
      Raw& m = merged.back();
      const double p = m.p + r.p;
      if (p > 0) m.mass = (m.mass * m.p + r.mass * r.p) / p;
      m.p = p;
    } else {
      merged.push_back(r);
    }
  }
  double top = 0.0;
  for (const Raw& r : merged) top = std::max(top, r.p);
  double cut = top * threshold;
  if (merged.size() > kMaxFinePeaks) {
    std::vector<double> ps;
    for (const Raw& r : merged) ps.push_back(r.p);
    std::nth_element(ps.begin(), ps.begin() + static_cast<long>(kMaxFinePeaks) - 1, ps.end(),
                     std::greater<double>());
    cut = std::max(cut, ps[kMaxFinePeaks - 1]);
  }
  peaks.clear();
  for (const Raw& r : merged) {
    if (!(r.p < cut || (r.p == cut && peaks.size() >= kMaxFinePeaks))) peaks.push_back(r);
  }
}

// The `keep` most probable of `peaks`, by mass.
std::vector<Raw> MostProbable(const std::vector<Raw>& peaks, std::size_t keep) {
  if (peaks.size() <= keep) return peaks;
  std::vector<Raw> out = peaks;
  std::nth_element(out.begin(), out.begin() + static_cast<long>(keep), out.end(),
                   [](const Raw& x, const Raw& y) { return x.p > y.p; });
  out.resize(keep);
  std::sort(out.begin(), out.end(), [](const Raw& x, const Raw& y) { return x.mass < y.mass; });
  return out;
}

// At most `budget` products: the larger side keeps its most probable peaks.
// Products a million times below the threshold are not made: however many
// merge, they reach no peak that is kept.
std::vector<Raw> Convolve(const std::vector<Raw>& a_in, const std::vector<Raw>& b_in, double threshold,
                          Window window, double budget, double* work, double* cost) {
  const bool a_larger = a_in.size() >= b_in.size();
  const std::vector<Raw>& small = a_larger ? b_in : a_in;
  std::vector<Raw> large = a_larger ? a_in : b_in;
  if (static_cast<double>(large.size()) * static_cast<double>(small.size()) > budget) {
    const auto keep = static_cast<std::size_t>(std::max(1.0, budget / static_cast<double>(small.size())));
    large = MostProbable(large, keep);
  }
  std::vector<Raw> trimmed_small;
  const std::vector<Raw>* small_side = &small;
  if (static_cast<double>(large.size()) * static_cast<double>(small.size()) > budget) {
    trimmed_small = MostProbable(
        small, static_cast<std::size_t>(std::max(1.0, budget / static_cast<double>(large.size()))));
    small_side = &trimmed_small;
  }
  const std::vector<Raw>& a = large;
  const std::vector<Raw>& b = *small_side;
  *work += static_cast<double>(a.size()) * static_cast<double>(b.size());
  *cost += static_cast<double>(a.size()) * static_cast<double>(b.size());
  double top_a = 0.0, top_b = 0.0;
  for (const Raw& x : a) top_a = std::max(top_a, x.p);
  for (const Raw& y : b) top_b = std::max(top_b, y.p);
  const double floor = top_a * top_b * threshold * 1e-6;
  std::vector<Raw> out;
  for (const Raw& x : a) {
    for (const Raw& y : b) {
      const double p = x.p * y.p;
      if (p >= floor) out.push_back({x.mass + y.mass, p});
    }
  }
  // The time it takes: the products, and sorting those kept (n log n),
  // which dominates where a high resolving power keeps many.
  const double kept = static_cast<double>(out.size());
  *cost += kept * std::log2(kept + 2.0);
  Tidy(out, threshold, window);
  return out;
}

// The most probable composition of `n` atoms over isotopes of mole
// fractions `p`: the multinomial's mode, found exactly (start from n p
// rounded down, add the atoms left where they raise the probability most,
// then move one atom at a time while a move raises it: the multinomial is
// log-concave, so no move raising it is the mode).  Returns its mass.
double ModeMass(const std::vector<Raw>& isotopes, long long n) {
  const std::size_t m = isotopes.size();
  std::vector<long long> k(m);
  long long used = 0;
  for (std::size_t i = 0; i < m; ++i) {
    k[i] = static_cast<long long>(std::floor(static_cast<double>(n) * isotopes[i].p));
    used += k[i];
  }
  auto gain = [&](std::size_t i) { return isotopes[i].p / static_cast<double>(k[i] + 1); };  // adding one
  auto loss = [&](std::size_t i) { return isotopes[i].p / static_cast<double>(k[i]); };      // taking one
  for (; used < n; ++used) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < m; ++i) {
      if (gain(i) > gain(best)) best = i;
    }
    ++k[best];
  }
  for (std::size_t moves = 0; moves < 64 * m * m; ++moves) {
    std::size_t to = 0, from = m;
    for (std::size_t i = 1; i < m; ++i) {
      if (gain(i) > gain(to)) to = i;
    }
    for (std::size_t i = 0; i < m; ++i) {
      if (k[i] > 0 && i != to && (from == m || loss(i) < loss(from))) from = i;
    }
    // Moving one atom from `from` to `to` multiplies the probability by
    // gain(to) / loss(from).
    if (from == m || !(gain(to) > loss(from))) break;
    --k[from];
    ++k[to];
  }
  double mass = 0.0;
  for (std::size_t i = 0; i < m; ++i) mass += static_cast<double>(k[i]) * isotopes[i].mass;
  return mass;
}

}  // namespace

Pattern IsotopePattern(const Context& context, const Reading& reading, double threshold,
                       double resolving_power) {
  Pattern pattern;
  if (!reading.has_value) {
    pattern.error = "the formula has no number";
    return pattern;
  }
  if (!(threshold > 0.0 && threshold < 1.0)) {
    pattern.error = "the threshold must lie between 0 and 1 (a relative abundance)";
    return pattern;
  }
  if (!(resolving_power > 0.0) || !(resolving_power <= kMaxResolvingPower)) {
    pattern.error = "the resolving power must be a positive number, at most 10,000,000";
    return pattern;
  }
  std::map<std::string, double> counts;
  std::vector<Raw> labelled;  // isotope labels: one fixed mass each
  for (const ElementShare& e : reading.elements) {
    if (e.mass_number == 0) {
      counts[e.symbol] += e.atoms;
      continue;
    }
    auto it = context.isotopes.find(e.element);
    double mass = 0.0;
    if (it != context.isotopes.end()) {
      for (const Isotope& i : it->second) {
        if (i.mass_number == e.mass_number) mass = i.mass;
      }
    }
    labelled.push_back({mass * e.atoms, 1.0});
  }
  // The work, bounded: kWorkBudget products in all, shared by the
  // convolutions the counts ask for (a squaring per binary digit, a
  // product per one, one per element).
  double convolutions = 0.0;
  for (const auto& entry : counts) {
    for (auto k = static_cast<long long>(std::min(entry.second, kMaxAtoms)); k > 0; k >>= 1)
      convolutions += 1.0 + (k & 1);
    convolutions += 1.0;
  }
  const double budget = std::max(4096.0, kWorkBudget / std::max(1.0, convolutions));
  std::vector<Raw> total = {{0.0, 1.0}};
  double mode_mass = 0.0;  // the most abundant isotopologue, from each element's mode
  // Fine structure is kept to a tenth of the peak width: finer detail
  // cannot show at this resolving power, and it bounds the work.  Each of
  // the convolutions may also merge within a share of a tenth of the final
  // peak width (M / R over 10 times their number): together they blur no
  // more than that, which cannot show either.
  double total_mass = 0.0;
  for (const auto& [symbol, n] : counts) {
    auto it = context.isotopes.find(symbol);
    if (it == context.isotopes.end() || it->second.empty()) continue;
    total_mass += std::min(n, kMaxAtoms) * it->second.front().mass;
  }
  const Window window{
      1.0 / (10.0 * resolving_power),
      std::max(kMergeWindow, total_mass / (10.0 * resolving_power * std::max(1.0, convolutions)))};
  for (const auto& [symbol, n] : counts) {
    if (n != std::floor(n) || n < 0) {
      pattern.error =
          "an isotope pattern needs whole numbers of atoms; " + symbol + " has " + std::to_string(n);
      return pattern;
    }
    if (n > kMaxAtoms) {
      pattern.error = "more than 10,000,000 atoms of " + symbol + ": beyond the limit of isotope patterns";
      return pattern;
    }
    auto it = context.isotopes.find(symbol);
    if (it == context.isotopes.end() || it->second.empty()) {
      pattern.error = "no isotope data for the element " + symbol;
      return pattern;
    }
    std::vector<Raw> base;
    for (const Isotope& i : it->second) {
      if (!std::isnan(i.abundance) && i.abundance > 0) base.push_back({i.mass, i.abundance});
    }
    if (base.empty()) base.push_back({it->second.front().mass, 1.0});  // no stable isotope
    mode_mass += ModeMass(base, static_cast<long long>(n));
    // A probability dropped from a distribution of m of the n atoms is lost
    // about n/m times over in the powers made from it: each step drops
    // below threshold x m/n, so that no step's loss outgrows the last's.
    std::vector<Raw> power = {{0.0, 1.0}};
    double power_atoms = 0.0, base_atoms = 1.0;
    for (long long k = static_cast<long long>(n); k > 0; k >>= 1) {
      if (k & 1) {
        power_atoms += base_atoms;
        power =
            Convolve(power, base, threshold * power_atoms / n, window, budget, &pattern.work, &pattern.cost);
      }
      if (k > 1) {
        base_atoms *= 2.0;
        base = Convolve(base, base, threshold * base_atoms / n, window, budget, &pattern.work, &pattern.cost);
      }
    }
    total = Convolve(total, power, threshold, window, budget, &pattern.work, &pattern.cost);
  }
  for (const Raw& l : labelled) {
    for (Raw& r : total) r.mass += l.mass;
    mode_mass += l.mass;
  }
  // The probability dropped, every step's loss carried through the later
  // convolutions: what the kept isotopologues lack of 1.
  double kept = 0.0;
  for (const Raw& r : total) kept += r.p;
  pattern.pruned = 1.0 - kept;
  if (!(kept >= 0.5)) {
    // Fewer peaks than the fine structure has at this resolving power: the
    // most probable kept at each step hold ever less.  No pattern.
    char text[200];
    std::snprintf(text, sizeof text,
                  "the isotopologues that can be kept hold only %.3g %% of the probability at this resolving "
                  "power: lower it (the work is bounded, and the fine structure has more isotopologues than "
                  "can be kept)",
                  std::max(0.0, kept) * 100.0);
    pattern.error = text;
    return pattern;
  }
  if (pattern.pruned > kMaxPruned) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "the isotopologues dropped hold %.3g %% of the probability: "
                  "intensities may be off by as much (lower the threshold)",
                  pattern.pruned * 100.0);
    pattern.warning = text;
  }
  pattern.threshold = threshold;
  pattern.charge = reading.charge;
  const double z = reading.charge != 0 ? std::abs(reading.charge) : 1.0;
  const double electrons = reading.charge * kElectronMolarMass;
  double top = 0.0;
  for (const Raw& r : total) top = std::max(top, r.p);
  for (const Raw& r : total) {
    pattern.fine.push_back({(r.mass - electrons) / z, r.p / top * 100.0});
  }
  // Not the largest fine peak: that may have merged isotopologues of
  // nearly equal mass, or lost some to pruning.
  pattern.most_abundant = (mode_mass - electrons) / z;
  // Centroids: neighbours closer than 0.8 of the peak width m/R merge (two
  // equal peaks show a valley between them from about 0.85 widths apart).
  std::vector<Peak> centroids;
  double weight = 0.0, moment = 0.0, last = -INFINITY;
  for (const Peak& p : pattern.fine) {
    if (!centroids.empty() && p.mass - last <= 0.8 * p.mass / resolving_power) {
      weight += p.abundance;
      moment += p.mass * p.abundance;
      centroids.back() = {moment / weight, weight};
    } else {
      weight = p.abundance;
      moment = p.mass * p.abundance;
      centroids.push_back(p);
    }
    last = p.mass;
  }
  double highest = 0.0;
  for (const Peak& c : centroids) highest = std::max(highest, c.abundance);
  for (Peak& c : centroids) c.abundance = c.abundance / highest * 100.0;
  pattern.peaks = std::move(centroids);
  return pattern;
}

}  // namespace formix::toolkit
