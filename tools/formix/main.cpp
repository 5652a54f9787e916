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
  std::vector<std::string> options;  // command options it takes
};

const Command kCommands[] = {
    {"mass", CommandMass, {}},
    {"composition", CommandComposition, {"--found", "--elements", "--tolerance", "--solvate"}},
    {"comp", CommandComposition, {"--found", "--elements", "--tolerance", "--solvate"}},
    {"ea", CommandComposition, {"--found", "--elements", "--tolerance", "--solvate"}},
    {"react", CommandReact, {"--given", "--equiv", "--density", "--conc", "--balance", "--no-check"}},
    {"ratios", CommandRatios, {"--mass", "--ref", "--by-difference", "--tolerance"}},
    {"analyze", CommandRatios, {"--mass", "--ref", "--by-difference", "--tolerance"}},
    {"ms", CommandMs, {"--adduct", "--found", "--ppm", "--source"}},
    {"pattern", CommandPattern, {"--resolution", "--threshold", "--plot", "--fine"}},
    {"find",
     CommandFind,
     {"--adduct", "--charge", "--ppm", "--mda", "--elements", "--no-rules", "--radical", "--explain",
      "--peaks", "--resolution", "--limit", "--source", "--formula", "--pick"}},
    {"solution", CommandSolution, {"--conc", "--volume", "--mass", "--purity", "--density", "--solvent"}},
    {"dilute", CommandDilute, {"--stock", "--conc", "--volume", "--density", "--solvent"}},
    {"sequence",
     CommandSequence,
     {"--protein", "--dna", "--rna", "--acetyl", "--amide", "--disulfides", "--5phosphate", "--charge",
      "--adduct"}},
    {"elements", CommandElements, {}},
    {"groups", CommandGroups, {}},
};

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
    "Options:\n"
    "  --masses FILE     use FILE as the atomic mass file\n"
    "  --groups FILE     use FILE as the group file\n"
    "  --precision N     decimals of printed numbers, 0 to 17 (default 4)\n"
    "  --json            JSON on standard output, exact numbers (docs/formix-json.schema.json)\n"
    "  --strict          print no number for a formula with a warning\n"
    "  --verbose         name the data files used (on standard error)\n"
    "  --messages=ru     show the library's own Russian texts where it spoke\n"
    "  --given F=A       react: participant F (as written) has amount A: g (default), mg, kg, mmol, mol;\n"
    "                    several name the limiting reagent\n"
    "  --equiv F=N       react: reactant F has N equivalents of the limiting reagent\n"
    "  --density F=D     react: liquid F has density D g/mL (gives its volume)\n"
    "  --conc F=C        react: solution F has concentration C mol/L (gives its volume)\n"
    "  --balance         react: find the smallest whole coefficients\n"
    "  --resolution R    pattern: resolving power m/dm, FWHM (default 20000)\n"
    "  --threshold T     pattern: relative abundance below which isotopologues drop (default 1e-6)\n"
    "  --plot FILE.svg   pattern: also draw the pattern as an SVG stick plot\n"
    "  --fine            pattern: list the isotopologues, not the centroids\n"
    "  --adduct NAME     ms: only this adduct ion (repeatable), such as '[M+Na]+'\n"
    "  --found M/Z       ms: the measured m/z, compared with the calculated ones\n"
    "  --ppm P           ms: the tolerance for --found, in ppm (default 5)\n"
    "  --source NAME     ms: the ionisation named in the HRMS line (default ESI)\n"
    "  --adduct NAME     find: the ion found is this adduct ion of M\n"
    "  --charge Z        find: the ion found is the formula itself, of charge Z (+, 2+, -)\n"
    "  --ppm P, --mda D  find: the tolerance, in ppm (default 5) or in milli-u\n"
    "  --elements RANGES find: element ranges (default C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5\n"
    "                    Br0-3I0-3); a symbol alone is one atom, labels such as [13C] and D too\n"
    "  --no-rules        find: list every formula, not only those the chemical rules keep\n"
    "  --radical         find: the ion is odd-electron (EI: M+.)\n"
    "  --explain         find: list the formulas a rule removed too, naming the rule\n"
    "  --peaks LIST      find: found isotope peaks m/z:intensity,... to score the patterns against\n"
    "  --limit N         find: list at most N formulas (default 100)\n"
    "  --formula F       find: the formula meant, marked in the list, with its HRMS line\n"
    "  --pick N          find: the HRMS line of candidate N (the line is printed only for a\n"
    "                    formula chosen, or when one candidate is left)\n"
    "  --no-check        react: do not refuse an equation that does not balance\n"
    "  --conc C          solution, dilute: the concentration, with its unit: 50mM, 0.1M, 5mg/mL,\n"
    "                    '2 % w/v', 10ppm (docs/solutions.md lists them)\n"
    "  --volume V        solution, dilute: the volume of solution: 100mL, 1L, 250uL\n"
    "  --mass M          solution: the mass weighed: 1.25g, 20mg\n"
    "  --purity P        solution: the reagent's purity, 98% or 0.98\n"
    "  --density D       solution, dilute: the density of the liquid reagent or stock, 1.18g/mL\n"
    "  --stock C         dilute: the stock's concentration (also '37 % w/w' with --density)\n"
    "  --solvent NAME    solution, dilute: the solvent named in the bench line (default water)\n"
    "  --protein SEQ     sequence: a peptide: ACDE, Ala-Gly-Ser, H-..-OH, Ac-..-NH2 ('-': stdin)\n"
    "  --dna, --rna SEQ  sequence: a single strand, 5'-OH and 3'-OH (pACGT: 5'-phosphate)\n"
    "  --acetyl, --amide sequence: N-acetyl, C-amide peptide\n"
    "  --disulfides N    sequence: N disulfide bridges (each 2 H fewer)\n"
    "  --5phosphate      sequence: a 5'-phosphate\n"
    "  --charge Z        sequence: the ion [M+ZH]Z+ (Z protons added; negative: removed)\n"
    "  --adduct NAME     sequence: an adduct ion of adducts.txt instead\n"
    "  --mass M          ratios: scale the ratios to the total molar mass M\n"
    "  --ref S=N         ratios: scale the ratios so that species S has N atoms\n"
    "  --by-difference E ratios: element E is the rest to 100 %\n"
    "  --found C=..,H=.. composition: found percentages, compared with the calculated ones\n"
    "  --elements C,H,N  composition: the elements of the Calcd line (default C, H, N, S)\n"
    "  --tolerance P     composition: allowed difference, absolute percent (default 0.4)\n"
    "  --solvate[=2]     composition: fit x solvent (or two at once), x 0.05 to 2\n"
    "  --                end of options and commands (for a formula such as 'co')\n"
    "  --help, --version\n"
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
    Write(kHelp);
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
    bool allowed = false;
    for (const std::string& a : command.options) allowed = allowed || a == option;
    if (!allowed) throw UsageError{option + " is not an option of " + o.command};
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
