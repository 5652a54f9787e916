// find.cpp -- see find.h.
#include "toolkit/find.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numeric>

#include "refdata/bytes.h"
#include "toolkit/exact.h"
#include "toolkit/hill.h"
#include "toolkit/numbers.h"
#include "toolkit/reading.h"

namespace formix::toolkit {
namespace {

// The bounded search: ranges heaviest first; `leaf(counts, mass)` is
// called for each count vector whose mass lies in [low, high] (a little
// wider than the caller's window: the leaf checks it exactly) and returns
// false to stop.  The lightest elements (as many as keep a table of their
// combinations small) are a table of every combination's mass, sorted,
// with an index of buckets; the heavier ones are searched depth first,
// each count running only over the values for which the elements after it
// can still reach the window, and each combination of them looks up the
// masses that complete it in the table.  Each node and each table entry
// looked at is a step; the search stops after `max_steps` of them.
//
// With a DBE floor (Prune), a vector whose W = sum n (v - 2) is of the
// wrong parity or below the floor is not passed to the leaf but counted
// (`pruned`) when `inside(mass)` (the caller's exact window): the table is
// kept in two halves by the parity of W, and a half of the wrong parity
// is only counted, by the positions of the window's ends.
template <class Leaf>
class Search {
 public:
  Search(const std::vector<ElementRange>& ranges, double low, double high, double max_steps, Leaf& leaf)
      : ranges_(ranges), low_(low), high_(high), max_steps_(max_steps), leaf_(leaf) {
    // The search's window is the caller's widened by a billionth: a
    // hundred-millionth inside it is inside the caller's.
    const double margin = (high - low) * 1e-8 + 1e-8 * std::max(1.0, std::fabs(high));
    safe_low_ = low + margin;
    safe_high_ = high - margin;
    counts_.assign(ranges.size(), 0);
    weights_.assign(ranges.size(), 0);
  }

  // Holds vectors to W >= `least_w` and W of `parity` (0 even, 1 odd),
  // with `weights` the v - 2 of each range; `inside` tells a mass in the
  // exact window.  Call before Run.
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
  // What a hit needs beyond the mass.
  struct Payload {
    long w;
    std::uint32_t counts[kTableElements];
  };
  // A half of the table: the masses in order (apart from the rest, so that
  // the look-ups touch as little memory as they can), the payload of
  // each, and the first entry of each bucket of `width` u from `least`.
  struct Half {
    std::vector<Entry> entries;  // as made, until indexed
    std::vector<double> masses;
    std::vector<Payload> payloads;
    std::vector<std::uint32_t> first;
    double least = 0.0, most = 0.0, width = 1.0, per_width = 1.0;

    bool empty() const { return masses.empty(); }
    std::size_t size() const { return masses.size(); }

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
      masses.resize(sorted.size());
      payloads.resize(sorted.size());
      for (std::size_t j = 0; j < sorted.size(); ++j) {
        masses[j] = sorted[j].mass;
        payloads[j].w = sorted[j].w;
        std::copy(sorted[j].counts, sorted[j].counts + kTableElements, payloads[j].counts);
      }
      entries = std::vector<Entry>();
    }
    // The first entry of mass at least `lo`.
    std::size_t From(double lo) const {
      if (lo <= least) return 0;
      if (lo > most) return masses.size();
      const double at = std::floor((lo - least) * per_width);
      std::size_t j = first[std::min<std::size_t>(first.size() - 1, static_cast<std::size_t>(at))];
      while (j > 0 && masses[j - 1] >= lo) --j;  // a bucket may start just past lo (rounding)
      while (j < masses.size() && masses[j] < lo) ++j;
      return j;
    }
  };

