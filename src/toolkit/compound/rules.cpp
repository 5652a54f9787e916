// rules.cpp -- see rules.h.
#include "toolkit/compound/rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

// The element ratios to carbon of the Seven Golden Rules (rule 4): the
// extended ranges (99.99 % of the compounds the rules were drawn from)
// and the common ones (99.7 %).
struct Ratio {
  const char *element, *rule;
  double least, most;                // extended
  double common_least, common_most;  // common
};
constexpr Ratio kRatios[] = {
    {"H", "h/c", 0.1, 6.0, 0.2, 3.1}, {"N", "n/c", 0.0, 4.0, 0.0, 1.3},   {"O", "o/c", 0.0, 3.0, 0.0, 1.2},
    {"P", "p/c", 0.0, 2.0, 0.0, 0.3}, {"S", "s/c", 0.0, 3.0, 0.0, 0.8},   {"Si", "si/c", 0.0, 1.0, 0.0, 0.5},
    {"F", "f/c", 0.0, 6.0, 0.0, 1.5}, {"Cl", "cl/c", 0.0, 2.0, 0.0, 0.8}, {"Br", "br/c", 0.0, 2.0, 0.0, 0.8}};
constexpr std::size_t kRatioCount = sizeof kRatios / sizeof kRatios[0];
enum RatioIndex { kH, kN, kO, kP, kS, kSi, kF, kCl, kBr };
// The element counts by mass range (rule 1): the most atoms of each
// element a compound below the mass had in the Dictionary of Natural
// Products or the Wiley library (-1: not limited). Above the last range
// the statistics say nothing: no limit.
constexpr const char* kLimitElements[] = {"C", "H", "N", "O", "P", "S", "Si", "F", "Cl", "Br"};
constexpr const char* kLimitRules[] = {"c-limit", "h-limit",  "n-limit", "o-limit",  "p-limit",
                                       "s-limit", "si-limit", "f-limit", "cl-limit", "br-limit"};
constexpr std::size_t kLimitCount = sizeof kLimitElements / sizeof kLimitElements[0];
struct MassRange {
  double below;
  int most[kLimitCount];
};
constexpr MassRange kDnpLimits[] = {{500, {29, 72, 10, 18, 4, 7, -1, 15, 8, 5}},
                                    {1000, {66, 126, 25, 27, 6, 8, -1, 16, 11, 8}},
                                    {2000, {115, 236, 32, 63, 6, 8, -1, 16, 11, 8}},
                                    {3000, {162, 208, 48, 78, 6, 9, -1, 16, 11, 8}}};
constexpr MassRange kWileyLimits[] = {{500, {39, 72, 20, 20, 9, 10, 8, 16, 10, 4}},
                                      {1000, {78, 126, 20, 27, 9, 14, 14, 34, 12, 8}},
                                      {2000, {156, 180, 20, 40, 9, 14, 15, 48, 12, 10}}};
enum LimitIndex { kLimitN = 2, kLimitO = 3, kLimitP = 4, kLimitS = 5 };

// The limits for a mass, or nullptr.
const int* LimitsFor(ElementLimits limits, double mass) {
  const MassRange* first = limits == ElementLimits::kDnp ? kDnpLimits : kWileyLimits;
  const std::size_t n = limits == ElementLimits::kDnp ? std::size(kDnpLimits) : std::size(kWileyLimits);
  if (limits == ElementLimits::kNone || !(mass >= 0)) return nullptr;
  for (std::size_t r = 0; r < n; ++r) {
    if (mass < first[r].below) return first[r].most;
  }
  return nullptr;
}

// The HNOPS probability check (rule 5): counts that occur together.
struct Hnops {
  int above[4];  // N, O, P, S: the check applies where each listed count is above this (-1: not listed)
  int below[4];  // and then each listed count must be below this
};
constexpr Hnops kHnops[] = {{{1, 1, 1, 1}, {10, 20, 4, 3}},
                            {{3, 3, 3, -1}, {11, 22, 6, 0}},
                            {{-1, 1, 1, 1}, {0, 14, 3, 3}},
                            {{1, -1, 1, 1}, {4, 0, 3, 3}},
                            {{6, 6, -1, 6}, {19, 14, 0, 8}}};

bool HnopsFails(const long* nops) {
  for (const Hnops& h : kHnops) {
    bool applies = true, fails = false;
    for (int i = 0; i < 4; ++i) {
      if (h.above[i] < 0) continue;
      applies = applies && nops[i] > h.above[i];
      fails = fails || nops[i] >= h.below[i];
    }
    if (applies && fails) return true;
  }
  return false;
}

// The elements whose atoms stand where hydrogens would (for the floor of
// h/c), and whether an element is a halogen.
bool Halogen(std::string_view e) { return e == "F" || e == "Cl" || e == "Br" || e == "I"; }

}  // namespace

const char* RatioSetName(RatioSet set) {
  return set == RatioSet::kCommon ? "common" : set == RatioSet::kNone ? "none" : "extended";
}

