// option_table.h -- every option of the tool, once: its name, its value,
// the commands that take it, what it does and its default (from formix.h).
// The parser (options.cpp), each command's allowed options (main.cpp), the
// options of --help and the man page's options of the commands
// (--help=roff) are all read from this table.
#ifndef FORMIX_TOOL_OPTION_TABLE_H
#define FORMIX_TOOL_OPTION_TABLE_H

#include <optional>
#include <string>
#include <vector>

#include "formix.h"
#include "options.h"

namespace formix::tool {

struct OptionRow {
  const char* name;          // "--ppm"
  const char* value;         // "P"; "" for a flag
  const char* commands;      // "ms find" ("" for the options of every command)
  const char* help;          // what it does, one sentence without its default
  double default_number;     // NaN: none
  const char* default_text;  // nullptr: none (or the number)
  // Where the parser puts it (none: a global option parsed by name).
  std::optional<std::string> Options::*value_member;
  std::vector<std::string> Options::*list_member;
  bool Options::*flag_member;
};

constexpr double kNone = __builtin_nan("");
using V = std::optional<std::string> Options::*;
using L = std::vector<std::string> Options::*;
using F = bool Options::*;

// In the order --help lists them: the options of every command, then each
// command's.
inline const OptionRow kOptionTable[] = {
    {"--masses", "FILE", "", "use FILE as the atomic mass file", kNone, nullptr, nullptr, nullptr, nullptr},
    {"--groups", "FILE", "", "use FILE as the group file", kNone, nullptr, nullptr, nullptr, nullptr},
    {"--precision", "N", "", "decimals of printed numbers, 0 to 17", kDefaultPrecision, nullptr, nullptr,
     nullptr, nullptr},
    {"--json", "", "", "JSON on standard output, exact numbers (docs/formix-json.schema.json)", kNone,
     nullptr, nullptr, nullptr, nullptr},
    {"--strict", "", "", "print no number for a formula with a warning", kNone, nullptr, nullptr, nullptr,
     nullptr},
    {"--verbose", "", "", "name the data files used (on standard error)", kNone, nullptr, nullptr, nullptr,
     nullptr},
    {"--messages", "=en|ru", "", "English diagnostics, or the library's own Russian texts where it spoke",
     kNone, "en", nullptr, nullptr, nullptr},
    {"--help", "", "", "this help (--help=roff: the man page's options of the commands)", kNone, nullptr,
     nullptr, nullptr, nullptr},
    {"--version", "", "", "the version", kNone, nullptr, nullptr, nullptr, nullptr},
    {"--found", "C=..,H=..", "composition", "found percentages, compared with the calculated ones", kNone,
     nullptr, V{&Options::found}, nullptr, nullptr},
    {"--elements", "C,H,N", "composition", "the elements of the Calcd line", kNone, "C, H, N, S",
     V{&Options::elements}, nullptr, nullptr},
    {"--tolerance", "P", "composition", "allowed difference, absolute percent", FORMIX_DEFAULT_TOLERANCE,
     nullptr, V{&Options::tolerance}, nullptr, nullptr},
    {"--solvate", "[=2]", "composition", "fit x solvent (or two at once), x 0.05 to 2", kNone, nullptr,
     nullptr, nullptr, nullptr},
    {"--given", "F=A", "react",
     "participant F (as written) has amount A: a mass (g when no unit is written), an amount (mol, mmol, "
     "\xC2\xB5mol) or a volume of a liquid with its --density; several name the limiting reagent",
     kNone, nullptr, nullptr, L{&Options::given}, nullptr},
    {"--equiv", "F=N", "react", "reactant F has N equivalents of the limiting reagent", kNone, nullptr,
     nullptr, L{&Options::equiv}, nullptr},
    {"--density", "F=D", "react", "liquid F has density D, g/mL when no unit is written (gives its volume)",
     kNone, nullptr, nullptr, L{&Options::density}, nullptr},
    {"--conc", "F=C", "react",
     "solution F has concentration C, mol/L when no unit is written (gives its volume)", kNone, nullptr,
     nullptr, L{&Options::conc}, nullptr},
    {"--balance", "", "react", "find the smallest whole coefficients", kNone, nullptr, nullptr, nullptr,
     F{&Options::balance}},
    {"--no-check", "", "react", "do not refuse an equation that does not balance", kNone, nullptr, nullptr,
     nullptr, F{&Options::no_check}},
    {"--mass", "M", "ratios", "scale the ratios to the total molar mass M", kNone, nullptr,
     V{&Options::total}, nullptr, nullptr},
    {"--ref", "S=N", "ratios", "scale the ratios so that species S has N atoms", kNone, nullptr,
     V{&Options::ref}, nullptr, nullptr},
    {"--by-difference", "E", "ratios", "element E is the rest to 100 %", kNone, nullptr,
     V{&Options::by_difference}, nullptr, nullptr},
    {"--tolerance", "P", "ratios", "how far the found values' sum may lie from 100 %, in percent",
     FORMIX_DEFAULT_TOLERANCE, nullptr, V{&Options::tolerance}, nullptr, nullptr},
    {"--adduct", "NAME", "ms", "only this adduct ion (repeatable), such as '[M+Na]+'", kNone, nullptr,
     nullptr, L{&Options::adducts}, nullptr},
    {"--found", "M/Z", "ms", "the measured m/z, compared with the calculated ones", kNone, nullptr,
     V{&Options::found}, nullptr, nullptr},
    {"--ppm", "P", "ms", "the tolerance for --found, in ppm", FORMIX_DEFAULT_PPM, nullptr, V{&Options::ppm},
     nullptr, nullptr},
    {"--source", "NAME", "ms find", "the ionisation named in the HRMS line", kNone, "ESI",
     V{&Options::source}, nullptr, nullptr},
    {"--resolution", "R", "pattern", "resolving power m/dm, FWHM", FORMIX_DEFAULT_RESOLVING_POWER, nullptr,
     V{&Options::resolution}, nullptr, nullptr},
    {"--threshold", "T", "pattern", "relative abundance below which isotopologues drop",
     FORMIX_DEFAULT_THRESHOLD, nullptr, V{&Options::threshold}, nullptr, nullptr},
    {"--plot", "FILE.svg", "pattern", "also draw the pattern as an SVG stick plot", kNone, nullptr,
     V{&Options::plot}, nullptr, nullptr},
    {"--fine", "", "pattern", "list the isotopologues, not the centroids", kNone, nullptr, nullptr, nullptr,
     F{&Options::fine}},
    {"--adduct", "NAME", "find", "the ion found is this adduct ion of M", kNone, nullptr, nullptr,
     L{&Options::adducts}, nullptr},
    {"--charge", "Z", "find", "the ion found is the formula itself, of charge Z (2, -1, 2+, ++, -)", kNone,
     nullptr, V{&Options::charge}, nullptr, nullptr},
    {"--ppm", "P", "find", "the tolerance, in ppm", FORMIX_DEFAULT_PPM, nullptr, V{&Options::ppm}, nullptr,
     nullptr},
    {"--mda", "D", "find", "the tolerance in milli-u, instead of --ppm", kNone, nullptr, V{&Options::mda},
     nullptr, nullptr},
    {"--elements", "RANGES", "find",
     "element ranges; a symbol alone is one atom, labels such as [13C] and D too", kNone,
     FORMIX_DEFAULT_FIND_ELEMENTS, V{&Options::elements}, nullptr, nullptr},
    {"--no-rules", "", "find", "list every formula, not only those the chemical rules keep", kNone, nullptr,
     nullptr, nullptr, F{&Options::no_rules}},
    {"--ratios", "SET", "find", "the element-ratio limits: extended, common or none", kNone, "extended",
     V{&Options::ratios}, nullptr, nullptr},
    {"--element-limits", "SET", "find", "the element counts by mass range: dnp, wiley or none", kNone, "none",
     V{&Options::element_limits}, nullptr, nullptr},
    {"--hnops", "", "find", "the HNOPS check: N, O, P and S counts that occur together", kNone, nullptr,
     nullptr, nullptr, F{&Options::hnops}},
    {"--radical", "", "find", "the ion is odd-electron (EI: M+.)", kNone, nullptr, nullptr, nullptr,
     F{&Options::radical}},
    {"--explain", "", "find", "list the formulas a rule removed too, naming the rule", kNone, nullptr,
     nullptr, nullptr, F{&Options::explain}},
    {"--peaks", "LIST", "find", "found isotope peaks m/z:intensity,... to score the patterns against", kNone,
     nullptr, V{&Options::peaks}, nullptr, nullptr},
    {"--table", "FILE", "find", "search every row of a feature table, CSV or TSV ('-': standard input)",
     kNone, nullptr, V{&Options::table}, nullptr, nullptr},
    {"--jobs", "N", "find", "with --table, search on N threads (the output as with 1)", kNone,
     "the processors available", V{&Options::jobs}, nullptr, nullptr},
    {"--intensity-error", "P", "find", "the error of a peak's intensity, percent of it (one sigma)",
     FORMIX_DEFAULT_INTENSITY_ERROR, nullptr, V{&Options::intensity_error}, nullptr, nullptr},
    {"--mass-error", "PPM", "find", "the error of a peak's m/z, ppm (one sigma)", kNone,
     "the tolerance / 2.5", V{&Options::mass_error}, nullptr, nullptr},
    {"--resolution", "R", "find", "the resolving power of the patterns scored against --peaks",
     FORMIX_DEFAULT_RESOLVING_POWER, nullptr, V{&Options::resolution}, nullptr, nullptr},
    {"--limit", "N", "find", "list at most N formulas", FORMIX_DEFAULT_FIND_LIMIT, nullptr,
     V{&Options::limit}, nullptr, nullptr},
    {"--formula", "F", "find", "the formula meant, marked in the list, with its HRMS line", kNone, nullptr,
     V{&Options::formula}, nullptr, nullptr},
    {"--pick", "N", "find",
     "the HRMS line of candidate N (the line is printed only for a formula chosen, or when one candidate is "
     "left)",
     kNone, nullptr, V{&Options::pick}, nullptr, nullptr},
    {"--conc", "C", "solution dilute",
     "the concentration, with its unit: 50mM, 0.1M, 5mg/mL, '2 % w/v', 10ppm (docs/solutions.md lists them)",
     kNone, nullptr, nullptr, L{&Options::conc}, nullptr},
    {"--volume", "V", "solution dilute", "the volume of solution: 100mL, 1L, 250uL", kNone, nullptr,
     V{&Options::volume}, nullptr, nullptr},
    {"--mass", "M", "solution", "the mass weighed: 1.25g, 20mg", kNone, nullptr, V{&Options::total}, nullptr,
     nullptr},
    {"--purity", "P", "solution", "the reagent's purity, 98% or 0.98", kNone, nullptr, V{&Options::purity},
     nullptr, nullptr},
    {"--density", "D", "solution dilute",
     "the density of the liquid reagent or stock, 1.18g/mL (g/mL when no unit is written)", kNone, nullptr,
     nullptr, L{&Options::density}, nullptr},
    {"--stock", "C", "dilute", "the stock's concentration (also '37 % w/w' with --density)", kNone, nullptr,
     V{&Options::stock}, nullptr, nullptr},
    {"--solvent", "NAME", "solution dilute", "the solvent named in the bench line", kNone, "water",
     V{&Options::solvent}, nullptr, nullptr},
    {"--protein", "SEQ", "sequence", "a peptide: ACDE, Ala-Gly-Ser, H-..-OH, Ac-..-NH2 ('-': standard input)",
     kNone, nullptr, V{&Options::protein}, nullptr, nullptr},
    {"--dna", "SEQ", "sequence", "a single DNA strand, 5'-OH and 3'-OH (pACGT: 5'-phosphate)", kNone, nullptr,
     V{&Options::dna}, nullptr, nullptr},
    {"--rna", "SEQ", "sequence", "a single RNA strand, as --dna", kNone, nullptr, V{&Options::rna}, nullptr,
     nullptr},
    {"--acetyl", "", "sequence", "an N-acetyl peptide", kNone, nullptr, nullptr, nullptr,
     F{&Options::acetyl}},
    {"--amide", "", "sequence", "a C-amide peptide", kNone, nullptr, nullptr, nullptr, F{&Options::amide}},
    {"--disulfides", "N", "sequence", "N disulfide bridges (each 2 H fewer)", kNone, nullptr,
     V{&Options::disulfides}, nullptr, nullptr},
    {"--5phosphate", "", "sequence", "a 5'-phosphate", kNone, nullptr, nullptr, nullptr,
     F{&Options::five_phosphate}},
    {"--charge", "Z", "sequence", "the ion [M+ZH]Z+ (Z protons added; negative: removed)", kNone, nullptr,
     V{&Options::charge}, nullptr, nullptr},
    {"--adduct", "NAME", "sequence", "an adduct ion of adducts.txt instead", kNone, nullptr, nullptr,
     L{&Options::adducts}, nullptr},
};

// The command an alias stands for in the table ("comp" -> "composition").
inline std::string TableCommand(const std::string& command) {
  if (command == "comp" || command == "ea") return "composition";
  if (command == "analyze") return "ratios";
  return command;
}

// Whether row takes `command` (its table name).
inline bool TakesCommand(const OptionRow& row, const std::string& command) {
  const std::string list = std::string(" ") + row.commands + " ";
  return list.find(" " + command + " ") != std::string::npos;
}

// The options section of --help, and the roff of the man page's options
// of the commands.
std::string OptionsHelp();
std::string OptionsRoff();

}  // namespace formix::tool

#endif  // FORMIX_TOOL_OPTION_TABLE_H
