// mass_search.h -- the search behind formulas from an accurate mass: every
// vector of element counts, each within its range, whose mass lies in a
// window, in work that grows with what reaches the window (find.cpp uses
// it; docs/find.md says why it is built so).
#ifndef FORMIX_TOOLKIT_MASS_SEARCH_H
#define FORMIX_TOOLKIT_MASS_SEARCH_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

#include "toolkit/ms/find.h"

namespace formix::toolkit {

// The bounded search: ranges heaviest first; `leaf(counts, mass)` is
// called for each count vector whose mass lies in [low, high] and, when
// Run is given `inside` (the caller's exact window, which [low, high]
// holds with a little room), inside it too; it returns false to stop.  The lightest elements (as many as keep
// a table of their combinations small) are a table of every combination's mass, sorted, with an index of
// buckets; the heavier ones are searched depth first, each count running only over the values for which the
// elements after it can still reach the window, and each combination of them looks up the masses that
// complete it in the table.  Each node and each table entry looked at is a step; the search stops after
// `max_steps` of them.
//
// With a DBE floor (Run given `weights`), a vector whose W = sum n (v - 2)
// is of the wrong parity or below the floor is not passed to the leaf but
// counted (`pruned`) when inside the window: the table is
// kept in two halves by the parity of W, and a half of the wrong parity
// is only counted, by the positions of the window's ends.
template <class Leaf>
class MassSearch {
 public:
  MassSearch(const std::vector<ElementRange>& ranges, double low, double high, double max_steps, Leaf& leaf)
      : ranges_(ranges), low_(low), high_(high), max_steps_(max_steps), leaf_(leaf) {
    // The search's window is the caller's widened by a billionth: a
    // hundred-millionth inside it is inside the caller's.
    const double margin = (high - low) * 1e-8 + 1e-8 * std::max(1.0, std::fabs(high));
    safe_low_ = low + margin;
    safe_high_ = high - margin;
    counts_.assign(ranges.size(), 0);
    weights_.assign(ranges.size(), 0);
  }

  // Runs the search; false when it stopped (the leaf or the step budget).
  // With `weights` (the v - 2 of each range), vectors are held to
  // W >= `least_w` and W of `parity` (0 even, 1 odd); `inside` tells a
  // mass in the caller's exact window.
  template <class Inside>
  bool Run(const std::vector<int>* weights, long least_w, int parity, Inside inside) {
    if (weights != nullptr) {
      weights_ = *weights;
      prune_ = true;
      least_w_ = least_w;
      parity_ = parity;
    }
    Prepare();
    if (ranges_.empty()) return true;
    inside_ = [&inside](double mass) { return inside(mass); };
    Visit(0, 0.0, 0);
    return !stopped_;
  }
  bool Run() {
    return Run(nullptr, 0, 0, [](double) { return true; });
  }
  double steps() const { return steps_; }
  std::size_t pruned() const { return pruned_; }

 private:
  // At most this many elements in the table.
  static constexpr std::size_t kTableElements = 4;
  struct Entry {
    double mass;
    long w;
    std::uint32_t counts[kTableElements];  // less each element's least
  };
  // A half of the table: its entries by mass, and the first entry of each
  // bucket of `width` u from `least`.
  struct Half {
    std::vector<Entry> entries;
    std::vector<std::uint32_t> first;
    double least = 0.0, most = 0.0, width = 1.0, per_width = 1.0;

    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    double mass(std::size_t j) const { return entries[j].mass; }

