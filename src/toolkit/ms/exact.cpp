// exact.cpp -- exact masses from the natural isotopes: the monoisotopic
// mass takes each element's most abundant isotope (an element with no
// stable isotope: the one listed), the nominal mass their mass numbers.
#include "toolkit/ms/exact.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>

#include "refdata/bytes.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

using Counts = std::map<std::string, double>;

std::string Spaced(const std::string& name) {
  // [M+H]+ -> [M + H]+ : spaces around the signs inside the brackets.
  std::string out;
  bool inside = false;
  for (char c : name) {
    if (c == '[') inside = true;
    if (c == ']') inside = false;
    if (inside && (c == '+' || c == '-') && !out.empty() && out.back() != '[') {
      out += std::string(" ") + c + " ";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::size_t AdductIndex(const Context& context, const std::string& name) {
  std::size_t a = context.adducts.size();
  for (std::size_t j = 0; j < context.adducts.size(); ++j) {
    if (context.adducts[j].name == name) a = j;
  }
  return a;
}

std::string UnknownAdduct(const std::string& name) { return "unknown adduct '" + name + "'"; }

const std::vector<AdductCounts>& AdductCountsOf(const Context& context) { return context.adduct_counts; }

namespace {

// The species' own masses into `x` (its counts into `counts`); false with
// x->error set when it has none.
bool SpeciesMasses(const Context& context, const Reading& reading, ExactMasses* x, Counts* counts) {
  if (!reading.has_value) {
    x->error = "the formula has no number";
    return false;
  }
  if (context.isotopes.empty()) {
    x->error = "no isotope data (isotopes.txt) was found";
    return false;
  }
  *counts = reading.CountsByKey();
  for (const auto& [symbol, n] : *counts) {
    if (n != std::floor(n)) {  // one molecule has whole atoms: C1.5H3 has no monoisotopic mass
      x->error = "an exact mass needs whole numbers of atoms; " + symbol + " has " + PlainText(n);
      return false;
    }
  }
  std::string missing;
  if (!IsotopeMasses(context, *counts, &x->monoisotopic, &x->nominal, &missing)) {
    x->error = "no isotope data for the element " + missing;
    return false;
  }
  x->charge = reading.charge;
  if (x->charge != 0) {
    x->monoisotopic -= x->charge * kElectronMolarMass;
    x->mz = x->monoisotopic / std::abs(x->charge);
  }
  return true;
}

}  // namespace

ExactMasses SpeciesExact(const Context& context, const Reading& reading) {
  ExactMasses x;
  Counts counts;
  SpeciesMasses(context, reading, &x, &counts);
  return x;
}

ExactMasses Exact(const Context& context, const Reading& reading, const std::vector<std::string>& adducts) {
  ExactMasses x;
  Counts counts;
  if (!SpeciesMasses(context, reading, &x, &counts) || x.charge != 0) {
    return x;  // adducts are of neutral molecules
  }
  const std::vector<AdductCounts>& parts = AdductCountsOf(context);
  for (std::size_t k = 0; k < context.adducts.size(); ++k) {
    const Adduct& a = context.adducts[k];
    bool wanted = adducts.empty();
    for (const std::string& name : adducts) wanted = wanted || name == a.name;
    if (!wanted) continue;
    AdductIon ion;
    ion.name = a.name;
    ion.charge = a.charge;
    Counts total;
    for (const auto& [s, n] : counts) total[s] += a.multiplier * n;
    for (const auto& [s, n] : parts[k].added) total[s] += n;
    for (const auto& [s, n] : parts[k].removed) total[s] -= n;
    std::vector<std::pair<std::string, double>> hill;
    Counts positive;
    for (const auto& [s, n] : total) {
      if (n < -1e-9) ion.possible = false;
      if (n <= 1e-9) continue;
      positive[s] = n;
      const std::size_t slash = s.find('/');
      if (slash == std::string::npos) {
        hill.emplace_back(s, n);
      } else {  // a label, as the reading writes it
        const std::string element = s.substr(0, slash), number = s.substr(slash + 1);
        hill.emplace_back(element == "H" && number == "2"   ? "D"
                          : element == "H" && number == "3" ? "T"
                                                            : "[" + number + element + "]",
                          n);
      }
    }
    double mono = 0.0, nominal = 0.0;
    std::string missing;
    if (!IsotopeMasses(context, positive, &mono, &nominal, &missing)) ion.possible = false;
    ion.formula = HillFormula(hill, 0, false);
    ion.mz = (mono - a.charge * kElectronMolarMass) / std::abs(a.charge);
    x.adducts.push_back(ion);
  }
  return x;
}

FoundComparison CompareFound(const ExactMasses& exact, double found, double ppm, const std::string& source) {
  FoundComparison f;
  f.found = found;
  f.ppm = ppm;
  f.source = source;
  auto error = [&](double mz, bool possible) {
    MzError e;
    e.ppm = (found - mz) / mz * 1e6;
    e.mda = (found - mz) * 1000.0;
    e.within = possible && std::fabs(e.ppm) <= ppm;
    return e;
  };
  if (exact.charge != 0) {
    f.ion = error(exact.mz, true);
    f.within = f.ion.within;
  }
  for (std::size_t i = 0; i < exact.adducts.size(); ++i) {
    const AdductIon& ion = exact.adducts[i];
    f.adducts.push_back(error(ion.mz, ion.possible));
    const MzError& e = f.adducts.back();
    if (e.within &&
        (f.best < 0 || std::fabs(e.ppm) < std::fabs(f.adducts[static_cast<std::size_t>(f.best)].ppm))) {
      f.best = static_cast<int>(i);
    }
  }
  if (f.best >= 0) {
    f.within = true;
    f.hrms = HrmsLine(source, exact.adducts[static_cast<std::size_t>(f.best)], found);
  }
  return f;
}

std::string HrmsLine(const std::string& source, const AdductIon& ion, double found) {
  char calcd[32], measured[32];
  std::snprintf(calcd, sizeof calcd, "%.4f", ion.mz);
  std::snprintf(measured, sizeof measured, "%.4f", found);
  return "HRMS (" + source + ") m/z: " + Spaced(ion.name) + " Calcd for " + ion.formula + " " + calcd +
         "; Found " + measured + ".";
}

}  // namespace formix::toolkit
