// analysis.cpp -- elemental analysis calculated against found, and solvate
// fits: the compound with x molecules of one or two solvents per formula
// unit, x from 0.05 to 2 in steps of 0.05.
#include "toolkit/compound/analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>

#include "formula/engine.h"
#include "refdata/tables.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kSteps = 40;  // amounts k / 20 for k = 1..40: 0.05 to 2

// Mass of each element of a reading (g/mol), by element.
std::map<std::string, double> MassByElement(const Reading& r) {
  std::map<std::string, double> out;
  // An isotope label counts as its element: a combustion analysis does not
  // tell 13C from 12C.
  for (const ElementShare& e : r.elements) out[e.element.empty() ? e.symbol : e.element] += e.mass;
  return out;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::string item;
  for (char c : text + ",") {
    if (c == ',' || c == ';' || c == ' ') {
      if (!item.empty()) out.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  return out;
}

// Checks that `symbol` is an element of the context's table; "" when it
// is, else why not.
std::string SymbolProblem(const Context& context, const std::string& symbol, const char* where) {
  if (refdata::LookupElement(context.tables, symbol.data(), symbol.size()) >= 0) return "";
  std::string message = "'" + symbol + "' in the " + where + " is not an element symbol";
  if (!symbol.empty() && formula::IsSmall(symbol[0])) {
    std::string fixed = symbol;
    fixed[0] = static_cast<char>(fixed[0] - 'a' + 'A');
    if (refdata::LookupElement(context.tables, fixed.data(), fixed.size()) >= 0) {
      message += " (did you mean '" + fixed + "'?)";
    }
  }
  return message;
}

// A list of element symbols in Hill's order.
void HillSort(std::vector<std::string>& symbols) {
  std::vector<HillEntry> entries;
  for (const std::string& s : symbols) entries.push_back({s, s});
  std::vector<std::string> sorted;
  for (std::size_t i : HillOrder(entries)) sorted.push_back(symbols[i]);
  symbols = std::move(sorted);
}

std::string Line(const char* head, const std::vector<std::string>& elements,
                 const std::vector<double>& values) {
  std::string out = head;
  bool first = true;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (std::isnan(values[i])) continue;
    out += (first ? " " : "; ") + elements[i] + ", " + FixedText(values[i], 2);
    first = false;
  }
  return out + ".";
}

std::string Amount(double x) {
  std::string s = PlainText(x);
  return s == "1" ? "" : s;
}

struct SolventMasses {
  std::string hill;
  double molar_mass;
  std::vector<double> masses;  // of each analysed element
};

}  // namespace