    // Sorts the entries by mass and indexes them: a counting sort into as
    // many buckets as entries (the masses spread evenly), each bucket then
    // sorted on its own (a few entries).
    void Index() {
      if (entries.empty()) return;
      least = most = entries.front().mass;
      for (const Entry& e : entries) {
        least = std::min(least, e.mass);
        most = std::max(most, e.mass);
      }
      const std::size_t buckets = entries.size() + 1;
      width = std::max((most - least) / static_cast<double>(buckets), 1e-9);
      per_width = 1.0 / width;
      auto bucket = [&](double mass) {
        return std::min(buckets - 1, static_cast<std::size_t>((mass - least) * per_width));
      };
      first.assign(buckets + 1, 0);
      for (const Entry& e : entries) ++first[bucket(e.mass) + 1];
      for (std::size_t b = 0; b < buckets; ++b) first[b + 1] += first[b];
      std::vector<Entry> sorted(entries.size());
      std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
      for (const Entry& e : entries) sorted[next[bucket(e.mass)]++] = e;
      for (std::size_t b = 0; b < buckets; ++b) {
        std::sort(sorted.begin() + first[b], sorted.begin() + first[b + 1],
                  [](const Entry& x, const Entry& y) { return x.mass < y.mass; });
      }
      entries = std::move(sorted);
    }
    // The first entry of mass at least `lo`.
    std::size_t From(double lo) const {
      if (lo <= least) return 0;
      if (lo > most) return entries.size();
      const double at = std::floor((lo - least) * per_width);
      std::size_t j = first[std::min<std::size_t>(first.size() - 1, static_cast<std::size_t>(at))];
      while (j > 0 && entries[j - 1].mass >= lo) --j;  // a bucket may start just past lo (rounding)
      while (j < entries.size() && entries[j].mass < lo) ++j;
      return j;
    }
  };

  void Prepare() {
    const std::size_t k = ranges_.size();
    if (k == 0) return;
    // The table: the lightest elements while their combinations (each
    // count up to what the window allows) stay fewer than the square root
    // of all combinations (the table's and the heavier elements' work
    // then balance), than a million, and than an eighth of the step budget
    // (each entry made counts as a step).
    const double max_table = std::min(static_cast<double>(1 << 20), std::max(1024.0, max_steps_ / 8));
    auto combinations = [&](const ElementRange& r) {
      return std::max(1.0, std::min<double>(r.most, std::floor(high_ / r.mass)) - r.least + 1.0);
    };
    double all = 1.0;
    for (const ElementRange& r : ranges_) all *= combinations(r);
    split_ = k;
    double size = 1.0;
    while (split_ > 0 && k - split_ < kTableElements) {
      const double n = combinations(ranges_[split_ - 1]);
      if (split_ < k && (size * n > max_table || size * n > std::sqrt(all))) break;
      size *= n;
      --split_;
    }
    double prefix_least = 0.0, prefix_most = 0.0;
    for (std::size_t i = 0; i < split_; ++i) {
      prefix_least += ranges_[i].least * ranges_[i].mass;
      prefix_most += ranges_[i].most * ranges_[i].mass;
    }
    BuildTable(low_ - prefix_most, high_ - prefix_least);
    steps_ += static_cast<double>(halves_[0].size() + halves_[1].size());
    double table_least = 0.0, table_most = 0.0;
    bool any = false;
    for (const Half& h : halves_) {
      if (h.empty()) continue;
      table_least = any ? std::min(table_least, h.least) : h.least;
      table_most = any ? std::max(table_most, h.most) : h.most;
      any = true;
    }
    if (!any) {
      split_ = 0;
      ranges_empty_ = true;
    }
    rest_least_.assign(split_ + 1, table_least);
    rest_most_.assign(split_ + 1, table_most);
    for (std::size_t i = split_; i-- > 0;) {
      rest_least_[i] = rest_least_[i + 1] + ranges_[i].least * ranges_[i].mass;
      rest_most_[i] = rest_most_[i + 1] + ranges_[i].most * ranges_[i].mass;
    }
  }

  // Every combination of the table's elements with a mass in [from, to],
  // in the half of its W's parity (all in the first without a floor).
  void BuildTable(double from, double to) {
    const std::size_t k = ranges_.size();
    std::vector<long> most(k, 0);
    for (std::size_t i = split_; i < k; ++i) {
      const ElementRange& r = ranges_[i];
      most[i] =
          std::max<long>(r.least, std::min<long>(r.most, static_cast<long>(std::floor(to / r.mass)) + 1));
    }
    Entry entry{};
    Fill(split_, 0.0, 0, from, to, most, entry);
    for (Half& h : halves_) h.Index();
  }

  // The combinations of the table's elements from element i on, after
  // `mass` and `w`, into the halves.
  void Fill(std::size_t i, double mass, long w, double from, double to, const std::vector<long>& most,
            Entry& entry) {
    if (i == ranges_.size()) {
      if (mass >= from) {
        entry.mass = mass;
        entry.w = w;
        halves_[prune_ ? static_cast<std::size_t>(w & 1) : 0].entries.push_back(entry);
      }
      return;
    }
    const ElementRange& r = ranges_[i];
    for (long c = r.least; c <= most[i]; ++c) {
      const double m = mass + static_cast<double>(c) * r.mass;
      if (m > to) break;
      entry.counts[i - split_] = static_cast<std::uint32_t>(c - r.least);
      Fill(i + 1, m, w + c * weights_[i], from, to, most, entry);
    }
  }

