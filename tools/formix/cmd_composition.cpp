// cmd_composition.cpp -- formix composition: atoms, mass and mass share of
// each element of one formula.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {

namespace {

using Analysis = std::unique_ptr<formix_analysis, decltype(&formix_analysis_free)>;

std::string Signed(double value) {
  std::string text = Fixed(value, 2);
  return value >= 0 ? "+" + text : text;
}

void PrintAnalysis(const formix_analysis* a, double tolerance, int solvate) {
  std::string out = std::string(formix_analysis_calcd_line(a)) + "\n";
  const std::string found_line = formix_analysis_found_line(a);
  if (!found_line.empty()) {
    out += found_line + "\nfound - calcd:";
    const std::size_t n = formix_analysis_element_count(a);
    bool first = true;
    for (std::size_t i = 0; i < n; ++i) {
      const double found = formix_analysis_found(a, i);
      if (found != found) continue;
      out += std::string(first ? " " : ", ") + formix_analysis_element(a, i) + " " +
             Signed(found - formix_analysis_calcd(a, i));
      first = false;
    }
    out +=
        std::string("; ") + (formix_analysis_within(a) ? "within " : "outside ") + Shortest(tolerance) + "\n";
    if (solvate > 0) {
      const std::size_t fits = formix_analysis_fit_count(a);
      if (fits == 0) {
        out += "no solvate fits within " + Shortest(tolerance) + "\n";
      } else {
        out += "solvate fits within " + Shortest(tolerance) + ", best first:\n";
        for (std::size_t k = 0; k < fits; ++k) {
          out += "  " + std::string(formix_analysis_fit_label(a, k)) + "  largest deviation " +
                 Fixed(formix_analysis_fit_worst(a, k), 2) + "\n    " + formix_analysis_fit_line(a, k) + "\n";
        }
      }
    }
  }
  Write(out);
}

}  // namespace

void CommandComposition(Session& s) {
  const Options& o = s.options;
  if (o.args.size() != 1) throw UsageError{o.command + " takes one formula"};
  const std::string& formula = o.args[0];
  const double tolerance = o.tolerance ? ParseNumber(*o.tolerance, "--tolerance") : FORMIX_DEFAULT_TOLERANCE;
  if (tolerance < 0) throw UsageError{"--tolerance takes a number of percent, 0 or more"};
  if (o.solvate > 0 && !o.found) throw UsageError{"--solvate needs --found values to fit"};
  Reading r = s.Read(formula);
  const bool shows = s.Shows(r.get());
  const double mass = formix_reading_molar_mass(r.get());
  const int charge = formix_reading_charge(r.get());
  const std::size_t n = shows ? formix_reading_element_count(r.get()) : 0;
  // Rows in Hill order: C, H, then alphabetical (all alphabetical without C).
  std::vector<const formix_element_share*> rows;
  for (std::size_t i = 0; i < n; ++i) rows.push_back(formix_reading_element_in_hill_order(r.get(), i));
  Analysis analysis(nullptr, &formix_analysis_free);
  if (shows) {
    analysis.reset(formix_elemental_analysis(s.context, r.get(), o.elements ? o.elements->c_str() : nullptr,
                                             o.found ? o.found->c_str() : nullptr, tolerance, o.solvate));
    if (!analysis) throw IoError{"out of memory"};
    const std::string error = formix_analysis_error(analysis.get());
    // A bad element list or found value is the user's: a usage error.  A
    // formula with none of C, H, N, S simply has no Calcd line by default.
    if (!error.empty() && (o.elements || o.found)) throw UsageError{error};
    if (!error.empty()) analysis.reset();
    if (analysis && !formix_analysis_within(analysis.get())) s.flagged = true;
  }
  if (o.json) {
    Json json;
    json.Document("composition", s.options.verbose ? s.context : nullptr);
    json.Members(formix_reading_json(r.get(), FORMIX_JSON_ELEMENTS | (o.strict ? FORMIX_JSON_STRICT : 0)));
    if (analysis) json.Key("analysis").Raw(formix_analysis_json(analysis.get()));
    json.Close().End();
    return;
  }
  if (!shows) {
    Write(Printable(formula) + "\tM =\n");
    return;
  }
  std::string head = Printable(formula) + "\tM = " + Fixed(mass, o.precision) + " g/mol";
  if (charge != 0) {
    head += " (" + IonCharge(charge) + "; percentages of the neutral formula)";
  }
  std::string hill = std::string("Hill formula ") + formix_reading_hill(r.get());
  const std::string empirical = formix_reading_empirical(r.get());
  if (!empirical.empty() && empirical != formix_reading_hill(r.get())) hill += ", empirical " + empirical;
  const double dbe = formix_reading_dbe(r.get());
  if (!std::isnan(dbe)) hill += ", DBE " + Shortest(dbe);
  Write(head + "\n" + hill + "\n");
  const bool bars = isatty(STDOUT_FILENO);
  Table table({"element", "atoms", "mass", "percent"});
  for (const formix_element_share* e : rows) {
    std::vector<std::string> row = {e->symbol, Shortest(e->atoms), Fixed(e->mass, o.precision),
                                    Fixed(e->percent, o.precision)};
    if (bars) {
      int width = static_cast<int>(std::lround(std::fmax(0.0, std::fmin(e->percent, 100.0)) / 2.5));
      std::string bar;
      for (int k = 0; k < width; ++k) bar += "\xE2\x96\x88";  // U+2588 FULL BLOCK
      row.push_back(bar);
    }
    table.Add(row);
  }
  table.Print();
  if (analysis) PrintAnalysis(analysis.get(), tolerance, o.solvate);
}

}  // namespace formix::tool
