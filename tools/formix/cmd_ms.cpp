// cmd_ms.cpp -- formix ms: exact masses, the m/z of ions and adduct ions,
// and with a found m/z its error and the journal's HRMS line.
#include <cmath>
#include <memory>
#include <string>

#include "commands.h"
#include "text.h"

namespace formix::tool {

void CommandMs(Session& s) {
  const Options& o = s.options;
  if (o.args.size() != 1) throw UsageError{"ms takes one formula"};
  const std::string& formula = o.args[0];
  const bool has_found = o.found.has_value();
  const double found = has_found ? ParseNumber(*o.found, "--found") : 0.0;
  const double ppm = o.ppm ? ParseNumber(*o.ppm, "--ppm") : FORMIX_DEFAULT_PPM;
  if (has_found && !(found > 0)) throw UsageError{"--found takes a positive m/z"};
  if (!(ppm >= 0)) throw UsageError{"--ppm takes a tolerance of 0 or more"};
  const std::string source = o.source ? *o.source : "ESI";
  std::string adducts;
  for (const std::string& a : o.adducts) adducts += (adducts.empty() ? "" : ",") + a;

  Reading r = s.Read(formula);
  if (!s.Shows(r.get())) throw CommandFailed{};
  std::unique_ptr<formix_exact, decltype(&formix_exact_free)> ms(
      formix_exact_masses(s.context, r.get(), adducts.empty() ? nullptr : adducts.c_str()),
      &formix_exact_free);
  if (!ms) throw IoError{"out of memory"};
  const std::string error = formix_exact_error(ms.get());
  if (!error.empty()) {
    if (error.rfind("unknown adduct", 0) == 0) throw UsageError{error};
    Tell("formix: " + formula + ": error: " + error + "\n");
    throw CommandFailed{};
  }
  const int charge = formix_exact_charge(ms.get());
  const std::size_t n = formix_exact_ion_count(ms.get());
  const bool within = has_found && formix_exact_compare(ms.get(), found, ppm, source.c_str()) != 0;
  if (has_found && !within) s.flagged = true;
  const std::string hrms = formix_exact_hrms(ms.get());

  if (o.json) {
    Json json;
    json.Document("ms", s.options.verbose ? s.context : nullptr).Members(formix_exact_json(ms.get()));
    json.Close().End();
    return;
  }
  const double dbe = formix_reading_dbe(r.get());
  std::string head = Printable(formula) + "\tmonoisotopic mass " +
                     Fixed(formix_exact_monoisotopic(ms.get()), o.precision) + " u (nominal " +
                     Shortest(formix_exact_nominal(ms.get())) +
                     (std::isnan(dbe) ? "" : ", DBE " + Shortest(dbe)) + "; average molar mass " +
                     Fixed(formix_reading_molar_mass(r.get()), o.precision) + " g/mol)";
  if (charge != 0) {
    head += "\n" + IonCharge(charge) + ": m/z " + Fixed(formix_exact_mz(ms.get()), o.precision) +
            " (monoisotopic)";
    if (has_found) {
      // A charged species has no adduct ions: the comparison is the ion's.
      head += "; found " + Fixed(found, o.precision) + ", error " +
              Fixed(formix_exact_error_ppm(ms.get()), 1) + " ppm, " +
              Fixed(formix_exact_error_mda(ms.get()), 2) + " mDa" + (within ? "" : " (outside)");
    }
  }
  Write(head + "\n");
  if (n == 0) return;
  Table table(has_found ? std::vector<std::string>{"adduct", "ion formula", "m/z (monoisotopic)",
                                                   "error (ppm)", "error (mDa)", ""}
                        : std::vector<std::string>{"adduct", "ion formula", "m/z (monoisotopic)"});
  for (std::size_t i = 0; i < n; ++i) {
    const bool possible = formix_exact_ion_possible(ms.get(), i) != 0;
    const double mz = formix_exact_ion_mz(ms.get(), i);
    std::vector<std::string> row = {formix_exact_ion_name(ms.get(), i),
                                    possible ? formix_exact_ion_formula(ms.get(), i) : "-",
                                    possible ? Fixed(mz, o.precision) : "(M lacks the atoms)"};
    if (has_found && possible) {
      row.push_back(Fixed(formix_exact_ion_error_ppm(ms.get(), i), 1));
      row.push_back(Fixed(formix_exact_ion_error_mda(ms.get(), i), 2));
      row.push_back(formix_exact_ion_within(ms.get(), i) ? "within " + Shortest(ppm) + " ppm" : "");
    }
    table.Add(row);
  }
  table.Print();
  if (!hrms.empty()) {
    Write(hrms + "\n");
  } else if (has_found && charge == 0) {
    Write("no adduct ion within " + Shortest(ppm) + " ppm of " + Fixed(found, o.precision) + "\n");
  }
}

}  // namespace formix::tool
