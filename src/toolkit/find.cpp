// find.cpp -- see find.h.
#include "toolkit/find.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace formix::toolkit {
namespace {

struct Search {
  std::vector<ElementRange> ranges;           // heaviest first
  std::vector<double> rest_least, rest_most;  // mass of ranges [i, end) at their least and most counts
  double low, high;                           // the window
  std::size_t limit;
  std::vector<int> counts;
  std::vector<MassCandidate> found;
  bool more = false;

  void Visit(std::size_t i, double mass) {
    if (more) return;
    if (i == ranges.size()) {
      if (mass >= low && mass <= high) {
        if (found.size() == limit) {
          more = true;
          return;
        }
        found.push_back({counts, mass});
      }
      return;
    }
    const ElementRange& r = ranges[i];
    // The counts of element i for which the rest can still land in the
    // window: low <= mass + n m + rest <= high, rest within [least, most].
    const double after_least = rest_least[i + 1], after_most = rest_most[i + 1];
    long first = static_cast<long>(std::ceil((low - mass - after_most) / r.mass - 1e-9));
    long last = static_cast<long>(std::floor((high - mass - after_least) / r.mass + 1e-9));
    first = std::max<long>(first, r.least);
    last = std::min<long>(last, r.most);
    for (long n = first; n <= last && !more; ++n) {
      counts[i] = static_cast<int>(n);
      Visit(i + 1, mass + static_cast<double>(n) * r.mass);
    }
    counts[i] = 0;
  }
};

}  // namespace

std::vector<MassCandidate> FindByMass(const std::vector<ElementRange>& ranges, double target,
                                      double tolerance, std::size_t limit, bool* more) {
  Search s;
  std::vector<std::size_t> order(ranges.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return ranges[a].mass > ranges[b].mass; });
  for (std::size_t i : order) s.ranges.push_back(ranges[i]);
  const std::size_t k = s.ranges.size();
  s.rest_least.assign(k + 1, 0.0);
  s.rest_most.assign(k + 1, 0.0);
  for (std::size_t i = k; i-- > 0;) {
    s.rest_least[i] = s.rest_least[i + 1] + s.ranges[i].least * s.ranges[i].mass;
    s.rest_most[i] = s.rest_most[i + 1] + s.ranges[i].most * s.ranges[i].mass;
  }
  s.low = target - tolerance;
  s.high = target + tolerance;
  s.limit = limit;
  s.counts.assign(k, 0);
  if (k > 0) s.Visit(0, 0.0);
  if (more != nullptr) *more = s.more;
  // Back to the caller's order of elements.
  for (MassCandidate& c : s.found) {
    std::vector<int> counts(k);
    for (std::size_t i = 0; i < k; ++i) counts[order[i]] = c.counts[i];
    c.counts = std::move(counts);
  }
  return s.found;
}

namespace {

// The lowest common valence of an element, 0 for one DBE does not count.
int Valence(const std::string& s) {
  if (s == "H" || s == "D" || s == "T" || s == "F" || s == "Cl" || s == "Br" || s == "I") return 1;
  if (s == "O" || s == "S" || s == "Se") return 2;
  if (s == "N" || s == "P" || s == "As" || s == "B") return 3;
  if (s == "C" || s == "Si" || s == "Ge") return 4;
  return 0;
}

int CountOf(const std::vector<std::string>& symbols, const std::vector<int>& counts, const char* symbol) {
  int n = 0;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (symbols[i] == symbol) n += counts[i];
  }
  return n;
}

}  // namespace

double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts) {
  double sum = 0.0;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    const int v = Valence(symbols[i]);
    if (v > 0) sum += counts[i] * (v - 2);
  }
  return 1.0 + sum / 2.0;
}

std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical) {
  const double dbe = Dbe(symbols, counts);
  const bool whole = dbe == std::floor(dbe);
  const bool whole_expected = (charge % 2 == 0) != radical;
  if (dbe < 0 || whole != whole_expected) return "dbe";
  long valences = 0, atoms = 0;
  int largest = 0;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    const int v = Valence(symbols[i]);
    valences += static_cast<long>(counts[i]) * v;
    atoms += counts[i];
    if (counts[i] > 0) largest = std::max(largest, v);
  }
  // LEWIS and SENIOR hold for neutral closed-shell molecules.
  if (charge == 0 && !radical) {
    if (valences % 2 != 0) return "lewis";
    if (valences < 2 * largest || valences < 2 * (atoms - 1)) return "senior";
  }
  const int c = CountOf(symbols, counts, "C");
  if (c > 0) {
    const struct {
      const char *symbol, *rule;
      double most;
    } kRatios[] = {{"N", "n/c", 1.3}, {"O", "o/c", 1.2},   {"P", "p/c", 0.3},  {"S", "s/c", 0.8},
                   {"F", "f/c", 1.5}, {"Cl", "cl/c", 0.8}, {"Br", "br/c", 0.8}};
    const double h = CountOf(symbols, counts, "H");
    if (h / c < 0.2 || h / c > 3.1) return "h/c";
    for (const auto& r : kRatios) {
      if (CountOf(symbols, counts, r.symbol) > r.most * c) return r.rule;
    }
  }
  return "";
}

}  // namespace formix::toolkit