ElementalAnalysis AnalyzeElements(const Context& context, const Reading& reading, const std::string& elements,
                                  const std::string& found, double tolerance, int solvents) {
  ElementalAnalysis a;
  a.tolerance = tolerance;
  if (!reading.has_value) {
    a.error = "the formula has no number to analyse";
    return a;
  }
  if (!(tolerance >= 0.0) || !std::isfinite(tolerance)) {
    a.error = "the tolerance must be a number of percent, 0 or more";
    return a;
  }
  a.formula = reading.hill;
  const std::map<std::string, double> compound = MassByElement(reading);

  // Found values: SYMBOL=PERCENT.
  std::map<std::string, double> found_values;
  for (const std::string& item : SplitList(found)) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0) {
      a.error = "expected SYMBOL=PERCENT in the found values, got '" + item + "'";
      return a;
    }
    const std::string symbol = item.substr(0, eq);
    if (std::string problem = SymbolProblem(context, symbol, "found values"); !problem.empty()) {
      a.error = problem;
      return a;
    }
    double value = 0.0;
    const char* begin = item.data() + eq + 1;
    const char* end = item.data() + item.size();
    if (ParseNumber(begin, end, &value) != end || !(value >= 0.0 && value <= 100.0)) {
      a.error = "the found value of " + symbol + " must be a percentage from 0 to 100, got '" +
                std::string(begin, end) + "'";
      return a;
    }
    if (!found_values.emplace(symbol, value).second) {
      a.error = "the found value of " + symbol + " is given twice";
      return a;
    }
  }
  a.has_found = !found_values.empty();

  // The elements analysed.
  std::vector<std::string> chosen = SplitList(elements);
  for (const std::string& symbol : chosen) {
    if (std::string problem = SymbolProblem(context, symbol, "element list"); !problem.empty()) {
      a.error = problem;
      return a;
    }
  }
  if (chosen.empty()) {
    if (a.has_found) {
      for (const auto& f : found_values) chosen.push_back(f.first);
    } else {
      for (const char* s : {"C", "H", "N", "S"}) {
        if (compound.count(s) != 0) chosen.push_back(s);
      }
    }
  }
  HillSort(chosen);
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  a.elements = chosen;
  if (chosen.empty()) {
    a.error = "none of C, H, N and S is in the formula: name the elements to analyse";
    return a;
  }

  const double molar = reading.neutral_mass;
  for (const std::string& e : chosen) {
    auto m = compound.find(e);
    a.calcd.push_back(molar == 0.0 ? 0.0 : (m == compound.end() ? 0.0 : m->second) / molar * 100.0);
    auto f = found_values.find(e);
    a.found.push_back(f == found_values.end() ? kNaN : f->second);
  }
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (!std::isnan(a.found[i]) && std::fabs(a.found[i] - a.calcd[i]) > tolerance) a.within = false;
  }
  a.calcd_line = Line(("Anal. Calcd for " + a.formula + ":").c_str(), chosen, a.calcd);
  if (a.has_found) a.found_line = Line("Found:", chosen, a.found);
  if (solvents <= 0 || !a.has_found) return a;

  // Solvate fits.
  std::vector<double> compound_masses;
  for (const std::string& e : chosen) {
    auto m = compound.find(e);
    compound_masses.push_back(m == compound.end() ? 0.0 : m->second);
  }
  std::vector<SolventMasses> list;
  for (const Solvent& s : context.solvents) {
    Reading r = Read(context, s.formula.data(), s.formula.size());
    if (!r.has_value) continue;
    // Two solvents of one formula (ethyl acetate, dioxane) give one fit.
    if (std::any_of(list.begin(), list.end(), [&](const SolventMasses& m) { return m.hill == r.hill; }))
      continue;
    const std::map<std::string, double> by_symbol = MassByElement(r);
    SolventMasses masses{r.hill, r.neutral_mass, {}};
    for (const std::string& e : chosen) {
      auto m = by_symbol.find(e);
      masses.masses.push_back(m == by_symbol.end() ? 0.0 : m->second);
    }
    list.push_back(std::move(masses));
  }
  // The compound with k/20 of solvent s and l/20 of solvent t (t may be
  // NULL); a fit when every found value is within the tolerance.  Only the
  // best kMaxFits are kept while searching (whatever the tolerance, the
  // memory stays flat); their lines are made at the end.
  struct Candidate {
    double worst;
    std::size_t order;  // the search's order: the last tie-break
    std::size_t s, t;   // t == list.size(): one solvent
    int k, l;
  };
  const std::size_t none = list.size();
  auto amount = [](const Candidate& c, std::size_t one) {
    return c.k / 20.0 + (c.t != one ? c.l / 20.0 : 0.0);
  };
  auto better = [&](const Candidate& x, const Candidate& y) {
    // Best first; on a tie, fewer solvents, then less solvent, then the list's order.
    if (x.worst != y.worst) return x.worst < y.worst;
    if ((x.t == none) != (y.t == none)) return x.t == none;
    if (amount(x, none) != amount(y, none)) return amount(x, none) < amount(y, none);
    return x.order < y.order;
  };
  std::vector<Candidate> kept;
  std::vector<double> calcd(chosen.size());
  // The Calcd values of a candidate into `calcd`; its worst deviation.
  auto fill = [&](std::size_t si, int k, std::size_t ti, int l) {
    const SolventMasses* s = &list[si];
    const SolventMasses* t = ti < list.size() ? &list[ti] : nullptr;
    const double x = k / 20.0, y = t != nullptr ? l / 20.0 : 0.0;
    double total = molar + s->molar_mass * x;
    if (t != nullptr) total += t->molar_mass * y;
    double worst = 0.0;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      double mass = compound_masses[i] + s->masses[i] * x;
      if (t != nullptr) mass += t->masses[i] * y;
      calcd[i] = total == 0.0 ? 0.0 : mass / total * 100.0;
      if (!std::isnan(a.found[i])) worst = std::max(worst, std::fabs(a.found[i] - calcd[i]));
    }
    return worst;
  };
  std::size_t order = 0;
  auto consider = [&](std::size_t si, int k, std::size_t ti, int l) {
    const double worst = fill(si, k, ti, l);
    if (worst > tolerance) return;
    kept.push_back({worst, order++, si, ti, k, l});
    if (kept.size() >= 4 * kMaxFits) {
      std::partial_sort(kept.begin(), kept.begin() + kMaxFits, kept.end(), better);
      kept.resize(kMaxFits);
    }
  };
  for (std::size_t i = 0; i < list.size(); ++i) {
    for (int k = 1; k <= kSteps; ++k) consider(i, k, list.size(), 0);
    if (solvents < 2) continue;
    for (std::size_t j = i + 1; j < list.size(); ++j) {
      for (int k = 1; k <= kSteps; ++k) {
        for (int l = 1; l <= kSteps; ++l) consider(i, k, j, l);
      }
    }
  }
  std::sort(kept.begin(), kept.end(), better);
  if (kept.size() > kMaxFits) kept.resize(kMaxFits);
  std::vector<SolvateFit> fits;
  for (const Candidate& c : kept) {
    SolvateFit fit;
    fit.worst = fill(c.s, c.k, c.t, c.l);
    fit.calcd = calcd;
    fit.solvents.emplace_back(list[c.s].hill, c.k / 20.0);
    fit.label = a.formula + "\xC2\xB7" + Amount(c.k / 20.0) + list[c.s].hill;
    if (c.t < list.size()) {
      fit.solvents.emplace_back(list[c.t].hill, c.l / 20.0);
      fit.label += "\xC2\xB7" + Amount(c.l / 20.0) + list[c.t].hill;
    }
    fit.calcd_line = Line(("Anal. Calcd for " + fit.label + ":").c_str(), chosen, fit.calcd);
    fits.push_back(std::move(fit));
  }
  a.fits = std::move(fits);
  return a;
}