  void Prepare() {
    const std::size_t k = ranges_.size();
    if (k == 0) return;
    // The table: the lightest elements while their combinations (each
    // count up to what the window allows) stay fewer than the square root
    // of all combinations (the table's and the heavier elements' work
    // then balance) and than a million.
    constexpr double kMaxTable = 1 << 20;
    auto combinations = [&](const ElementRange& r) {
      return std::max(1.0, std::min<double>(r.most, std::floor(high_ / r.mass)) - r.least + 1.0);
    };
    double all = 1.0;
    for (const ElementRange& r : ranges_) all *= combinations(r);
    split_ = k;
    double size = 1.0;
    while (split_ > 0 && k - split_ < kTableElements) {
      const double n = combinations(ranges_[split_ - 1]);
      if (split_ < k && (size * n > kMaxTable || size * n > std::sqrt(all))) break;
      size *= n;
      --split_;
    }
    double prefix_least = 0.0, prefix_most = 0.0;
    for (std::size_t i = 0; i < split_; ++i) {
      prefix_least += ranges_[i].least * ranges_[i].mass;
      prefix_most += ranges_[i].most * ranges_[i].mass;
    }
    BuildTable(low_ - prefix_most, high_ - prefix_least);
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
      while (end < half.size() && half.masses[end] <= hi) ++end;
      // The ends outside the exact window (the leaf checks it again).
      while (j < end && !Inside(mass + half.masses[j])) ++j;
      while (end > j && !Inside(mass + half.masses[end - 1])) --end;
      steps_ += 1.0 + static_cast<double>(end - j);
      if (steps_ > max_steps_) {
        stopped_ = true;
        return;
      }
      if (prune_ && static_cast<int>((w + static_cast<long>(parity)) & 1) != parity_) {
        pruned_ += end - j;  // the wrong parity: counted, never made
        continue;
      }
      for (; j < end; ++j) {
        const Payload& e = half.payloads[j];
        if (prune_ && w + e.w < least_w_) {
          ++pruned_;
          continue;
        }
        for (std::size_t i = split_; i < ranges_.size(); ++i) {
          counts_[i] = ranges_[i].least + static_cast<int>(e.counts[i - split_]);
        }
        if (!leaf_(counts_, mass + half.masses[j])) {
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
std::vector<std::size_t> HeaviestFirst(const std::vector<ElementRange>& ranges) {
  std::vector<std::size_t> order(ranges.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return ranges[a].mass > ranges[b].mass; });
  return order;
}

// The lowest common valence of an element (labels as their element), 0
// for one DBE does not count.
int Valence(std::string_view symbol) {
  const std::string_view s = LabelledElement(symbol);
  if (s == "H" || s == "F" || s == "Cl" || s == "Br" || s == "I") return 1;
  if (s == "O" || s == "S" || s == "Se") return 2;
  if (s == "N" || s == "P" || s == "As" || s == "B") return 3;
  if (s == "C" || s == "Si" || s == "Ge") return 4;
  return 0;
}

// The element ratios to carbon of the Seven Golden Rules.
struct Ratio {
  const char *element, *rule;
  double least, most;
};
constexpr Ratio kRatios[] = {{"H", "h/c", 0.1, 6.0}, {"N", "n/c", 0.0, 4.0},   {"O", "o/c", 0.0, 3.0},
                             {"P", "p/c", 0.0, 2.0}, {"S", "s/c", 0.0, 3.0},   {"Si", "si/c", 0.0, 1.0},
                             {"F", "f/c", 0.0, 6.0}, {"Cl", "cl/c", 0.0, 2.0}, {"Br", "br/c", 0.0, 2.0}};
constexpr std::size_t kRatioCount = sizeof kRatios / sizeof kRatios[0];

// The rules of a list of symbols, prepared once for many count vectors.
class Rules {
 public:
  explicit Rules(const std::vector<std::string>& symbols) {
    for (const std::string& s : symbols) {
      const std::string_view e = LabelledElement(s);
      valence_.push_back(Valence(s));
      carbon_.push_back(e == "C");
      int ratio = -1;
      for (std::size_t r = 0; r < kRatioCount; ++r) {
        if (e == kRatios[r].element) ratio = static_cast<int>(r);
      }
      ratio_.push_back(ratio);
    }
  }

  double Dbe(const int* counts) const {
    long sum = 0;
    for (std::size_t i = 0; i < valence_.size(); ++i) {
      if (valence_[i] > 0) sum += static_cast<long>(counts[i]) * (valence_[i] - 2);
    }
    return 1.0 + static_cast<double>(sum) / 2.0;
  }

  bool ValencesKnown(const int* counts) const {
    for (std::size_t i = 0; i < valence_.size(); ++i) {
      if (counts[i] != 0 && valence_[i] == 0) return false;
    }
    return true;
  }

  // The first rule broken ("" for none); with `checked`, every rule that
  // applies, in order, is appended to it.
  const char* Broken(const int* counts, int charge, bool radical, std::vector<std::string>* checked) const {
    const char* broken = "";
    auto check = [&](const char* rule, bool fails) {
      if (checked != nullptr) checked->emplace_back(rule);
      if (fails && *broken == '\0') broken = rule;
      return checked == nullptr && *broken != '\0';
    };
    // One pass over the counts for every rule.
    bool known = true;
    long valences = 0, atoms = 0, w = 0, carbon = 0;
    int largest = 0;
    long per_ratio[kRatioCount] = {};
    bool present[kRatioCount] = {};
    for (std::size_t i = 0; i < valence_.size(); ++i) {
      const long n = counts[i];
      const int v = valence_[i];
      if (v == 0) {
        known = known && n == 0;
      } else {
        w += n * (v - 2);
      }
      valences += n * v;
      atoms += n;
      if (n > 0) largest = std::max(largest, v);
      if (carbon_[i]) carbon += n;
      if (ratio_[i] >= 0) {
        per_ratio[ratio_[i]] += n;
        present[ratio_[i]] = true;
      }
    }
    if (known) {
      const double dbe = 1.0 + static_cast<double>(w) / 2.0;
      const bool whole = w % 2 == 0;
      const bool whole_expected = (charge % 2 == 0) != radical;
      if (check("dbe", dbe < -std::abs(charge) / 2.0 || whole != whole_expected)) return broken;
      // LEWIS and SENIOR hold for neutral closed-shell molecules.
      if (charge == 0 && !radical) {
        if (check("lewis", valences % 2 != 0)) return broken;
        if (check("senior", valences < 2 * largest || valences < 2 * (atoms - 1))) return broken;
      }
    }
    if (carbon > 0) {
      for (std::size_t r = 0; r < kRatioCount; ++r) {
        // H/C has a floor: it applies whether or not H is searched for.
        if (!present[r] && r != 0) continue;
        const double ratio = static_cast<double>(per_ratio[r]) / static_cast<double>(carbon);
        if (check(kRatios[r].rule, ratio < kRatios[r].least || ratio > kRatios[r].most)) return broken;
      }
    }
    return broken;
  }

 private:
  std::vector<int> valence_;
  std::vector<bool> carbon_;
  std::vector<int> ratio_;
};

// "[13C]" -> "C/13", "D" -> "H/2", "T" -> "H/3", "C" -> "C": the key of a
// symbol among the isotopes and the adducts' counts.
std::string IsotopeKey(const std::string& symbol) {
  if (symbol == "D") return "H/2";
  if (symbol == "T") return "H/3";
  if (symbol.empty() || symbol[0] != '[') return symbol;
  std::size_t i = 1;
  while (i < symbol.size() && bytes::IsDigit(static_cast<unsigned char>(symbol[i]))) ++i;
  return symbol.substr(i, symbol.size() - 1 - i) + "/" + symbol.substr(1, i - 1);
}

std::string ChargeName(int charge) {
  const std::string sign = charge < 0 ? "-" : "+";
  return std::abs(charge) == 1 ? sign : std::to_string(std::abs(charge)) + sign;
}

}  // namespace

std::vector<MassCandidate> FindByMass(const std::vector<ElementRange>& ranges, double target,
                                      double tolerance, std::size_t limit, bool* more) {
  const std::vector<std::size_t> order = HeaviestFirst(ranges);
  std::vector<ElementRange> sorted;
  for (std::size_t i : order) sorted.push_back(ranges[i]);
  std::vector<MassCandidate> found;
  bool over = false;
  auto leaf = [&](const std::vector<int>& counts, double mass) {
    if (found.size() == limit) {
      over = true;
      return false;
    }
    MassCandidate c{std::vector<int>(counts.size()), mass};
    for (std::size_t i = 0; i < counts.size(); ++i) c.counts[order[i]] = counts[i];
    found.push_back(std::move(c));
    return true;
  };
  Search<decltype(leaf)> search(sorted, target - tolerance, target + tolerance, kMaxFindSteps, leaf);
  search.Run();
  if (more != nullptr) *more = over;
  return found;
}

double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts) {
  return Rules(symbols).Dbe(counts.data());
}

double ReadingDbe(const Reading& reading) {
  std::vector<std::string> symbols;
  std::vector<int> counts;
  for (const ElementShare& e : reading.elements) {
    if (e.atoms != std::floor(e.atoms) || !(std::fabs(e.atoms) < 1e9))
      return std::numeric_limits<double>::quiet_NaN();
    symbols.push_back(e.symbol);
    counts.push_back(static_cast<int>(e.atoms));
  }
  const Rules rules(symbols);  // for the listed, in the ranges' order
  if (!reading.has_value || symbols.empty() || !rules.ValencesKnown(counts.data())) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return rules.Dbe(counts.data());
}

bool ValencesKnown(const std::vector<std::string>& symbols, const std::vector<int>& counts) {
  return Rules(symbols).ValencesKnown(counts.data());
}

std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical) {
  return Rules(symbols).Broken(counts.data(), charge, radical, nullptr);
}

std::vector<std::string> RulesChecked(const std::vector<std::string>& symbols, const std::vector<int>& counts,
                                      int charge, bool radical) {
  std::vector<std::string> checked;
  Rules(symbols).Broken(counts.data(), charge, radical, &checked);
  return checked;
}

std::vector<ElementRange> ParseElementRanges(const Context& context, const std::string& text,
                                             std::string* error) {
  std::vector<ElementRange> out;
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto fail = [&](std::size_t at, const std::string& what) {
    *error = "element ranges, position " + std::to_string(at + 1) + ": " + what;
    out.clear();
    return out;
  };
  auto byte = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(text[k]) : 0; };
  auto number = [&](long* value) {
    std::size_t start = i;
    *value = 0;
    while (bytes::IsDigit(byte(i)) && i - start < 8) *value = *value * 10 + (text[i++] - '0');
    return i > start && !bytes::IsDigit(byte(i));
  };
  constexpr long kMostAtoms = 1000000;
  while (true) {
    while (i < n && (bytes::IsBlank(byte(i)) || text[i] == ',')) ++i;
    if (i == n) break;
    const std::size_t start = i;
    std::string symbol;
    if (text[i] == '[') {
      ++i;
      while (bytes::IsDigit(byte(i))) ++i;
      if (i == start + 1 || !bytes::IsCapital(byte(i))) return fail(start, "a label is written [13C]");
      ++i;
      while (bytes::IsSmall(byte(i))) ++i;
      if (byte(i) != ']') return fail(start, "a label is written [13C]");
      symbol = text.substr(start, ++i - start);
    } else if (bytes::IsCapital(byte(i))) {
      ++i;
      while (bytes::IsSmall(byte(i))) ++i;
      symbol = text.substr(start, i - start);
    } else {
      return fail(start, "expected an element symbol, found '" + text.substr(start, 1) + "'");
    }
    const std::string key = IsotopeKey(symbol);
    const Isotope* isotope =
        key.find('/') != std::string::npos ? LabelledIsotope(context, key) : PrincipalIsotope(context, key);
    if (isotope == nullptr) {
      return fail(start, "'" + symbol + "' is no element (or isotope) of the isotope list");
    }
    for (const ElementRange& r : out) {
      if (r.symbol == symbol) return fail(start, "'" + symbol + "' is given twice");
    }
    long least = 1, most = 1;
    if (bytes::IsDigit(byte(i))) {
      const std::size_t at = i;
      if (!number(&least) || least > kMostAtoms) {
        return fail(at, "a count is at most " + std::to_string(kMostAtoms));
      }
      most = least;
      if (byte(i) == '-') {
        ++i;
        const std::size_t at_most = i;
        if (!bytes::IsDigit(byte(i))) return fail(at_most, "a range is written least-most (C0-60)");
        if (!number(&most) || most > kMostAtoms) {
          return fail(at_most, "a count is at most " + std::to_string(kMostAtoms));
        }
        if (most < least) return fail(at, "the range of " + symbol + " ends before it starts");
      }
    }
    out.push_back({symbol, isotope->mass, static_cast<int>(least), static_cast<int>(most)});
    if (out.size() > 32) return fail(start, "at most 32 elements");
  }
  if (out.empty()) return fail(0, "no element given");
  return out;
}

