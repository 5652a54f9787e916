// cmd_analyze.cpp -- formix analyze: atom ratios and the nearest formula
// from an elemental analysis.
#include <cctype>
#include <cmath>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {
namespace {

bool IsSymbol(const std::string& s) {
  if (s.empty() || !std::isupper(static_cast<unsigned char>(s[0]))) return false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (!std::islower(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

}  // namespace

void CommandAnalyze(Session& s) {
  const Options& o = s.options;
  if (o.args.empty()) throw UsageError{"analyze takes SPECIES=FRACTION pairs, such as C=40.0"};
  if (o.total && o.ref) throw UsageError{"give --mass or --ref, not both"};
  const std::size_t n = o.args.size();
  std::vector<std::string> species(n);
  std::vector<double> fractions(n), molar(n), ratios(n);
  for (std::size_t i = 0; i < n; ++i) SplitAssignment(o.args[i], &species[i], &fractions[i], "a fraction");
  bool usable = true;
  for (std::size_t i = 0; i < n; ++i) {
    Reading r = s.Read(species[i]);
    usable = usable && s.Shows(r.get());
    molar[i] = formix_reading_molar_mass(r.get());
  }
  if (!usable) throw CommandFailed{};
  // The quotients and scaling of the library's GetFormula.
  for (std::size_t i = 0; i < n; ++i) ratios[i] = fractions[i] / molar[i];
  std::size_t reference = 0;
  double total = 1.0;
  if (o.total) {
    total = ParseNumber(*o.total, "--mass");
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) sum = molar[i] * ratios[i] + sum;
    const double scale = total / sum;
    for (double& r : ratios) r = scale * r;
  } else {
    if (o.ref) {
      std::string ref_species;
      SplitAssignment(*o.ref, &ref_species, &total, "--ref");
      bool found = false;
      for (std::size_t i = 0; i < n && !found; ++i) {
        if (species[i] == ref_species) reference = i, found = true;
      }
      if (!found) throw UsageError{"'" + ref_species + "' is not one of the analysed species"};
    } else {
      for (std::size_t i = 1; i < n; ++i) {
        if (ratios[i] < ratios[reference]) reference = i;
      }
    }
    const double scale = total / ratios[reference];
    for (std::size_t i = 0; i < n; ++i) ratios[i] = i == reference ? total : scale * ratios[i];
  }

  // The nearest formula with small whole numbers: the smallest multiplier
  // that brings every ratio within 0.1 of a whole number, else the best.
  int best_k = 1;
  double best_dev = INFINITY;
  for (int k = 1; k <= 12; ++k) {
    double dev = 0.0;
    for (double r : ratios) dev = std::fmax(dev, std::fabs(k * r - std::round(k * r)));
    if (dev < best_dev - 1e-12) {
      best_dev = dev;
      best_k = k;
    }
    if (dev <= 0.1) break;
  }
  std::vector<long> whole(n);
  std::string nearest;
  for (std::size_t i = 0; i < n; ++i) {
    double scaled = best_k * ratios[i];
    whole[i] = std::isfinite(scaled) ? std::lround(scaled) : 0;
    if (whole[i] == 0 && scaled > 0) whole[i] = 1;  // a trace element stays in the formula
    if (whole[i] <= 0) continue;
    nearest += IsSymbol(species[i]) ? species[i] : "(" + species[i] + ")";
    if (whole[i] != 1) nearest += std::to_string(whole[i]);
  }

  if (o.json) {
    Json json;
    json.Open('{').Key("format").Integer(kJsonFormat).Key("command").String("analyze");
    json.Key("species").Open('[');
    for (std::size_t i = 0; i < n; ++i) {
      json.Open('{').Key("species").String(species[i]).Key("fraction").Number(fractions[i]);
      json.Key("ratio").Number(ratios[i]).Key("whole").Integer(whole[i]);
      json.Key("deviation").Number(best_k * ratios[i] - static_cast<double>(whole[i])).Close();
    }
    json.Close().Key("multiplier").Integer(best_k).Key("formula").String(nearest).Close().End();
    return;
  }
  Table table({"species", "fraction", "ratio", "whole", "deviation"});
  for (std::size_t i = 0; i < n; ++i) {
    double dev = best_k * ratios[i] - static_cast<double>(whole[i]);
    table.Add({species[i], Shortest(fractions[i]), Fixed(ratios[i], o.precision), std::to_string(whole[i]),
               (dev >= 0 ? "+" : "") + Fixed(dev, o.precision)});
  }
  table.Print();
  std::string tail;
  if (best_k != 1) tail += "ratios multiplied by " + std::to_string(best_k) + "\n";
  Write(tail + "nearest formula: " + nearest + "\n");
}

}  // namespace formix::tool
