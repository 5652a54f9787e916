// cmd_ratios.cpp -- formix ratios (alias analyze): a formula from found values:
// the candidate formulas from an elemental analysis, through the toolkit.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {

void CommandRatios(Session& s) {
  const Options& o = s.options;
  if (o.args.empty()) throw UsageError{o.command + " takes SPECIES=FRACTION pairs, such as C=40.0"};
  if (o.total && o.ref) throw UsageError{"give --mass or --ref, not both"};
  const std::size_t n = o.args.size();
  std::vector<std::string> species(n);
  std::vector<double> fractions(n);
  for (std::size_t i = 0; i < n; ++i) SplitAssignment(o.args[i], &species[i], &fractions[i], "a fraction");
  std::vector<const char*> names;
  for (const std::string& sp : species) names.push_back(sp.c_str());
  const double total = o.total ? ParseNumber(*o.total, "--mass") : 0.0;
  if (o.total && !(total > 0)) throw UsageError{"--mass takes a molar mass above 0"};
  std::string ref_species;
  double ref_count = 1.0;
  if (o.ref) SplitAssignment(*o.ref, &ref_species, &ref_count, "--ref");
  const double tolerance = o.tolerance ? ParseNumber(*o.tolerance, "--tolerance") : FORMIX_DEFAULT_TOLERANCE;
  std::unique_ptr<formix_ratios, decltype(&formix_ratios_free)> r(
      formix_atom_ratios(s.context, names.data(), fractions.data(), n,
                         o.by_difference ? o.by_difference->c_str() : nullptr, total,
                         o.ref ? ref_species.c_str() : nullptr, ref_count, tolerance),
      &formix_ratios_free);
  if (!r) throw IoError{"out of memory"};
  const std::string error = formix_ratios_error(r.get());
  if (!error.empty()) throw UsageError{error};
  for (std::size_t i = 0; i < formix_ratios_warning_count(r.get()); ++i) {
    const std::string warning = formix_ratios_warning(r.get(), i);
    const bool by_difference = warning.find("by difference") != std::string::npos;
    Tell("formix: " + o.command + ": warning: " + warning +
         (by_difference ? " (--by-difference SYMBOL)" : "") + "\n");
    s.flagged = true;
  }
  const std::size_t m = formix_ratios_count(r.get());
  const int k = formix_ratios_multiplier(r.get());
  auto deviation = [&](std::size_t i) {
    return k * formix_ratios_ratio(r.get(), i) - static_cast<double>(formix_ratios_whole(r.get(), i));
  };
  const std::size_t candidates = formix_ratios_candidate_count(r.get());

  if (o.json) {
    Json json;
    json.Document("ratios", s.options.verbose ? s.context : nullptr);
    json.Members(formix_ratios_json(r.get())).Close().End();
    return;
  }
  Table table({"species", "fraction", "ratio", "whole", "deviation"});
  for (std::size_t i = 0; i < m; ++i) {
    const double dev = deviation(i);
    char fraction[32];  // twelve figures: a value by difference shows no binary noise
    std::snprintf(fraction, sizeof fraction, "%.12g", formix_ratios_fraction(r.get(), i));
    table.Add(
        {formix_ratios_species(r.get(), i), fraction, Fixed(formix_ratios_ratio(r.get(), i), o.precision),
         std::to_string(formix_ratios_whole(r.get(), i)), (dev >= 0 ? "+" : "") + Fixed(dev, o.precision)});
  }
  table.Print();
  std::string tail;
  if (k != 1) tail += "ratios multiplied by " + std::to_string(k) + "\n";
  tail += "nearest formula: " + std::string(formix_ratios_nearest(r.get())) + "\n";
  if (candidates > 0) {
    tail += "candidates, closest Calcd values first:\n";
    for (std::size_t c = 0; c < candidates; ++c) {
      tail += "  " + std::string(formix_ratios_candidate(r.get(), c)) +
              "  M = " + Fixed(formix_ratios_candidate_mass(r.get(), c), 2) + "  largest deviation " +
              Fixed(formix_ratios_candidate_worst(r.get(), c), 2) + "\n    " +
              formix_ratios_candidate_line(r.get(), c) + "\n";
    }
  }
  Write(tail);
}

}  // namespace formix::tool