namespace {

bool IsSymbolText(const std::string& s) {
  if (s.empty() || !formula::IsCapital(s[0])) return false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (!formula::IsSmall(s[i])) return false;
  }
  return true;
}

std::string SpeciesText(const std::string& species, long count) {
  std::string out = IsSymbolText(species) ? species : "(" + species + ")";
  if (count != 1) out += std::to_string(count);
  return out;
}

}  // namespace

RatioAnalysis AnalyzeRatios(const Context& context, const std::vector<std::pair<std::string, double>>& found,
                            const std::string& by_difference, double total, const std::string& reference,
                            double reference_count, double tolerance) {
  RatioAnalysis a;
  for (const auto& [species, fraction] : found) {
    if (!(fraction >= 0.0) || !std::isfinite(fraction)) {
      a.error = "the fraction of " + species + " must be a number, 0 or more";
      return a;
    }
    a.species.push_back(species);
    a.fractions.push_back(fraction);
  }
  double sum = 0.0;
  for (double f : a.fractions) sum += f;
  // Mass fractions (all at most 1, summing to about 1) or percentages.
  bool fractions = true;
  for (double f : a.fractions) fractions = fractions && f <= 1.0;
  fractions = fractions && sum <= 1.05 && !a.fractions.empty();
  const double whole_sample = fractions ? 1.0 : 100.0;
  if (!by_difference.empty()) {
    if (std::find(a.species.begin(), a.species.end(), by_difference) != a.species.end()) {
      a.error = by_difference + " is given a value and asked for by difference";
      return a;
    }
    if (sum >= whole_sample) {
      a.error =
          "the found values already sum to " + PlainText(sum) + ": nothing is left for " + by_difference;
      return a;
    }
    a.species.push_back(by_difference);
    a.fractions.push_back(whole_sample - sum);
    sum = whole_sample;
  }
  if (a.species.empty()) {
    a.error = "no species given";
    return a;
  }
  // Every species must read without doubt: a lowercase or unknown element
  // is an error, never a ratio of NaN.
  for (const std::string& species : a.species) {
    Reading r = Read(context, species.data(), species.size());
    if (r.Worst() >= kWarning) {
      for (const Diagnostic& d : r.diagnostics) {
        if (d.severity >= kWarning) {
          a.error = "'" + species + "': " + d.message;
          break;
        }
      }
      return a;
    }
    if (!(r.molar_mass > 0.0)) {
      a.error = "'" + species + "' has no molar mass to divide by";
      return a;
    }
    a.molar_masses.push_back(r.molar_mass);
  }
  const double sum_percent = fractions ? sum * 100.0 : sum;
  if (sum_percent > 100.0 + tolerance) {
    a.warnings.push_back("the found values sum to " + FixedText(sum_percent, 2) +
                         " %, more than 100 % by more than " + PlainText(tolerance));
  } else if (sum_percent < 95.0 && by_difference.empty()) {
    a.warnings.push_back("the found values sum to " + FixedText(sum_percent, 2) +
                         " %: if an element was not determined (often O), name it as the one by difference");
  }

  // Ratios: the quotients and scaling of the library's GetFormula.
  const std::size_t n = a.species.size();
  for (std::size_t i = 0; i < n; ++i) a.ratios.push_back(a.fractions[i] / a.molar_masses[i]);
  std::size_t ref = 0;
  double target = 1.0;
  if (std::isfinite(total)) {
    double mass = 0.0;
    for (std::size_t i = 0; i < n; ++i) mass = a.molar_masses[i] * a.ratios[i] + mass;
    const double scale = total / mass;
    for (double& r : a.ratios) r = scale * r;
  } else {
    if (!reference.empty()) {
      if (!(reference_count > 0.0) || !std::isfinite(reference_count)) {
        a.error = "the reference's number of atoms must be a positive number";
        return a;
      }
      auto at = std::find(a.species.begin(), a.species.end(), reference);
      if (at == a.species.end()) {
        a.error = "'" + reference + "' is not one of the analysed species";
        return a;
      }
      ref = static_cast<std::size_t>(at - a.species.begin());
      target = reference_count;
    } else {
      for (std::size_t i = 1; i < n; ++i) {
        if (a.ratios[i] < a.ratios[ref]) ref = i;
      }
    }
    const double scale = target / a.ratios[ref];
    for (std::size_t i = 0; i < n; ++i) a.ratios[i] = i == ref ? target : scale * a.ratios[i];
  }

  // The nearest formula with small whole numbers: the smallest multiplier
  // that brings every ratio within 0.1 of a whole number, else the best.
  double best_dev = INFINITY;
  for (int k = 1; k <= 12; ++k) {
    double dev = 0.0;
    for (double r : a.ratios) dev = std::fmax(dev, std::fabs(k * r - std::round(k * r)));
    if (dev < best_dev - 1e-12) {
      best_dev = dev;
      a.multiplier = k;
    }
    if (dev <= 0.1) break;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double scaled = a.multiplier * a.ratios[i];
    long w = std::isfinite(scaled) ? std::lround(scaled) : 0;
    if (w == 0 && scaled > 0) w = 1;  // a trace element stays in the formula
    a.whole.push_back(w);
    if (w > 0) a.nearest += SpeciesText(a.species[i], w);
  }

  // Candidates: for each multiplier (just 1 with a molar mass), each ratio
  // rounded down and up; ranked by how far their Calcd values lie from the
  // found ones.
  std::map<std::vector<long>, bool> seen;
  std::vector<FormulaCandidate> candidates;
  const int multipliers = std::isfinite(total) ? 1 : 12;
  const std::size_t combinations = n <= 10 ? (std::size_t{1} << n) : 1;
  for (int k = 1; k <= multipliers; ++k) {
    for (std::size_t mask = 0; mask < combinations; ++mask) {
      std::vector<long> counts(n);
      bool ok = true;
      for (std::size_t i = 0; i < n && ok; ++i) {
        const double scaled = k * a.ratios[i];
        if (!std::isfinite(scaled) || scaled > 1e6) ok = false;
        const double c = (mask >> i) & 1u ? std::ceil(scaled) : std::floor(scaled);
        counts[i] = std::max(1L, static_cast<long>(c));
      }
      if (!ok) break;
      if (!std::isfinite(total)) {  // an empirical formula: the smallest whole numbers
        long g = 0;
        for (long c : counts) g = std::gcd(g, c);
        for (long& c : counts) c /= g;
      }
      if (seen.count(counts) != 0) continue;
      seen[counts] = true;
      FormulaCandidate c;
      c.counts = counts;
      for (std::size_t i = 0; i < n; ++i) c.molar_mass += counts[i] * a.molar_masses[i];
      for (std::size_t i = 0; i < n; ++i) {
        c.calcd.push_back(counts[i] * a.molar_masses[i] / c.molar_mass * 100.0);
        const double found_percent = fractions ? a.fractions[i] * 100.0 : a.fractions[i];
        c.worst = std::max(c.worst, std::fabs(found_percent - c.calcd.back()));
        c.formula += SpeciesText(a.species[i], counts[i]);
      }
      candidates.push_back(std::move(c));
    }
  }
  // Formulas whose Calcd values lie within the tolerance first, the
  // smallest of them first (a large enough formula fits any numbers); then
  // the others, the closest first.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [tolerance](const FormulaCandidate& x, const FormulaCandidate& y) {
                     const bool xin = x.worst <= tolerance, yin = y.worst <= tolerance;
                     if (xin != yin) return xin;
                     if (xin && x.molar_mass != y.molar_mass) return x.molar_mass < y.molar_mass;
                     if (x.worst != y.worst) return x.worst < y.worst;
                     return x.molar_mass < y.molar_mass;
                   });
  if (candidates.size() > 5) candidates.resize(5);
  for (FormulaCandidate& c : candidates) {
    std::vector<std::string> labels = a.species;
    c.calcd_line = Line(("Anal. Calcd for " + c.formula + ":").c_str(), labels, c.calcd);
  }
  a.candidates = std::move(candidates);
  return a;
}

}  // namespace formix::toolkit
