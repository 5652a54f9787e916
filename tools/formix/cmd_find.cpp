// cmd_find.cpp -- formix find: formulas from an accurate mass, held to the
// chemical rules, ranked by error or by their isotope pattern's score
// against found peaks; the HRMS line only for a formula chosen (--formula,
// --pick) or the only one left.
#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "commands.h"
#include "text.h"

namespace formix::tool {

namespace {

// The m/z searched for: a number, or the monoisotopic m/z of a formula's
// adduct ion (the neutral formula's mass without --adduct): the formulas
// that share its mass (a sequence's, peptide(...), among them).
double MzOf(Session& s, const std::string& text, bool* calculated) {
  double value = 0.0;
  *calculated = formix_parse_number(text.c_str(), &value) == 0;
  if (!*calculated) return value;
  const Options& o = s.options;
  if (o.charge)
    throw UsageError{"with --charge, give the m/z as a number (not a number for the m/z: '" + text + "')"};
  Reading r = s.Read(text);
  if (!s.Shows(r.get())) throw CommandFailed{};
  if (formix_reading_charge(r.get()) != 0) throw UsageError{"a charged formula: give its m/z as a number"};
  std::unique_ptr<formix_exact, decltype(&formix_exact_free)> exact(
      formix_exact_masses(s.context, r.get(), o.adducts.empty() ? nullptr : o.adducts[0].c_str()),
      &formix_exact_free);
  if (!exact) throw IoError{"out of memory"};
  const std::string error = formix_exact_error(exact.get());
  if (!error.empty()) throw UsageError{error};
  if (o.adducts.empty()) return formix_exact_monoisotopic(exact.get());
  if (formix_exact_ion_count(exact.get()) != 1 || formix_exact_ion_possible(exact.get(), 0) == 0)
    throw UsageError{text + " has no " + o.adducts[0] + " ion"};
  return formix_exact_ion_mz(exact.get(), 0);
}

// The flag of an option that names one of a few choices (0 when the
// option is not given); the usage error lists the choices.
int ChoiceFlag(const std::optional<std::string>& value, const char* option,
               std::initializer_list<std::pair<const char*, int>> choices) {
  if (!value) return 0;
  std::string names;
  for (const auto& [name, flag] : choices) {
    if (*value == name) return flag;
    names += names.empty() ? "" : ", ";
    names += name;
  }
  const std::size_t last = names.rfind(", ");
  throw UsageError{std::string(option) + " takes " + names.replace(last, 2, " or ")};
}

}  // namespace

std::size_t Count(const std::string& text, const char* option) {
  const double n = ParseNumber(text, option);
  if (!(n >= 1 && n <= 1e6) || n != std::floor(n))
    throw UsageError{std::string(option) + " takes a whole number from 1 to 1000000"};
  return static_cast<std::size_t>(n);
}

FindSettings ReadFindSettings(const Options& o) {
  FindSettings f;
  if (o.adducts.size() > 1) throw UsageError{"find takes one --adduct"};
  if (o.ppm && o.mda) throw UsageError{"give --ppm or --mda, not both"};
  if (!o.adducts.empty() && o.charge) throw UsageError{"give --adduct or --charge, not both"};
  f.ppm = o.ppm ? ParseNumber(*o.ppm, "--ppm") : f.ppm;
  f.mda = o.mda ? ParseNumber(*o.mda, "--mda") : f.mda;
  f.resolution = o.resolution ? ParseNumber(*o.resolution, "--resolution") : f.resolution;
  f.intensity_error =
      o.intensity_error ? ParseNumber(*o.intensity_error, "--intensity-error") : f.intensity_error;
  f.mass_error = o.mass_error ? ParseNumber(*o.mass_error, "--mass-error") : f.mass_error;
  if (!std::isnan(f.intensity_error) && !(f.intensity_error > 0 && f.intensity_error <= 100))
    throw UsageError{"--intensity-error takes a percentage above 0 and at most 100"};
  if (!std::isnan(f.mass_error) && !(f.mass_error > 0 && f.mass_error <= 1000))
    throw UsageError{"--mass-error takes ppm above 0 and at most 1000"};
  f.limit = o.limit ? Count(*o.limit, "--limit") : 0;
  f.adduct = o.adducts.empty() ? "" : o.adducts[0];
  f.charge = o.charge ? ChargeOption(*o.charge) : 0;
  const int ratios =
      ChoiceFlag(o.ratios, "--ratios",
                 {{"extended", 0}, {"common", FORMIX_FIND_COMMON_RATIOS}, {"none", FORMIX_FIND_NO_RATIOS}});
  const int limits =
      ChoiceFlag(o.element_limits, "--element-limits",
                 {{"dnp", FORMIX_FIND_DNP_LIMITS}, {"wiley", FORMIX_FIND_WILEY_LIMITS}, {"none", 0}});
  f.flags = (o.no_rules ? FORMIX_FIND_NO_RULES : 0) | (o.radical ? FORMIX_FIND_RADICAL : 0) |
            (o.explain ? FORMIX_FIND_EXPLAIN : 0) | ratios | limits | (o.hnops ? FORMIX_FIND_HNOPS : 0);
  if (o.elements) f.elements = *o.elements;
  if (o.peaks) f.peaks = *o.peaks;
  if (o.source) f.source = *o.source;
  return f;
}

formix_find* FindWith(const formix_context* context, const FindSettings& f, double mz, int extra_flags) {
  auto text = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
  return formix_find_formulas(context, mz, text(f.adduct), f.charge, f.ppm, f.mda, text(f.elements),
                              text(f.peaks), f.resolution, f.intensity_error, f.mass_error, f.limit,
                              f.flags | extra_flags, text(f.source));
}

void CommandFind(Session& s) {
  const Options& o = s.options;
  if (o.table) {
    if (!o.args.empty()) throw UsageError{"find --table takes its m/z values from the table, not arguments"};
    CommandFindTable(s, ReadFindSettings(o));
    return;
  }
  if (o.args.size() != 1) throw UsageError{"find takes one m/z (or neutral mass), or a formula"};
  const FindSettings settings = ReadFindSettings(o);
  bool calculated = false;
  const double mz = MzOf(s, o.args[0], &calculated);
  const double ppm = settings.ppm, mda = settings.mda;
  const std::string& adduct = settings.adduct;
  const int charge = settings.charge;
  std::unique_ptr<formix_find, decltype(&formix_find_free)> f(
      FindWith(s.context, settings, mz, calculated ? FORMIX_FIND_CALCULATED : 0), &formix_find_free);
  if (!f) throw IoError{"out of memory"};
  const std::string error = formix_find_error(f.get());
  if (!error.empty()) throw UsageError{error};
  if (o.formula && o.pick) throw UsageError{"give --formula or --pick, not both"};
  const std::size_t pick = o.pick ? Count(*o.pick, "--pick") : 0;
  if (o.formula) {
    // The formula meant, read as every formula is: its diagnostics said,
    // and a flagged one gets no journal line.
    Reading r = s.Read(*o.formula);
    if (!s.Shows(r.get()) || formix_reading_worst(r.get()) >= FORMIX_WARNING) throw CommandFailed{};
  }
  if (o.formula || o.pick) {
    const std::string why =
        formix_find_choose(f.get(), s.context, o.formula ? o.formula->c_str() : nullptr, pick);
    if (!why.empty()) throw UsageError{why};
  }
  TellNotes(formix_find_note(f.get()));
  const std::string warning = formix_find_warning(f.get());
  const std::size_t n = formix_find_count(f.get());
  if (!warning.empty()) Tell("formix: find " + Printable(o.args[0]) + ": warning: " + warning + "\n");
  if (!warning.empty() || formix_find_passed(f.get()) == 0) s.flagged = true;
  if (o.json) {
    Json json;
    json.Document("find", s.options.verbose ? s.context : nullptr).Members(formix_find_json(f.get()));
    json.Close().End();
    return;
  }
  const std::string tolerance =
      o.mda ? Shortest(mda) + " mDa" : Shortest(o.ppm ? ppm : FORMIX_DEFAULT_PPM) + " ppm";
  char charge_text[16];
  const bool ion = !adduct.empty() || charge != 0;
  std::string head = (ion ? "m/z " : "mass ") + Fixed(mz, o.precision) +
                     (!ion              ? std::string(" (neutral, monoisotopic)")
                      : !adduct.empty() ? " as " + adduct
                                        : std::string(" as an ion ") +
                                              formix_charge_text(charge, charge_text, sizeof charge_text)) +
                     ", within " + tolerance + "; elements " +
                     (o.elements ? *o.elements : std::string(FORMIX_DEFAULT_FIND_ELEMENTS)) + "\n";
  const std::size_t within = formix_find_within(f.get()), passed = formix_find_passed(f.get());
  head += std::to_string(within) + (within == 1 ? " formula" : " formulas") + " within the window";
  head += o.no_rules ? " (rules off)\n" : "; the chemical rules keep " + std::to_string(passed) + "\n";
  Write(head);
  std::vector<std::string> columns = {
      "#", "formula", "monoisotopic (u)", ion ? "m/z" : "mass", "error (ppm)", "error (mDa)", "DBE"};
  const bool scored = o.peaks.has_value();
  if (scored) columns.push_back("score");
  if (o.explain) columns.push_back("removed by");
  Table table(columns);
  const std::size_t given = formix_find_given(f.get());
  for (std::size_t i = 0; i < n; ++i) {
    const double dbe = formix_find_dbe(f.get(), i);
    std::vector<std::string> row = {std::to_string(i + 1) + (i + 1 == given ? " <" : ""),
                                    formix_find_hill(f.get(), i),
                                    Fixed(formix_find_monoisotopic(f.get(), i), o.precision),
                                    Fixed(formix_find_mz(f.get(), i), o.precision),
                                    Fixed(formix_find_ppm(f.get(), i), 2),
                                    Fixed(formix_find_mda(f.get(), i), 2),
                                    std::isnan(dbe) ? "-" : Shortest(dbe)};
    if (scored) {
      const double score = formix_find_score(f.get(), i);
      row.push_back(score >= 0 ? Fixed(score, 1) : "-");
    }
    if (o.explain) row.push_back(formix_find_broken(f.get(), i));
    table.Add(row);
  }
  if (n > 0) table.Print();
  const std::size_t unlisted = formix_find_unlisted(f.get());
  if (unlisted > 0) {
    Write(std::to_string(unlisted) + " more not listed (--limit " + std::to_string(n) + ")\n");
  }
  const std::string hrms = formix_find_hrms(f.get());
  if (o.formula && given == 0) {
    Write(std::string(o.formula ? *o.formula : "") + " is not among the formulas listed\n");
    s.flagged = true;
  }
  if (!hrms.empty()) {
    Write(hrms + "\n");
  } else if (n > 1 && ion && !calculated) {
    Write("(an HRMS line is printed for the formula meant: --formula F, or --pick N)\n");
  }
}

}  // namespace formix::tool
