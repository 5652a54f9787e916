// cmd_solution.cpp -- formix solution and formix dilute: the bench line of
// a solution (the mass to weigh, or the concentration, or the volume) and
// of a dilution of a stock.
#include <memory>
#include <string>

#include "commands.h"
#include "text.h"

namespace formix::tool {

namespace {

using Solution = std::unique_ptr<formix_solution, decltype(&formix_solution_free)>;

const char* OneOf(const std::vector<std::string>& values, const char* option) {
  if (values.size() > 1) throw UsageError{std::string(option) + " is given twice"};
  return values.empty() ? nullptr : values[0].c_str();
}
const char* Optional(const std::optional<std::string>& value) { return value ? value->c_str() : nullptr; }

// Prints the result, or stops: an error of the quantities is a usage
// error (the formula's own were said by its reading).
void Show(Session& s, const Solution& result, const char* command) {
  if (!result) throw IoError{"out of memory"};
  const std::string error = formix_solution_error(result.get());
  if (!error.empty()) throw UsageError{error};
  TellNotes(formix_solution_notes(result.get()));
  if (s.options.json) {
    Json json;
    json.Document(command, s.options.verbose ? s.context : nullptr)
        .Members(formix_solution_json(result.get()));
    json.Close().End();
    return;
  }
  Write(std::string(formix_solution_line(result.get())) + "\n");
}

// The formula read and its diagnostics said; stops when it has no number.
void ReadFormula(Session& s, const std::string& formula) {
  Reading r = s.Read(formula);
  if (!s.Shows(r.get())) throw CommandFailed{};
}

}  // namespace

void CommandSolution(Session& s) {
  const Options& o = s.options;
  if (o.args.size() != 1) throw UsageError{"solution takes one formula"};
  ReadFormula(s, o.args[0]);
  Solution result(formix_solution_new(s.context, o.args[0].c_str(), OneOf(o.conc, "--conc"),
                                      Optional(o.volume), Optional(o.total), Optional(o.purity),
                                      OneOf(o.density, "--density"), Optional(o.solvent)),
                  &formix_solution_free);
  Show(s, result, "solution");
}

void CommandDilute(Session& s) {
  const Options& o = s.options;
  if (o.args.size() > 1) throw UsageError{"dilute takes at most one formula"};
  if (!o.stock || o.conc.empty() || !o.volume) throw UsageError{"dilute needs --stock, --conc and --volume"};
  if (!o.args.empty()) ReadFormula(s, o.args[0]);
  Solution result(formix_dilution(s.context, o.args.empty() ? nullptr : o.args[0].c_str(), o.stock->c_str(),
                                  OneOf(o.conc, "--conc"), o.volume->c_str(), OneOf(o.density, "--density"),
                                  Optional(o.solvent)),
                  &formix_solution_free);
  Show(s, result, "dilute");
}

}  // namespace formix::tool
