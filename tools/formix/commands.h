// commands.h -- what every command of the formix tool is given, and the
// commands themselves (one source file each).
#ifndef FORMIX_TOOL_COMMANDS_H
#define FORMIX_TOOL_COMMANDS_H

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
void CommandSolution(Session& s);
void CommandDilute(Session& s);
void CommandSequence(Session& s);
void CommandElements(Session& s);
void CommandGroups(Session& s);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_COMMANDS_H
