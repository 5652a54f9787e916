// output.h -- the one output layer of the formix tool: checked writes to
// standard output, aligned text tables, a streaming JSON writer, and the
// diagnostics on standard error.
#ifndef FORMIX_TOOL_OUTPUT_H
#define FORMIX_TOOL_OUTPUT_H

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "formix.h"

namespace formix::tool {

// A failed read or write: the tool stops with this message.
struct IoError {
  std::string message;
};

// Lines of a stream, read in blocks: each line without its '\n', of at
// most `limit` bytes (the rest of a longer line is read past, not held),
// in a buffer of the reader's own that stays valid until the next call
// and has room for a NUL after the line.  A failed read throws IoError.
class LineReader {
 public:
  LineReader(std::FILE* stream, std::size_t limit);
  bool Next(char** line, std::size_t* length);

 private:
  bool Fill();  // reads more after end_; false at the end of the stream
  std::FILE* stream_;
  std::size_t limit_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  std::string long_;  // the kept part of a line longer than the limit
};

// Writes to standard error, every control character escaped but line ends
// and tabs (a formula, a message, a data file's name may hold any byte).
void Tell(const std::string& text);

// Writes to standard output; a failed write throws IoError.
void Write(std::string_view text);
void Write(const char* text, std::size_t size);
// Flushes standard output; a failed write throws IoError.
void Flush();

// Left-aligned text columns separated by two spaces.
class Table {
 public:
  explicit Table(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
  // A row of cells, each shown with its control characters escaped (a
  // symbol or name from a data file may hold any byte).
  void Add(std::vector<std::string> row);
  void Print() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

// JSON written as it goes: memory stays flat whatever the input size.
// Commas between members and elements are the writer's business.
class Json {
 public:
  Json& Open(char bracket);  // '{' or '['
  // Opens the run's document: {"format":FORMIX_JSON_FORMAT,"command":...,
  // and with `context` (--verbose) the data files it used.
  Json& Document(const char* command, const formix_context* context);
  Json& Close();
  Json& Key(const char* name);  // one of the tool's own names
  // A value the library wrote (an object or array, escaped), as it is.
  Json& Raw(std::string_view json);
  Json& Raw(const char* json);
  // The members of an object the library wrote, into the open object.
  Json& Members(const char* object);
  void End() { Write("\n"); }

 private:
  void Separate();
  std::vector<char> open_;        // closing brackets of the open containers
  std::vector<bool> has_member_;  // whether each open container has one
  bool after_key_ = false;
};

// A part of the context's JSON (formix_context_json).
std::string ContextJson(const formix_context* context, int part);

// How diagnostics are shown.
struct DiagnosticStyle {
  bool russian = false;  // the library's own texts where it spoke
  bool caret = false;    // a line with the formula and a caret under the place
};

// Prints every diagnostic of a reading on standard error as
// "formix: FORMULA:COLUMN: severity: text".
void PrintDiagnostics(const std::string& formula, const formix_reading* reading,
                      const DiagnosticStyle& style);

const char* SeverityName(int severity);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_OUTPUT_H