std::vector<Peak> ParsePeaks(const std::string& text, std::string* error) {
  std::vector<Peak> out;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto separator = [&](std::size_t k) {
    return k < n && (text[k] == ',' || bytes::IsBlank(static_cast<unsigned char>(text[k])));
  };
  while (true) {
    while (separator(i)) ++i;
    if (i == n) break;
    std::size_t end = i;
    while (end < n && !separator(end)) ++end;
    const std::string part = text.substr(i, end - i);
    const std::size_t colon = part.find(':');
    double mz = 0.0, intensity = 0.0;
    auto whole = [](const std::string& t, double* value) {
      return !t.empty() && ParseNumber(t.data(), t.data() + t.size(), value) == t.data() + t.size();
    };
    if (colon == std::string::npos || !whole(part.substr(0, colon), &mz) ||
        !whole(part.substr(colon + 1), &intensity) || !(mz > 0) || !(intensity > 0) || !std::isfinite(mz) ||
        !std::isfinite(intensity)) {
      *error =
          "a peak is written m/z:intensity with both positive numbers (328.1911:100), not '" + part + "'";
      return {};
    }
    out.push_back({mz, intensity});
    if (out.size() > 100) {
      *error = "at most 100 peaks";
      return {};
    }
    i = end;
  }
  std::sort(out.begin(), out.end(), [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
  return out;
}

double PatternScore(const std::vector<Peak>& found_in, const std::vector<Peak>& calculated_in,
                    double window) {
  if (found_in.empty() || !(window > 0)) return 0.0;
  auto scaled = [](const std::vector<Peak>& peaks) {
    double top = 0.0;
    for (const Peak& p : peaks) top = std::max(top, p.abundance);
    std::vector<Peak> out = peaks;
    for (Peak& p : out) p.abundance = top > 0 ? p.abundance / top * 100.0 : 0.0;
    return out;
  };
  const std::vector<Peak> found = scaled(found_in), calculated = scaled(calculated_in);
  double smallest = 100.0, first = found.front().mass, last = found.front().mass;
  for (const Peak& p : found) {
    smallest = std::min(smallest, p.abundance);
    first = std::min(first, p.mass);
    last = std::max(last, p.mass);
  }
  std::vector<bool> paired(calculated.size(), false);
  double weights = 0.0, deviations = 0.0;
  auto add = [&](double fi, double ci, double mass_deviation) {
    const double w = std::max(fi, ci);
    if (!(w > 0)) return;
    const double intensity_deviation = std::fabs(fi - ci) / w;
    weights += w;
    deviations += w * std::max(intensity_deviation, std::min(1.0, mass_deviation));
  };
  for (const Peak& f : found) {
    std::size_t best = calculated.size();
    for (std::size_t c = 0; c < calculated.size(); ++c) {
      const double d = std::fabs(calculated[c].mass - f.mass);
      if (d <= window && !paired[c] &&
          (best == calculated.size() || d < std::fabs(calculated[best].mass - f.mass))) {
        best = c;
      }
    }
    if (best == calculated.size()) {
      add(f.abundance, 0.0, 1.0);
    } else {
      paired[best] = true;
      add(f.abundance, calculated[best].abundance, std::fabs(calculated[best].mass - f.mass) / window);
    }
  }
  for (std::size_t c = 0; c < calculated.size(); ++c) {
    const Peak& p = calculated[c];
    if (!paired[c] && p.abundance >= smallest / 2 && p.mass >= first - 0.5 && p.mass <= last + 0.5) {
      add(0.0, p.abundance, 1.0);
    }
  }
  return weights > 0 ? 100.0 * (1.0 - deviations / weights) : 0.0;
}

FindResult FindFormulas(const Context& context, const FindQuery& q) {
  FindResult result;
  auto fail = [&](const std::string& what) {
    result.error = what;
    return result;
  };
  if (!(q.mz > 0) || !(q.mz <= 1e6)) return fail("the mass must be a positive number of at most 1000000");
  const bool by_mda = !std::isnan(q.mda);
  if (by_mda ? !(q.mda >= 0 && q.mda <= 1e6) : !(q.ppm >= 0 && q.ppm <= 1e5)) {
    return fail(by_mda ? "the tolerance in mDa must lie between 0 and 1000000"
                       : "the tolerance in ppm must lie between 0 and 100000");
  }
  if (q.limit == 0) return fail("the limit must be at least 1");
  if (context.isotopes.empty()) return fail("no isotope data (isotopes.txt) was found");
  std::string error;
  result.ranges = ParseElementRanges(context, q.elements, &error);
  if (!error.empty()) return fail(error);
  std::vector<ElementRange>& ranges = result.ranges;
  const std::size_t k = ranges.size();
  std::vector<std::string> symbols;
  for (const ElementRange& r : ranges) symbols.push_back(r.symbol);

  // The ion: m/z = (multiplier x S + shift - charge x electron) / |charge|
  // for a candidate of mass S (the neutral mass itself with no ion).
  int multiplier = 1, charge = 0;
  double shift = 0.0;
  if (!q.adduct.empty()) {
    if (q.charge != 0) return fail("give an adduct ion or a charge, not both");
    if (q.radical)
      return fail("an adduct ion is even-electron: the odd-electron case is a charge of its own");
    std::size_t a = context.adducts.size();
    for (std::size_t j = 0; j < context.adducts.size(); ++j) {
      if (context.adducts[j].name == q.adduct) a = j;
    }
    if (a == context.adducts.size()) return fail("unknown adduct " + q.adduct);
    const Adduct& adduct = context.adducts[a];
    const AdductCounts& parts = AdductCountsOf(context)[a];
    multiplier = adduct.multiplier;
    charge = adduct.charge;
    std::map<std::string, double> need;  // atoms M must hold: removed less added, per multiple
    for (const auto& [key, n] : parts.removed) need[key] += n;
    for (const auto& [key, n] : parts.added) need[key] -= n;
    auto mass_of = [&](const std::map<std::string, double>& counts, double sign) {
      for (const auto& [key, n] : counts) {
        const Isotope* i = key.find('/') != std::string::npos ? LabelledIsotope(context, key)
                                                              : PrincipalIsotope(context, key);
        if (i == nullptr) return false;
        shift += sign * n * i->mass;
      }
      return true;
    };
    if (!mass_of(parts.added, 1.0) || !mass_of(parts.removed, -1.0)) {
      return fail("no isotope data for an element of " + q.adduct);
    }
    for (const auto& [key, n] : need) {
      if (n <= 0) continue;
      bool held = false;
      for (ElementRange& r : ranges) {
        if (IsotopeKey(r.symbol) != key) continue;
        held = true;
        r.least = std::max(r.least, static_cast<int>(std::ceil(n / multiplier - 1e-9)));
        if (r.least > r.most) return fail(q.adduct + " needs more " + r.symbol + " than its range allows");
      }
      if (!held) return fail(q.adduct + " removes " + key + ", which the element ranges do not hold");
    }
  } else {
    charge = q.charge;
    if (std::abs(charge) > 100) return fail("the charge must lie between -100 and 100");
  }
  result.charge = charge;
  const double divisor = charge == 0 ? 1.0 : std::abs(charge);
  const double electrons = charge * kElectronMolarMass;
  auto mz_of = [&](double s) { return (multiplier * s + shift - electrons) / divisor; };
  // The m/z window, then the candidates' masses that reach it.
  if (by_mda) {
    result.low = q.mz - q.mda / 1000.0;
    result.high = q.mz + q.mda / 1000.0;
  } else {
    result.low = q.mz / (1.0 + q.ppm * 1e-6);
    result.high = q.mz / (1.0 - q.ppm * 1e-6);
  }
  auto mass_for = [&](double mz) { return (mz * divisor - shift + electrons) / multiplier; };
  const double low = mass_for(result.low), high = mass_for(result.high);
  const double slack = 1e-9 * std::max(1.0, std::fabs(high));
  auto within = [&](double mz) {
    const double off = by_mda ? std::fabs(q.mz - mz) * 1000.0 : std::fabs((q.mz - mz) / mz * 1e6);
    return off <= (by_mda ? q.mda : q.ppm);
  };

  // The search, heaviest first; the leaf holds each candidate to the
  // window and the rules, and keeps it.
  const std::vector<std::size_t> order = HeaviestFirst(ranges);
  std::vector<ElementRange> sorted;
  for (std::size_t i : order) sorted.push_back(ranges[i]);
  const int species_charge = q.adduct.empty() ? charge : 0;
  const bool species_radical = q.adduct.empty() && q.radical;
  const Rules rules(symbols);  // for the listed, in the ranges' order
  // The closest candidates, at most `keep` of them: a heap with the
  // farthest on top (by relative error, then by counts), their counts in
  // slots of `kept_counts`.
  const std::size_t keep = std::max(q.limit, q.peaks.empty() ? std::size_t{0} : kMaxFindScored);
  std::vector<int> kept_counts;
  std::vector<double> kept_mz, kept_error;
  std::vector<const char*> kept_broken;
  std::vector<std::size_t> heap;                     // slots
  auto closer = [&](std::size_t a, std::size_t b) {  // slot a before slot b
    if (kept_error[a] != kept_error[b]) return kept_error[a] < kept_error[b];
    return std::lexicographical_compare(
        kept_counts.begin() + static_cast<long>(a * k), kept_counts.begin() + static_cast<long>((a + 1) * k),
        kept_counts.begin() + static_cast<long>(b * k), kept_counts.begin() + static_cast<long>((b + 1) * k));
  };
  std::vector<int> counts(k);
  // The rules over the heaviest-first order (the rule named is the same
  // in any order of the elements).
  std::vector<std::string> sorted_symbols;
  for (const ElementRange& r : sorted) sorted_symbols.push_back(r.symbol);
  const Rules sorted_rules(sorted_symbols);
  std::vector<std::pair<const char*, std::size_t>> removed;  // by rule, counted
  // Once the heap is full, the masses whose error can still beat its
  // farthest (a little wider: the exact error decides).
  double keep_low = -std::numeric_limits<double>::infinity(),
         keep_high = std::numeric_limits<double>::infinity();
  auto leaf = [&](const std::vector<int>& heaviest_first, double s) {
    // The search passes only masses in the window (`within`, below).
    if (!(s > 0)) return true;  // no atoms
    ++result.within;
    const char* broken =
        q.rules ? sorted_rules.Broken(heaviest_first.data(), species_charge, species_radical, nullptr) : "";
    if (*broken != '\0') {
      std::size_t r = 0;
      while (r < removed.size() && removed[r].first != broken) ++r;  // a dozen rules at most
      if (r == removed.size()) removed.emplace_back(broken, 0);
      ++removed[r].second;
      if (!q.explain) return true;
    } else {
      ++result.passed;
    }
    if (s < keep_low || s > keep_high) return true;  // farther than all kept
    const double mz = mz_of(s);
    const double off = std::fabs(q.mz - mz) / mz;
    if (heap.size() == keep && off > kept_error[heap.front()]) return true;
    for (std::size_t i = 0; i < k; ++i) counts[order[i]] = heaviest_first[i];
    std::size_t slot = heap.size();
    if (heap.size() == keep) {  // the farthest gives way, unless it is closer on a tie
      slot = heap.front();
      const std::vector<int> old(kept_counts.begin() + static_cast<long>(slot * k),
                                 kept_counts.begin() + static_cast<long>((slot + 1) * k));
      if (off == kept_error[slot] &&
          !std::lexicographical_compare(counts.begin(), counts.end(), old.begin(), old.end())) {
        return true;
      }
      std::pop_heap(heap.begin(), heap.end(), closer);
      heap.pop_back();
    } else {
      kept_counts.resize((slot + 1) * k);
      kept_mz.push_back(0.0);
      kept_error.push_back(0.0);
      kept_broken.push_back("");
    }
    std::copy(counts.begin(), counts.end(), kept_counts.begin() + static_cast<long>(slot * k));
    kept_mz[slot] = mz;
    kept_error[slot] = off;
    kept_broken[slot] = broken;
    heap.push_back(slot);
    std::push_heap(heap.begin(), heap.end(), closer);
    if (heap.size() == keep) {
      const double worst = kept_error[heap.front()];
      keep_low = mass_for(q.mz / (1.0 + worst)) - slack;
      keep_high =
          worst < 1.0 ? mass_for(q.mz / (1.0 - worst)) + slack : std::numeric_limits<double>::infinity();
    }
    return true;
  };
  Search<decltype(leaf)> search(sorted, low - slack, high + slack, q.max_steps, leaf);
  // Without --explain, the DBE rule prunes the search where every element
  // has a valence: W = sum n (v - 2) = 2 (DBE - 1) of the right parity and
  // at least -2 - |charge|.
  std::vector<int> weights;
  bool prune = q.rules && !q.explain && low - slack > 0;
  for (const ElementRange& r : sorted) {
    weights.push_back(Valence(r.symbol) - 2);
    prune = prune && Valence(r.symbol) > 0;
  }
  const bool whole_expected = (species_charge % 2 == 0) != species_radical;
  result.complete = search.Run(prune ? &weights : nullptr, -2 - std::abs(species_charge),
                               whole_expected ? 0 : 1, [&](double s) { return s > 0 && within(mz_of(s)); });
  result.steps = search.steps();
  if (search.pruned() > 0) {
    result.within += search.pruned();
    bool counted = false;
    for (auto& [rule, n] : removed) {
      if (std::string_view(rule) == "dbe") n += search.pruned(), counted = true;
    }
    if (!counted) removed.emplace_back("dbe", search.pruned());
  }
  for (const auto& [rule, n] : removed) result.removed[rule] = n;
  const std::size_t eligible = q.explain ? result.within : result.passed;
  if (!result.complete) {
    result.warning = "the search stopped after " + PlainText(q.max_steps) +
                     " steps: candidates may be missing (narrow the element ranges or the tolerance)";
  }

  // Rank: by |error|, then with peaks the closest by their score.
  std::vector<std::size_t> rank = heap;
  std::sort(rank.begin(), rank.end(), closer);
  const std::size_t to_score = q.peaks.empty() ? 0 : std::min(rank.size(), kMaxFindScored);

  auto make = [&](std::size_t c) {
    FindCandidate f;
    f.counts.assign(kept_counts.begin() + c * k, kept_counts.begin() + (c + 1) * k);
    std::vector<std::pair<std::string, double>> pairs;
    for (std::size_t i = 0; i < k; ++i) {
      if (f.counts[i] == 0) continue;
      f.formula += ranges[i].symbol;
      if (f.counts[i] != 1) f.formula += std::to_string(f.counts[i]);
      pairs.emplace_back(ranges[i].symbol, f.counts[i]);
    }
    if (species_charge != 0) f.formula += "^" + ChargeName(species_charge);
    f.hill = HillFormula(pairs, species_charge, false);
    double s = 0.0;
    for (std::size_t i = 0; i < k; ++i) s += f.counts[i] * ranges[i].mass;
    f.monoisotopic = q.adduct.empty() ? s - electrons : s;
    f.mz = kept_mz[c];
    f.ppm = (q.mz - f.mz) / f.mz * 1e6;
    f.mda = (q.mz - f.mz) * 1000.0;
    f.dbe = rules.ValencesKnown(f.counts.data()) ? rules.Dbe(f.counts.data())
                                                 : std::numeric_limits<double>::quiet_NaN();
    f.broken = kept_broken[c];
    if (q.rules) {
      std::vector<std::string> checked;
      rules.Broken(f.counts.data(), species_charge, species_radical, &checked);
      for (const std::string& rule : checked) {
        if (rule != f.broken) f.rules.push_back(rule);
      }
    }
    return f;
  };
  // The ion of a candidate as a formula the reader takes, for its pattern
  // and the HRMS line.
  auto ion_of = [&](const FindCandidate& f, AdductIon* ion) {
    if (q.adduct.empty()) {
      ion->name = "[M]" + ChargeName(charge);
      std::vector<std::pair<std::string, double>> pairs;
      for (std::size_t i = 0; i < k; ++i) {
        if (f.counts[i] != 0) pairs.emplace_back(ranges[i].symbol, f.counts[i]);
      }
      ion->formula = HillFormula(pairs, 0, false);
      ion->charge = charge;
      ion->mz = f.mz;
      return true;
    }
    const Reading m = Read(context, f.hill.data(), f.hill.size());
    const ExactMasses x = Exact(context, m, {q.adduct});
    if (!x.error.empty() || x.adducts.size() != 1 || !x.adducts[0].possible) return false;
    *ion = x.adducts[0];
    return true;
  };

  std::vector<FindCandidate> listed;
  if (to_score > 0) {
    const double resolving_power = q.resolving_power > 0 ? q.resolving_power : FORMIX_DEFAULT_RESOLVING_POWER;
    const double window = 2.0 * (by_mda ? q.mda / 1000.0 : q.peaks.front().mass * q.ppm * 1e-6);
    double work = 0.0;
    for (std::size_t j = 0; j < to_score; ++j) {
      FindCandidate f = make(rank[j]);
      AdductIon ion;
      if (work > kMaxFindScoreWork) {
        // Listed unscored, after the scored ones.
      } else if (ion_of(f, &ion)) {
        ++result.scored;
        std::string text = ion.formula;
        if (ion.charge != 0) text += "^" + ChargeName(ion.charge);
        const Reading r = Read(context, text.data(), text.size());
        const Pattern p = IsotopePattern(context, r, 1e-4, resolving_power);
        work += p.work;
        if (p.error.empty()) f.score = PatternScore(q.peaks, p.peaks, std::max(window, 1e-6));
      }
      listed.push_back(std::move(f));
    }
    if (result.scored < to_score && result.warning.empty()) {
      result.warning = "only the " + std::to_string(result.scored) +
                       " candidates closest in mass were scored against the peaks (the patterns' work "
                       "was at its bound): narrow the element ranges or the tolerance";
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const FindCandidate& a, const FindCandidate& b) { return a.score > b.score; });
    if (listed.size() > q.limit) listed.resize(q.limit);
  } else {
    for (std::size_t j = 0; j < rank.size() && j < q.limit; ++j) listed.push_back(make(rank[j]));
  }
  result.unlisted = eligible - listed.size();
  result.candidates = std::move(listed);
  if (charge != 0) {
    for (const FindCandidate& f : result.candidates) {
      AdductIon ion;
      if (!f.broken.empty() || !ion_of(f, &ion)) continue;
      result.hrms = HrmsLine(q.source, ion, q.mz);
      break;
    }
  }
  return result;
}

}  // namespace formix::toolkit
