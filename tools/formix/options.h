// options.h -- the formix tool's one option parser.
#ifndef FORMIX_TOOL_OPTIONS_H
#define FORMIX_TOOL_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

namespace formix::tool {

// The decimals of printed numbers unless --precision says otherwise.
inline constexpr int kDefaultPrecision = 4;

struct Options {
  std::string command;  // a name from the command table
  std::vector<std::string> args;
  std::vector<std::string> command_options;               // the command options given, for checking
  std::optional<std::string> masses, groups;              // data files
  std::vector<std::string> given, equiv, density, conc;   // react
  bool balance = false, no_check = false;                 // react
  std::optional<std::string> total, ref, by_difference;   // analyze
  std::optional<std::string> found, elements, tolerance;  // composition
  int solvate = 0;                                        // composition
  std::vector<std::string> adducts;                       // ms
  std::optional<std::string> ppm, source;                 // ms
  std::optional<std::string> charge, mda, peaks, limit;   // find
  std::optional<std::string> formula, pick, ratios, element_limits;        // find
  std::optional<std::string> intensity_error, mass_error;                  // find
  std::optional<std::string> table, jobs;                                  // find
  bool no_rules = false, radical = false, explain = false, hnops = false;  // find
  std::optional<std::string> resolution, threshold, plot;                  // pattern
  bool fine = false;                                                       // pattern
  std::optional<std::string> volume, purity, solvent, stock;               // solution, dilute
  std::optional<std::string> protein, dna, rna, disulfides;                // sequence
  bool acetyl = false, amide = false, five_phosphate = false;              // sequence
  int precision = kDefaultPrecision;
  bool json = false, strict = false, russian = false, help = false, version = false, verbose = false;
  bool help_roff = false;  // --help=roff
};

struct UsageError {
  std::string message;
};

// Parses the command line.  `commands` are the command names (and
// aliases); the first positional argument that is one of them names the
// command, "mass" when none does.  A lowercase word that is not one is a
// usage error with the nearest name suggested; "--" ends options and
// commands.
Options ParseOptions(int argc, char** argv, const std::vector<std::string>& commands);

// A number of an argument, or a usage error naming `what`.
double ParseNumber(const std::string& text, const std::string& what);

// The charge of --charge, as every command reads it: "2", "+2", "2+",
// "-1", "1-", or a run of one sign ("+", "++", "-"); 1 to 100 either way.
int ChargeOption(const std::string& text);

// Splits "NAME=VALUE" at its last '=' (a formula may hold '=' as a bond
// mark: CH2=CH2=28.05 is CH2=CH2 and 28.05).
void SplitAssignment(const std::string& text, std::string* name, double* value, const std::string& what);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_OPTIONS_H
