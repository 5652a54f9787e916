// rules.cpp -- see rules.h.
#include "toolkit/compound/rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

// The element ratios to carbon of the Seven Golden Rules.
struct Ratio {
  const char *element, *rule;
  double least, most;
};
constexpr Ratio kRatios[] = {{"H", "h/c", 0.1, 6.0}, {"N", "n/c", 0.0, 4.0},   {"O", "o/c", 0.0, 3.0},
                             {"P", "p/c", 0.0, 2.0}, {"S", "s/c", 0.0, 3.0},   {"Si", "si/c", 0.0, 1.0},
                             {"F", "f/c", 0.0, 6.0}, {"Cl", "cl/c", 0.0, 2.0}, {"Br", "br/c", 0.0, 2.0}};
constexpr std::size_t kRatioCount = sizeof kRatios / sizeof kRatios[0];

}  // namespace

ChemicalRules::ChemicalRules(const std::vector<std::string>& symbols) {
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

double ChemicalRules::Dbe(const int* counts) const {
  long sum = 0;
  for (std::size_t i = 0; i < valence_.size(); ++i) {
    if (valence_[i] > 0) sum += static_cast<long>(counts[i]) * (valence_[i] - 2);
  }
  return 1.0 + static_cast<double>(sum) / 2.0;
}

bool ChemicalRules::ValencesKnown(const int* counts) const {
  for (std::size_t i = 0; i < valence_.size(); ++i) {
    if (counts[i] != 0 && valence_[i] == 0) return false;
  }
  return true;
}

const char* ChemicalRules::Broken(const int* counts, int charge, bool radical,
                                  std::vector<std::string>* checked) const {
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

double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts) {
  return ChemicalRules(symbols).Dbe(counts.data());
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
  const ChemicalRules rules(symbols);
  if (!reading.has_value || symbols.empty() || !rules.ValencesKnown(counts.data())) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return rules.Dbe(counts.data());
}

std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical) {
  return ChemicalRules(symbols).Broken(counts.data(), charge, radical, nullptr);
}

}  // namespace formix::toolkit