  // The table's entries that complete `mass` (of W `w`) into the window.
  void Complete(double mass, long w) {
    const double lo = low_ - mass, hi = high_ - mass;
    for (std::size_t parity = 0; parity < 2 && !stopped_; ++parity) {
      const Half& half = halves_[parity];
      if (half.empty() || hi < half.least || lo > half.most) continue;
      std::size_t j = half.From(lo), end = j;
      while (end < half.size() && half.mass(end) <= hi) ++end;
      // The ends outside the exact window (the leaf checks it again).
      while (j < end && !Inside(mass + half.mass(j))) ++j;
      while (end > j && !Inside(mass + half.mass(end - 1))) --end;
      // A formula in the window costs the leaf (the rules, the kept heap)
      // about as much as kLeafSteps steps of the search: counted so, the
      // budget's time holds however many the window holds.
      steps_ += 1.0 + kLeafSteps * static_cast<double>(end - j);
      if (steps_ > max_steps_) {
        stopped_ = true;
        return;
      }
      if (prune_ && static_cast<int>((w + static_cast<long>(parity)) & 1) != parity_) {
        pruned_ += end - j;  // the wrong parity: counted, never made
        continue;
      }
      for (; j < end; ++j) {
        const Entry& e = half.entries[j];
        if (prune_ && w + e.w < least_w_) {
          ++pruned_;
          continue;
        }
        for (std::size_t i = split_; i < ranges_.size(); ++i) {
          counts_[i] = ranges_[i].least + static_cast<int>(e.counts[i - split_]);
        }
        if (!leaf_(counts_, mass + e.mass)) {
          stopped_ = true;
          return;
        }
      }
    }
  }

  // Whether a mass is in the exact window: surely when well inside the
  // search's (wider by far more than rounding), else as the caller says.
  bool Inside(double mass) const { return (mass >= safe_low_ && mass <= safe_high_) || inside_(mass); }

  void Visit(std::size_t i, double mass, long w) {
    if (ranges_empty_) return;
    if (i == split_) {
      Complete(mass, w);
      return;
    }
    const ElementRange& r = ranges_[i];
    // The counts of element i for which the rest can still land in the
    // window: low <= mass + n m + rest <= high, rest within [least, most]
    // (a little wider than exact).
    const double after_least = rest_least_[i + 1], after_most = rest_most_[i + 1];
    const double first_real = std::ceil((low_ - mass - after_most) / r.mass - 1e-9);
    const double last_real = std::floor((high_ - mass - after_least) / r.mass + 1e-9);
    const long first = static_cast<long>(std::max<double>(first_real, r.least));
    const long last = static_cast<long>(std::min<double>(last_real, r.most));
    for (long n = first; n <= last && !stopped_; ++n) {
      if (++steps_ > max_steps_) {
        stopped_ = true;
        return;
      }
      counts_[i] = static_cast<int>(n);
      Visit(i + 1, mass + static_cast<double>(n) * r.mass, w + n * weights_[i]);
    }
    counts_[i] = 0;
  }

  static constexpr double kLeafSteps = 8.0;
  const std::vector<ElementRange>& ranges_;
  std::size_t split_ = 0;      // ranges [split_, end) are the table's
  bool ranges_empty_ = false;  // no table entry reaches the window
  Half halves_[2];
  std::vector<double> rest_least_, rest_most_;
  double low_, high_, max_steps_;
  double safe_low_ = 0.0, safe_high_ = 0.0;
  Leaf& leaf_;
  std::vector<int> counts_;
  std::vector<int> weights_;
  bool prune_ = false;
  long least_w_ = 0;
  int parity_ = 0;
  std::function<bool(double)> inside_;
  std::size_t pruned_ = 0;
  double steps_ = 0.0;
  bool stopped_ = false;
};

// The positions of `ranges` heaviest first (stable).
inline std::vector<std::size_t> HeaviestFirst(const std::vector<ElementRange>& ranges) {
  std::vector<std::size_t> order(ranges.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return ranges[a].mass > ranges[b].mass; });
  return order;
}

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_MASS_SEARCH_H
