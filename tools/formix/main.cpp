// formix -- the command-line calculator over the formix toolkit: molar
// masses (mass), compositions and elemental analyses (composition, comp,
// ea), reactions (react), formulas from found values (ratios, analyze),
// exact masses (ms), isotope patterns (pattern), formulas from an accurate
// mass (find) and the tables (elements,
// groups).  The command table maps each name to its handler (one source
// file each); options are parsed once (options.cpp); every command writes
// through one output layer (output.cpp).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "formix.h"
#include "option_table.h"
#include "options.h"
#include "output.h"

namespace formix::tool {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFlagged = 2;
constexpr int kExitData = 3;
constexpr int kExitIo = 4;

struct Command {
  const char* name;
  void (*run)(Session&);
};

const Command kCommands[] = {
    {"mass", CommandMass},         {"composition", CommandComposition},
    {"comp", CommandComposition},  {"ea", CommandComposition},
    {"react", CommandReact},       {"ratios", CommandRatios},
    {"analyze", CommandRatios},    {"ms", CommandMs},
    {"pattern", CommandPattern},   {"find", CommandFind},
    {"solution", CommandSolution}, {"dilute", CommandDilute},
    {"sequence", CommandSequence}, {"elements", CommandElements},
    {"groups", CommandGroups},
};

// Whether the option table gives `option` to `command`.
bool TakesOption(const std::string& command, const std::string& option) {
  for (const OptionRow& row : kOptionTable) {
    if (option == row.name && TakesCommand(row, TableCommand(command))) return true;
  }
  return false;
}

const char kHelp[] =
    "usage: formix [COMMAND] [OPTION]... [ARGUMENT]...\n"
    "\n"
    "Commands:\n"
    "  mass FORMULA...               molar mass of each formula (the default command)\n"
    "                                  formix 'CuSO4*5H2O'\n"
    "  mass [-]                      molar masses of the formulas on standard input, one a line\n"
    "                                  printf 'NaCl\\nH2O\\n' | formix\n"
    "  composition FORMULA           Hill formula, atoms, mass and percent of each element, and\n"
    "                                the journal's Calcd line (aliases comp, ea)\n"
    "                                  formix ea C20H25NO3 --found C=73.21,H=7.75,N=4.22\n"
    "  react EQUATION [--given F=A]  the balance of an equation, and the bench table of amounts\n"
    "                                  formix react 'PhBr + Mg = PhMgBr' --given PhBr=2.5g --equiv Mg=1.2\n"
    "  ratios SPECIES=FRACTION...    formula from found values: atom ratios and the nearest\n"
    "                                formulas (alias analyze)\n"
    "                                  formix ratios C=40.0 H=6.7 O=53.3 --mass 180.16\n"
    "  ms FORMULA                    exact masses: monoisotopic, nominal, the m/z of an ion or of\n"
    "                                the adduct ions, and with --found the error and HRMS line\n"
    "                                  formix ms C20H25NO3 --found 328.1911 --adduct '[M+H]+'\n"
    "  pattern FORMULA               the isotope pattern, centroided (--fine: the isotopologues)\n"
    "                                  formix pattern C254H377N65O75S6 --plot pattern.svg\n"
    "  find M/Z                      formulas from an accurate mass: every formula within the\n"
    "                                tolerance, held to the chemical rules, with its DBE (a\n"
    "                                formula for M/Z: those of its mass)\n"
    "                                  formix find 328.1911 --adduct '[M+H]+' --elements "
    "C0-30H0-60N0-5O0-10\n"
    "  solution FORMULA              the mass to weigh for a concentration and volume (or the\n"
    "                                concentration, or the volume), as a bench line\n"
    "                                  formix solution 'CuSO4*5H2O' --conc 50mM --volume 100mL\n"
    "  dilute [FORMULA]              the volume of stock and of solvent for a dilution\n"
    "                                  formix dilute HCl --stock '37 % w/w' --density 1.18g/mL --conc 1M "
    "--volume 500mL\n"
    "  sequence --protein SEQ        formula and masses of a peptide (or --dna, --rna: a single\n"
    "                                strand); in formulas, peptide(SEQ), dna(SEQ), rna(SEQ)\n"
    "                                  formix sequence --protein Ac-ACDE-NH2 --charge 2\n"
    "  elements                      the element table in use\n"
    "  groups                        the group table in use\n"
    "\n"
    "Formulas:\n"
    "  Element symbols (Cu, S, O) with subscripts (H2, C1.5); a number at the start multiplies\n"
    "  everything (2H2O); brackets ( [ { multiply by the number after them (Ca(OH)2); '*' or a\n"
    "  middle dot separates the parts of an adduct or hydrate (CuSO4*5H2O, CuSO4\xC2\xB7"
    "5H2O), with a\n"
    "  multiplier after it that may be a fraction (CaSO4*1/2H2O); group names from the group file\n"
    "  (Ph2CO).  Subscript digits (H\xE2\x82\x82O), no-break and thin spaces and dashes are read as\n"
    "  their ASCII forms.  A charge at the end makes an ion, whose mass counts its electrons:\n"
    "  SO4^2-, SO4\xC2\xB2\xE2\x81\xBB, SO4(2-), NH4+, OH-, [Fe(CN)6]3-.  Notations with two readings "
    "(SO42-,\n"
    "  SO4-2, Fe3+) are read as written, with a warning.  Anything passed over, and every\n"
    "  likely misreading (CuSO4.5H2O, CuSO4 5H2O, lowercase symbols, AcOH), is reported.\n"
    "\n"
    "Options:\n";

// After the options.
const char kHelpEnd[] =
    "  --                end of options and commands (for a formula such as 'co')\n"
    "\n"
    "Diagnostics go to standard error as 'formix: FORMULA:COLUMN: severity: text'.\n"
    "Exit status: 0 success (notes at most), 1 usage error, 2 a formula has a warning or an\n"
    "error (or found values outside the tolerance), 3 a data file could not be found, 4 a read or\n"
    "write error.\n";

std::vector<std::string> CommandNames() {
  std::vector<std::string> names;
  for (const Command& c : kCommands) names.push_back(c.name);
  return names;
}

const Command& Find(const std::string& name) {
  for (const Command& c : kCommands) {
    if (name == c.name) return c;
  }
  return kCommands[0];
}

int Run(int argc, char** argv) {
  Options o = ParseOptions(argc, argv, CommandNames());
  if (o.help) {
    Write(o.help_roff ? OptionsRoff() : kHelp + OptionsHelp() + kHelpEnd);
    Flush();
    return kExitOk;
  }
  if (o.version) {
    Write("formix " + std::to_string(FORMIX_VERSION_MAJOR) + "." + std::to_string(FORMIX_VERSION_MINOR) +
          "." + std::to_string(FORMIX_VERSION_PATCH) + "\n");
    Flush();
    return kExitOk;
  }
  const Command& command = Find(o.command);
  for (const std::string& option : o.command_options) {
    if (!TakesOption(o.command, option)) throw UsageError{option + " is not an option of " + o.command};
  }
  if (o.command == "mass" && o.args.empty() && isatty(STDIN_FILENO)) {
    throw UsageError{"give a formula, or formulas on standard input"};
  }
  int status = FORMIX_OK;
  formix_context* context = formix_context_new(o.masses ? o.masses->c_str() : nullptr,
                                               o.groups ? o.groups->c_str() : nullptr, nullptr, &status);
  if (context == nullptr) {
    std::string file = status == FORMIX_GROUPS_NOT_FOUND ? (o.groups ? *o.groups : "mass.gps")
                                                         : (o.masses ? *o.masses : "mass.elt");
    Tell("formix: " + file + ": " + formix_status_text(status) +
         " (looked for as given, in $FORMIX32_DATA_DIR and in the installed data directory)\n");
    return status == FORMIX_OUT_OF_MEMORY ? kExitIo : kExitData;
  }
  std::unique_ptr<formix_context, decltype(&formix_context_free)> owner(context, &formix_context_free);
  Session session(o, context, {o.russian, isatty(STDERR_FILENO) != 0});
  if (o.verbose) {
    const std::string groups = formix_context_groups_file(context);
    Tell(std::string("formix: masses from ") + formix_context_masses_file(context) +
         "\nformix: groups from " + (groups.empty() ? "(none)" : groups) + "\n");
    const char* list = nullptr;
    for (std::size_t i = 0; const char* path = formix_context_list_file(context, i, &list); ++i) {
      Tell(std::string("formix: ") + list + " from " + (path[0] != '\0' ? path : "(found nowhere)") + "\n");
    }
  }
  // Lines of the data files refused: said, and the run is flagged.
  for (std::size_t i = 0; i < formix_context_problem_count(context); ++i) {
    Tell(std::string("formix: warning: ") + formix_context_problem(context, i) + "\n");
    session.flagged = true;
  }
  try {
    command.run(session);
  } catch (const CommandFailed&) {
    Flush();
    return kExitFlagged;
  }
  Flush();
  return session.flagged ? kExitFlagged : kExitOk;
}

}  // namespace

Reading Session::Read(const std::string& formula) {
  Reading r(formix_read(context, formula.data(), formula.size()), &formix_reading_free);
  if (!r) throw IoError{"out of memory"};
  PrintDiagnostics(formula, r.get(), style_);
  if (formix_reading_worst(r.get()) >= FORMIX_WARNING) flagged = true;
  return r;
}

bool Session::Shows(const formix_reading* reading) const {
  if (!formix_reading_has_value(reading)) return false;
  return !(options.strict && formix_reading_worst(reading) >= FORMIX_WARNING);
}

}  // namespace formix::tool

int main(int argc, char** argv) {
  using namespace formix::tool;
  try {
    const int status = Run(argc, argv);
    // Diagnostics that could not be written are a write error too (there
    // is nowhere left to say so).
    if (std::fflush(stderr) != 0 || std::ferror(stderr)) return kExitIo;
    return status;
  } catch (const UsageError& e) {
    Tell("formix: " + e.message + "\nTry 'formix --help'.\n");
    return kExitUsage;
  } catch (const IoError& e) {
    Tell("formix: " + e.message + "\n");
    return kExitIo;
  } catch (const std::exception& e) {
    Tell(std::string("formix: ") + e.what() + "\n");
    return kExitIo;
  }
}