const char* ElementLimitsName(ElementLimits limits) {
  return limits == ElementLimits::kDnp ? "dnp" : limits == ElementLimits::kWiley ? "wiley" : "none";
}

ChemicalRules::ChemicalRules(const std::vector<std::string>& symbols, RuleChoice choice) : choice_(choice) {
  for (const std::string& s : symbols) {
    const std::string_view e = LabelledElement(s);
    valence_.push_back(Valence(s));
    carbon_.push_back(e == "C");
    halogen_.push_back(Halogen(e));
    nitrogen_.push_back(e == "N");
    int ratio = -1;
    for (std::size_t r = 0; r < kRatioCount; ++r) {
      if (e == kRatios[r].element) ratio = static_cast<int>(r);
    }
    ratio_.push_back(ratio);
    int limit = -1;
    for (std::size_t l = 0; l < kLimitCount; ++l) {
      if (e == kLimitElements[l]) limit = static_cast<int>(l);
    }
    limit_.push_back(limit);
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

const char* ChemicalRules::Broken(const int* counts, double mass, int charge, bool radical,
                                  std::vector<std::string>* checked) const {
  const char* broken = "";
  auto check = [&](const char* rule, bool fails) {
    if (checked != nullptr) checked->emplace_back(rule);
    if (fails && *broken == '\0') broken = rule;
    return checked == nullptr && *broken != '\0';
  };
  // One pass over the counts for every rule.
  bool known = true;
  long valences = 0, atoms = 0, w = 0, carbon = 0, halogens = 0, nitrogen = 0;
  int largest = 0;
  long per_ratio[kRatioCount] = {};
  bool present[kRatioCount] = {};
  long per_limit[kLimitCount] = {};
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
    if (halogen_[i]) halogens += n;
    if (nitrogen_[i]) nitrogen += n;
    if (ratio_[i] >= 0) {
      per_ratio[ratio_[i]] += n;
      present[ratio_[i]] = true;
    }
    if (limit_[i] >= 0) per_limit[limit_[i]] += n;
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
  if (carbon > 0 && choice_.ratios != RatioSet::kNone) {
    const bool common = choice_.ratios == RatioSet::kCommon;
    // Where the limits remove real compounds, the atoms counted:
    // halogens stand where hydrogens would, so the lower limit of h/c
    // counts both (CCl4, C6Cl6, C8F18); a halogen's own limit does not
    // remove a formula whose hydrogens and halogens a saturated skeleton
    // of its carbons and nitrogens holds (CHCl3, CHBr3, C2Cl6); the three
    // oxygens of each phosphonate or sulfonate group are not counted in
    // o/c (etidronic acid, foscarnet).
    const bool saturated = per_ratio[kH] + halogens <= 2 * carbon + nitrogen + 2;
    for (std::size_t r = 0; r < kRatioCount; ++r) {
      // H/C has a lower limit: it applies whether or not H is searched for.
      if (!present[r] && r != kH) continue;
      long n = per_ratio[r];
      if (r == kO) n = std::max(0L, n - 3 * (per_ratio[kP] + per_ratio[kS]));
      const double ratio = static_cast<double>(n) / static_cast<double>(carbon);
      const double least = common ? kRatios[r].common_least : kRatios[r].least;
      const double most = common ? kRatios[r].common_most : kRatios[r].most;
      bool fails = ratio > most;
      if (r == kH) fails = fails || static_cast<double>(n + halogens) / static_cast<double>(carbon) < least;
      if ((r == kF || r == kCl || r == kBr) && saturated) fails = false;
      if (check(kRatios[r].rule, fails)) return broken;
    }
  }
  if (const int* most = LimitsFor(choice_.limits, mass)) {
    for (std::size_t l = 0; l < kLimitCount; ++l) {
      if (most[l] < 0 || per_limit[l] == 0) continue;
      if (check(kLimitRules[l], per_limit[l] > most[l])) return broken;
    }
  }
  if (choice_.hnops) {
    const long nops[4] = {per_limit[kLimitN], per_limit[kLimitO], per_limit[kLimitP], per_limit[kLimitS]};
    if (check("hnops", HnopsFails(nops))) return broken;
  }
  return broken;
}

double Dbe(const std::vector<std::string>& symbols, const std::vector<int>& counts) {
  return ChemicalRules(symbols, RuleChoice{}).Dbe(counts.data());
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
  const ChemicalRules rules(symbols, RuleChoice{});
  if (!reading.has_value || symbols.empty() || !rules.ValencesKnown(counts.data())) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return rules.Dbe(counts.data());
}

std::string BrokenRule(const std::vector<std::string>& symbols, const std::vector<int>& counts, int charge,
                       bool radical, RuleChoice choice, double mass) {
  return ChemicalRules(symbols, choice).Broken(counts.data(), mass, charge, radical, nullptr);
}

}  // namespace formix::toolkit
