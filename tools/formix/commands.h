// commands.h -- what every command of the formix tool is given, and the
// commands themselves (one source file each).
#ifndef FORMIX_TOOL_COMMANDS_H
#define FORMIX_TOOL_COMMANDS_H

#include <limits>
#include <memory>
#include <string>

#include "formix.h"
#include "options.h"
#include "output.h"

namespace formix::tool {

using Reading = std::unique_ptr<formix_reading, decltype(&formix_reading_free)>;

// One run of the tool: its options, its context and whether any formula
// was flagged (a warning or an error).
class Session {
 public:
  Session(const Options& run_options, formix_context* run_context, DiagnosticStyle style)
      : options(run_options), context(run_context), style_(style) {}

  // Reads one formula and prints its diagnostics.
  Reading Read(const std::string& formula);

  // Whether a reading's number is to be shown: it has one, and in strict
  // mode no warning.
  bool Shows(const formix_reading* reading) const;

  const Options& options;
  formix_context* context;
  bool flagged = false;

 private:
  DiagnosticStyle style_;
};

// A command with no usable input stops with this (a formula that cannot
// be used where one is required).
struct CommandFailed {};

void CommandMass(Session& s);
void CommandComposition(Session& s);
void CommandReact(Session& s);
void CommandRatios(Session& s);
void CommandMs(Session& s);
void CommandPattern(Session& s);
void CommandFind(Session& s);

// What find searches with, from the options (a table's rows may override
// the ion, the tolerance and the peaks).
struct FindSettings {
  std::string adduct;
  int charge = 0;
  double ppm = std::numeric_limits<double>::quiet_NaN(), mda = std::numeric_limits<double>::quiet_NaN();
  double resolution = std::numeric_limits<double>::quiet_NaN();
  double intensity_error = std::numeric_limits<double>::quiet_NaN();
  double mass_error = std::numeric_limits<double>::quiet_NaN();
  std::size_t limit = 0;  // 0: the default
  int flags = 0;
  std::string elements, peaks, source;
};
FindSettings ReadFindSettings(const Options& o);
// The search of `mz` with the settings (NULL only when memory runs out).
formix_find* FindWith(const formix_context* context, const FindSettings& settings, double mz,
                      int extra_flags);
// find --table FILE: every row of a feature table searched (cmd_find_table.cpp).
void CommandFindTable(Session& s, FindSettings settings);
// A whole number from 1 to 1000000 (a limit, a candidate's number, a job count).
std::size_t Count(const std::string& text, const char* option);
void CommandSolution(Session& s);
void CommandDilute(Session& s);
void CommandSequence(Session& s);
void CommandElements(Session& s);
void CommandGroups(Session& s);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_COMMANDS_H
