// find.cpp -- see find.h.
#include "toolkit/ms/find.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "refdata/bytes.h"
#include "toolkit/base/base.h"
#include "toolkit/ms/exact.h"
#include "toolkit/ms/mass_search.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

// The ion searched for: m/z = (multiplier x S + shift - charge x
// electron) / |charge| for a candidate of mass S.
struct SearchedIon {
  int multiplier = 1, charge = 0;
  double shift = 0.0;
};

// The ion of a query (an adduct ion of the context's list, or a charge of
// the candidate's own); the ranges are narrowed to the atoms an adduct ion
// removes.  Returns why there is none, or "".
std::string IonOf(const Context& context, const FindQuery& q, std::vector<ElementRange>& ranges,
                  SearchedIon* ion) {
  if (!q.adduct.empty()) {
    if (q.charge != 0) return "give an adduct ion or a charge, not both";
    if (q.radical) return "an adduct ion is even-electron: the odd-electron case is a charge of its own";
    const std::size_t a = AdductIndex(context, q.adduct);
    if (a == context.adducts.size()) return UnknownAdduct(q.adduct);
    const Adduct& adduct = context.adducts[a];
    const AdductCounts& parts = AdductCountsOf(context)[a];
    ion->multiplier = adduct.multiplier;
    ion->charge = adduct.charge;
    std::map<std::string, double> need;  // atoms M must hold: removed less added, per multiple
    for (const auto& [key, n] : parts.removed) need[key] += n;
    for (const auto& [key, n] : parts.added) need[key] -= n;
    double added = 0.0, removed = 0.0, nominal = 0.0;
    std::string missing;
    if (!IsotopeMasses(context, parts.added, &added, &nominal, &missing) ||
        !IsotopeMasses(context, parts.removed, &removed, &nominal, &missing)) {
      return "no isotope data for " + missing + " of " + q.adduct;
    }
    ion->shift = added - removed;
    for (const auto& [key, n] : need) {
      if (n <= 0) continue;
      bool held = false;
      for (ElementRange& r : ranges) {
        if (IsotopeKey(r.symbol) != key) continue;
        held = true;
        r.least = std::max(r.least, static_cast<int>(std::ceil(n / ion->multiplier - 1e-9)));
        if (r.least > r.most) return q.adduct + " needs more " + r.symbol + " than its range allows";
      }
      if (!held) return q.adduct + " removes " + key + ", which the element ranges do not hold";
    }
  } else {
    ion->charge = q.charge;
    if (std::abs(q.charge) > 100) return "the charge must lie between -100 and 100";
  }
  return "";
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
  MassSearch<decltype(leaf)> search(sorted, target - tolerance, target + tolerance, kMaxFindSteps, leaf);
  search.Run();
  if (more != nullptr) *more = over;
  return found;
}

