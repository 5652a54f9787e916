// cmd_react.cpp -- formix react: the balance of an equation and the bench
// table of amounts, through the toolkit's reactions.
#include <cmath>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {
namespace {

using ReactionPtr = std::unique_ptr<formix_reaction, decltype(&formix_reaction_free)>;

// An amount as the bench writes it (the toolkit's writer: the reaction
// document's texts are the same).
std::string Bench(double value, int kind) {
  char buffer[64];
  return formix_quantity_text(value, kind, FORMIX_BENCH_FIGURES, buffer, sizeof buffer);
}

}  // namespace

void CommandReact(Session& s) {
  const Options& o = s.options;
  if (o.args.empty()) throw UsageError{"react takes an equation, such as '2H2 + O2 = 2H2O'"};
  std::string equation;
  for (const std::string& a : o.args) equation += (equation.empty() ? "" : " ") + a;
  ReactionPtr r(formix_react(s.context, equation.c_str(), o.balance ? 1 : 0, o.no_check ? 0 : 1),
                &formix_reaction_free);
  if (!r) throw IoError{"out of memory"};
  const std::size_t n = formix_reaction_count(r.get());
  for (std::size_t i = 0; i < n; ++i) {
    const formix_reading* reading = formix_reaction_reading(r.get(), i);
    PrintDiagnostics(formix_reaction_formula(r.get(), i), reading, {o.russian, false});
    if (formix_reading_worst(reading) >= FORMIX_WARNING) s.flagged = true;
  }
  std::string error = formix_reaction_error(r.get());
  if (!error.empty()) {
    // The equation's own faults are the user's; a formula that cannot be
    // read was shown above.
    if (n == 0 || error.find("cannot be read") == std::string::npos) {
      Tell("formix: " + equation + ": " + error + "\n");
    }
    throw CommandFailed{};
  }
  const bool amounts = !o.given.empty();
  if (!amounts && (!o.equiv.empty() || !o.density.empty() || !o.conc.empty())) {
    throw UsageError{"--equiv, --density and --conc need --given amounts"};
  }
  struct AmountOption {
    const std::vector<std::string>& list;
    char kind;
    const char* name;
  };
  for (const AmountOption& option :
       {AmountOption{o.given, 'g', "--given"}, AmountOption{o.equiv, 'e', "--equiv"},
        AmountOption{o.density, 'd', "--density"}, AmountOption{o.conc, 'c', "--conc"}}) {
    for (const std::string& item : option.list) {
      if (!formix_reaction_set_amount(r.get(), item.c_str(), option.kind)) {
        throw UsageError{std::string(formix_reaction_error(r.get())) + " (" + option.name + " " + item + ")"};
      }
    }
  }
  if (amounts && !formix_reaction_solve(r.get())) {
    throw UsageError{std::string(formix_reaction_error(r.get())) + " (--given FORMULA=AMOUNT)"};
  }
  TellNotes(formix_reaction_notes(r.get()));
  const int limiting = formix_reaction_limiting(r.get());

  if (o.json) {
    Json json;
    json.Document("react", s.options.verbose ? s.context : nullptr);
    json.Members(formix_reaction_json(r.get())).Close().End();
    return;
  }
  std::string out = std::string(formix_reaction_equation(r.get())) + "\n";
  Write(out);
  if (!amounts) {
    Table table({"", "coef", "formula", "M (g/mol)"});
    for (std::size_t i = 0; i < n; ++i) {
      table.Add({formix_reaction_side(r.get(), i) ? "product" : "reactant",
                 Shortest(formix_reaction_coefficient(r.get(), i)), formix_reaction_formula(r.get(), i),
                 Fixed(formix_reading_molar_mass(formix_reaction_reading(r.get(), i)), 2)});
    }
    table.Print();
    return;
  }
  Table table({"", "formula", "M (g/mol)", "equiv", "n", "m", "V"});
  for (std::size_t i = 0; i < n; ++i) {
    const formix_reading* reading = formix_reaction_reading(r.get(), i);
    const double equiv = formix_reaction_equiv(r.get(), i);
    const bool product = formix_reaction_side(r.get(), i) == 1;
    std::string note = static_cast<int>(i) == limiting     ? "limiting"
                       : formix_reaction_given(r.get(), i) ? "given"
                       : product                           ? "theoretical yield"
                                                           : "";
    const double excess = formix_reaction_excess(r.get(), i);
    if (!product && static_cast<int>(i) != limiting && std::isfinite(excess) && excess > 0) {
      note += (note.empty() ? "" : ", ") + Bench(excess, FORMIX_QUANTITY_AMOUNT) + " in excess";
    }
    table.Add({product ? "product" : "reactant", formix_reaction_formula(r.get(), i),
               Fixed(formix_reading_molar_mass(reading), 2), std::isfinite(equiv) ? Fixed(equiv, 2) : "",
               Bench(formix_reaction_moles(r.get(), i), FORMIX_QUANTITY_AMOUNT),
               Bench(formix_reaction_mass(r.get(), i), FORMIX_QUANTITY_MASS),
               Bench(formix_reaction_volume(r.get(), i) / 1000.0, FORMIX_QUANTITY_VOLUME), note});
  }
  table.Print();
}

}  // namespace formix::tool