std::vector<ElementRange> ParseElementRanges(const Context& context, const std::string& text,
                                             std::string* error, std::string* note) {
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
    const Isotope* isotope = IsotopeOfKey(context, key);
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
  if (out.size() >= 2 && text.find_first_of("0123456789") == std::string::npos) {
    // An element list: the default ranges, 0 to kListedMost beyond them.
    std::string ignored;
    const std::vector<ElementRange> defaults =
        ParseElementRanges(context, FORMIX_DEFAULT_FIND_ELEMENTS, &ignored);
    std::string read;
    for (ElementRange& r : out) {
      r.least = 0;
      r.most = kListedMost;
      for (const ElementRange& d : defaults) {
        if (d.symbol == r.symbol) r.most = d.most;
      }
      read += r.symbol + "0-" + std::to_string(r.most);
    }
    if (note != nullptr) {
      *note = "the element list '" + text + "' read as the ranges " + read +
              " (a symbol alone among counts is one atom; give counts to search others)";
    }
  }
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

double PatternChiSquared(const std::vector<Peak>& found_in, const std::vector<Peak>& calculated_in,
                         double window, const PeakErrors& errors) {
  constexpr double kFloor = 0.5;  // % of the base peak: the intensity sigma's floor
  if (found_in.empty() || calculated_in.empty() || !(window > 0))
    return std::numeric_limits<double>::infinity();
  auto scaled = [](const std::vector<Peak>& peaks) {
    double top = 0.0;
    for (const Peak& p : peaks) top = std::max(top, p.abundance);
    std::vector<Peak> out = peaks;
    for (Peak& p : out) p.abundance = top > 0 ? p.abundance / top * 100.0 : 0.0;
    return out;
  };
  const std::vector<Peak> found = scaled(found_in), calculated = scaled(calculated_in);
  double smallest = 100.0;
  for (const Peak& p : found) smallest = std::min(smallest, p.abundance);
  // Distances from the first peak of each list (the monoisotopic ones).
  const double f0 = found.front().mass, c0 = calculated.front().mass;
  const double sigma_distance = std::sqrt(2.0) * errors.mass_error_ppm * 1e-6 * f0;
  auto intensity_term = [&](double fi, double ci) {
    const double model = ci > 0 ? ci : fi;  // a missing calculated peak: the found one's own sigma
    const double d = (fi - ci) / (errors.intensity_error * model + kFloor);
    return d * d;
  };
  std::vector<bool> paired(calculated.size(), false);
  double chi2 = 0.0;
  for (const Peak& f : found) {
    std::size_t best = calculated.size();
    double best_d = window;
    for (std::size_t c = 0; c < calculated.size(); ++c) {
      const double d = std::fabs((calculated[c].mass - c0) - (f.mass - f0));
      if (d <= best_d && !paired[c]) {
        best = c;
        best_d = d;
      }
    }
    if (best == calculated.size()) {
      chi2 += intensity_term(f.abundance, 0.0);
      continue;
    }
    paired[best] = true;
    chi2 += intensity_term(f.abundance, calculated[best].abundance);
    // The first peak by its mass, the others by their distance from it.
    const double d = &f == &found.front()
                         ? (f.mass - calculated[best].mass) / (sigma_distance / std::sqrt(2.0))
                         : best_d / sigma_distance;
    if (sigma_distance > 0) chi2 += d * d;
  }
  for (std::size_t c = 0; c < calculated.size(); ++c) {
    const Peak& p = calculated[c];
    if (!paired[c] && p.abundance >= smallest && p.mass - c0 >= -0.5)
      chi2 += intensity_term(0.0, p.abundance);
  }
  return chi2;
}

double ScoreOfChiSquared(double chi_squared, std::size_t terms) {
  if (!(chi_squared >= 0) || terms == 0) return 0.0;
  return 100.0 * std::exp(-chi_squared / (2.0 * static_cast<double>(terms)));
}

FindResult FindFormulas(const Context& context, const FindQuery& q) {
  FindResult result;
  auto fail = [&](const std::string& what) {
    result.error = what;
    return result;
  };
  if (!(q.mz > 0) || !(q.mz <= 1e6)) return fail("the mass must be a positive number of at most 1000000");
  if (!(q.errors.intensity_error > 0 && q.errors.intensity_error <= 1))
    return fail("the intensity error must be a percentage above 0 and at most 100");
  if (!std::isnan(q.errors.mass_error_ppm) &&
      !(q.errors.mass_error_ppm > 0 && q.errors.mass_error_ppm <= 1000))
    return fail("the mass error must be above 0 and at most 1000 ppm");
  const bool by_mda = !std::isnan(q.mda);
  if (by_mda ? !(q.mda >= 0 && q.mda <= 1e6) : !(q.ppm >= 0 && q.ppm <= 1e5)) {
    return fail(by_mda ? "the tolerance in mDa must lie between 0 and 1000000"
                       : "the tolerance in ppm must lie between 0 and 100000");
  }
  if (q.limit == 0) return fail("the limit must be at least 1");
  if (context.isotopes.empty()) return fail("no isotope data (isotopes.txt) was found");
  std::string error;
  result.ranges = ParseElementRanges(context, q.elements, &error, &result.note);
  if (!error.empty()) return fail(error);
  std::vector<ElementRange>& ranges = result.ranges;
  const std::size_t k = ranges.size();

  // The ion: m/z = (multiplier x S + shift - charge x electron) / |charge|
  // for a candidate of mass S (the neutral mass itself with no ion).
  SearchedIon searched;
  error = IonOf(context, q, ranges, &searched);
  if (!error.empty()) return fail(error);
  const int multiplier = searched.multiplier, charge = searched.charge;
  const double shift = searched.shift;
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
  // The rules over the search's order (the elements heaviest first).
  std::vector<std::string> sorted_symbols;
  for (const ElementRange& r : sorted) sorted_symbols.push_back(r.symbol);
  const ChemicalRules rules(sorted_symbols, RuleChoice{q.ratios, q.element_limits, q.hnops});
  std::vector<std::pair<const char*, std::size_t>> removed;  // by rule
  auto count_removed = [&](const char* rule, std::size_t n) {
    std::size_t r = 0;
    while (r < removed.size() && std::string_view(removed[r].first) != rule) ++r;  // a dozen rules at most
    if (r == removed.size()) removed.emplace_back(rule, 0);
    removed[r].second += n;
  };
  // Once the heap is full, the masses whose error can still beat its
  // farthest (a little wider: the exact error decides).
  double keep_low = -std::numeric_limits<double>::infinity(),
         keep_high = std::numeric_limits<double>::infinity();
  auto leaf = [&](const std::vector<int>& heaviest_first, double s) {
    // The search passes only masses in the window (`within`, below).
    if (!(s > 0)) return true;  // no atoms
    ++result.within;
    const char* broken =
        q.rules ? rules.Broken(heaviest_first.data(), s, species_charge, species_radical, nullptr) : "";
    if (*broken != '\0') {
      count_removed(broken, 1);
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
      const auto old = kept_counts.begin() + static_cast<long>(slot * k);
      if (off == kept_error[slot] &&
          !std::lexicographical_compare(counts.begin(), counts.end(), old, old + k)) {
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
  MassSearch<decltype(leaf)> search(sorted, low - slack, high + slack, q.max_steps, leaf);
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
    count_removed("dbe", search.pruned());
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
    f.formula += ChargeSuffix(species_charge);
    f.hill = HillFormula(pairs, species_charge, false);
    double s = 0.0;
    for (std::size_t i = 0; i < k; ++i) s += f.counts[i] * ranges[i].mass;
    f.monoisotopic = q.adduct.empty() ? s - electrons : s;
    f.mz = kept_mz[c];
    f.ppm = (q.mz - f.mz) / f.mz * 1e6;
    f.mda = (q.mz - f.mz) * 1000.0;
    std::vector<int> heaviest_first(k);
    for (std::size_t i = 0; i < k; ++i) heaviest_first[i] = f.counts[order[i]];
    f.dbe = rules.ValencesKnown(heaviest_first.data()) ? rules.Dbe(heaviest_first.data())
                                                       : std::numeric_limits<double>::quiet_NaN();
    f.broken = kept_broken[c];
    if (q.rules) {
      std::vector<std::string> checked;
      rules.Broken(heaviest_first.data(), s, species_charge, species_radical, &checked);
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
      ion->name = charge == 0 ? "M" : "[M]" + ChargeSuffix(charge).substr(1);  // "M": a neutral mass, no line
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
    PeakErrors peak_errors = q.errors;
    if (std::isnan(peak_errors.mass_error_ppm)) {  // the tolerance taken as 2.5 sigma
      peak_errors.mass_error_ppm = (by_mda ? q.mda / 1000.0 / q.mz * 1e6 : q.ppm) / 2.5;
    }
    peak_errors.mass_error_ppm = std::max(peak_errors.mass_error_ppm, 1e-3);
    double work = 0.0;
    for (std::size_t j = 0; j < to_score; ++j) {
      FindCandidate f = make(rank[j]);
      AdductIon ion;
      if (work > q.max_score_work) {
        // Listed unscored, after the scored ones.
      } else if (ion_of(f, &ion)) {
        ++result.scored;
        const std::string text = ion.formula + ChargeSuffix(ion.charge);
        const Reading r = Read(context, text.data(), text.size());
        const Pattern p = IsotopePattern(context, r, 1e-4, resolving_power);
        work += p.cost;
        if (p.error.empty()) {
          f.chi_squared = PatternChiSquared(q.peaks, p.peaks, std::max(window, 1e-6), peak_errors);
          f.score = ScoreOfChiSquared(f.chi_squared, q.peaks.size());
        }
      }
      listed.push_back(std::move(f));
    }
    if (result.scored < to_score && result.warning.empty()) {
      result.warning = "only the " + std::to_string(result.scored) +
                       " candidates closest in mass were scored against the peaks (the patterns' work "
                       "was at its bound): narrow the element ranges or the tolerance";
    }
    // By the likelihood: the least chi-squared first (the unscored last).
    std::stable_sort(listed.begin(), listed.end(), [](const FindCandidate& a, const FindCandidate& b) {
      return a.chi_squared < b.chi_squared;
    });
    if (listed.size() > q.limit) listed.resize(q.limit);
  } else {
    for (std::size_t j = 0; j < rank.size() && j < q.limit; ++j) listed.push_back(make(rank[j]));
  }
  result.unlisted = eligible - listed.size();
  result.candidates = std::move(listed);
  // Every listed candidate's line, for a front to show the one chosen (the
  // first kMaxFindScored: each reads its ion); the result's own line only
  // where one candidate is left.
  if (charge != 0 && !q.calculated) {
    for (std::size_t i = 0; i < result.candidates.size() && i < kMaxFindScored; ++i) {
      FindCandidate& f = result.candidates[i];
      AdductIon ion;
      if (f.broken.empty() && ion_of(f, &ion)) f.hrms = HrmsLine(q.source, ion, q.mz);
    }
    if (result.passed == 1 && result.candidates.size() == 1 && !result.candidates[0].hrms.empty()) {
      result.hrms = result.candidates[0].hrms;
      result.chosen = result.candidates[0].hill;
      result.given = 1;
    }
  }
  return result;
}

std::string ChooseFormula(const Context& context, const FindQuery& q, FindResult* r,
                          const std::string& formula, std::size_t pick) {
  if (!r->error.empty()) return r->error;
  if (q.calculated) return "the m/z is a formula's, not a found one: no HRMS line";
  if (q.adduct.empty() && r->charge == 0)
    return "a neutral mass has no HRMS line: give the ion (--adduct or --charge)";
  r->hrms.clear();
  r->chosen.clear();
  r->given = 0;
  if (formula.empty()) {
    if (pick == 0 || pick > r->candidates.size()) {
      return "there is no candidate " + std::to_string(pick) + " (" + std::to_string(r->candidates.size()) +
             " listed)";
    }
    const FindCandidate& f = r->candidates[pick - 1];
    if (f.hrms.empty()) return "candidate " + std::to_string(pick) + ", " + f.hill + ", has no HRMS line";
    r->hrms = f.hrms;
    r->chosen = f.hill;
    r->given = pick;
    return "";
  }
  const Reading m = Read(context, formula.data(), formula.size());
  for (const Diagnostic& d : m.diagnostics) {
    if (d.severity >= kWarning) return "the formula " + formula + " is flagged: " + d.message;
  }
  if (!m.has_value || m.charge != 0)
    return "give the formula of the neutral M (with --adduct) or of the ion without its charge";
  std::vector<std::pair<std::string, double>> pairs;
  for (std::size_t i : m.hill_order) pairs.emplace_back(m.elements[i].symbol, m.elements[i].atoms);
  const std::string hill = HillFormula(pairs, r->charge != 0 && q.adduct.empty() ? r->charge : 0, false);
  AdductIon ion;
  if (!q.adduct.empty()) {
    const ExactMasses x = Exact(context, m, {q.adduct});
    if (!x.error.empty()) return x.error;
    if (x.adducts.size() != 1 || !x.adducts[0].possible) return formula + " has no " + q.adduct + " ion";
    ion = x.adducts[0];
  } else {
    const std::string text = formula + ChargeSuffix(r->charge);
    const ExactMasses x = SpeciesExact(context, Read(context, text.data(), text.size()));
    if (!x.error.empty()) return x.error;
    ion.name = "[M]" + ChargeSuffix(r->charge).substr(1);
    ion.formula = HillFormula(pairs, 0, false);
    ion.charge = r->charge;
    ion.mz = x.mz;
  }
  r->hrms = HrmsLine(q.source, ion, q.mz);
  r->chosen = hill;
  for (std::size_t i = 0; i < r->candidates.size(); ++i) {
    if (r->candidates[i].hill == hill) r->given = i + 1;
  }
  return "";
}

}  // namespace formix::toolkit
