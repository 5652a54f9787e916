// engine.h -- the formula engine's stages: preparation of the working text,
// group expansion and evaluation.
#ifndef FORMIX32_FORMULA_ENGINE_H
#define FORMIX32_FORMULA_ENGINE_H

#include <cstddef>
#include <cstdint>

#include "refdata/bytes.h"
#include "refdata/decimal.h"
#include "refdata/tables.h"

namespace formix::formula {

constexpr std::size_t kWorkingTextSize = FORMIX_MAX_FORMULA + 1;  // 219 bytes + terminator
constexpr std::size_t kMaxTextLength = kWorkingTextSize - 1;
// An expansion that makes the text this long or longer is reported.
constexpr std::size_t kComplexityThreshold = FORMIX_COMPLEXITY;
// Passes that still replace something after this many: the groups expand
// without end at a fixed length, and the formula is given up.
constexpr int kMaxExpansionPasses = 1000;

// Formula character classes (refdata/bytes.h).  Bytes 0x80..0xFF belong
// to none.
using bytes::IsCapital;
using bytes::IsChangedByPreparation;
using bytes::IsClosing;
using bytes::IsDigit;
using bytes::IsOpening;
using bytes::IsSmall;
constexpr bool IsNumberStart(char c) { return IsDigit(c) || c == '.'; }

// What a byte means to the evaluator, from one table look-up.  kPrepared:
// a byte preparation changes, which means nothing to the evaluator once
// the text is prepared.
enum class Role : unsigned char { kNone, kCapital, kOpening, kClosing, kStar, kPrepared };

struct RoleTable {
  Role roles[256];
  constexpr RoleTable() : roles() {
    for (int i = 0; i < 256; ++i) {
      char c = static_cast<char>(i);
      roles[i] = IsCapital(c)                ? Role::kCapital
                 : IsOpening(c)              ? Role::kOpening
                 : IsClosing(c)              ? Role::kClosing
                 : c == '*'                  ? Role::kStar
                 : IsChangedByPreparation(c) ? Role::kPrepared
                                             : Role::kNone;
    }
  }
};
inline constexpr RoleTable kRoles;

inline Role RoleOf(char c) { return kRoles.roles[static_cast<unsigned char>(c)]; }

// The end of a text and the bytes preparation changes: where preparation
// looks closer, and where a copy that needs no preparation stops.
struct PreparationStopTable {
  bool stop[256];
  constexpr PreparationStopTable() : stop() {
    for (int i = 0; i < 256; ++i) stop[i] = i == 0 || IsChangedByPreparation(static_cast<char>(i));
  }
};
inline constexpr PreparationStopTable kPreparationStops;

// The first occurrence of `name` in `text` not followed by a small letter,
// or NULL.
const char* FindGroupName(const char* text, const char* name);

// Result of ExpandGroups when a replacement would not fit the working text.
constexpr int kExpansionOverflow = -1;

// The number at `p` when a number starts there (a digit or '.'), otherwise
// 1.  `*end` is set past the digits and points that start at `p`, which
// hold no structure and which the evaluator need not look at again.
// Inline: the evaluator reads one after every symbol.  Whole numbers of up
// to 15 digits not followed by a point or an exponent are exact in a double
// and read here, the commonest (none, one digit) first; the rest by the
// library's decimal conversion.
double ReadDecimalFactor(const char* p, const char** end);
inline double ReadFactor(const char* p, const char** end) {
  unsigned digit = static_cast<unsigned char>(p[0]) - unsigned{'0'};
  if (digit > 9) {
    if (p[0] == '.') return ReadDecimalFactor(p, end);
    *end = p;
    return 1.0;
  }
  std::int64_t value = digit;
  const char* q = p + 1;
  while ((digit = static_cast<unsigned char>(*q) - unsigned{'0'}) <= 9) {
    if (q - p == 15) return ReadDecimalFactor(p, end);
    value = value * 10 + digit;
    ++q;
  }
  if (*q == '.' || *q == 'e' || *q == 'E') return ReadDecimalFactor(p, end);
  *end = q;
  return static_cast<double>(value);
}
inline double ReadFactor(const char* p) {
  const char* end;
  return ReadFactor(p, &end);
}

// The number that starts at `p` (a digit or '.').
inline double ReadNumber(const char* p) { return ReadFactor(p); }

// The texts of the library's two formula messages, Windows-1251, into
// `message` (at least kMessageSize bytes).
constexpr std::size_t kMessageSize = 1024;
void FormatTooComplex(const char* text, char* message);
void FormatUnknownSymbol(const char* symbol, std::size_t length, char* message);

// Shows the too-complex message with `text` in it.
void ReportTooComplex(const char* text);

// How the stages report what they meet.  The module's calculations report
// through the notifier and trace nothing (the empty functions cost
// nothing); the toolkit's reading layer follows every byte with an
// observer of its own that has the same members:
//   Kept(in, out): preparation copied formula byte `in` to text byte `out`;
//   Replaced(at, name_length, formula_length, text_length): expansion
//     replaced the group name at `at` of a text of `text_length` bytes by
//     "(" formula ")";
//   Symbol(text, p, q, index): the evaluator read the symbol text[p..q) as
//     element `index` (-1: not in the table);
//   Number(text, p): the evaluator read the number that starts at text[p];
//   Structure(p): the evaluator read the bracket or '*' at text[p];
//   TooComplex(text): the text outgrew the working text or would not end.
struct ModuleObserver {
  void Kept(std::size_t, std::size_t) {}
  void Replaced(std::size_t, std::size_t, std::size_t, std::size_t) {}
  void Symbol(const char* text, std::size_t p, std::size_t q, int index) const;
  void Number(const char*, std::size_t) {}
  void Structure(std::size_t) {}
  void TooComplex(const char* text) const { ReportTooComplex(text); }
};

// An observer that reports nothing and notes whether the text grew too
// complex: for a reader that takes only formulas with nothing to report.
struct QuietObserver {
  bool too_complex = false;
  void Kept(std::size_t, std::size_t) {}
  void Replaced(std::size_t, std::size_t, std::size_t, std::size_t) {}
  void Symbol(const char*, std::size_t, std::size_t, int) {}
  void Number(const char*, std::size_t) {}
  void Structure(std::size_t) {}
  void TooComplex(const char*) { too_complex = true; }
};

// An observer that records what the stages did, for a reader that must say
// where each byte of the evaluated text came from and what became of it.
// Offsets are those of the formula given to PrepareText.
struct TraceObserver {
  // Formula bytes [origin_begin[i], origin_end[i]) became text byte i: one
  // byte for a byte kept by preparation, the whole group name for the
  // bytes of its expansion.
  std::size_t origin_begin[kWorkingTextSize];
  std::size_t origin_end[kWorkingTextSize];
  bool read[kWorkingTextSize];  // text byte i was read by the evaluator
  struct SymbolRead {
    std::size_t p, q;  // in the evaluated text
    int index;
  };
  SymbolRead symbols[kWorkingTextSize];
  std::size_t symbol_count = 0;
  std::size_t numbers[kWorkingTextSize];  // starts of the numbers read
  std::size_t number_count = 0;
  int replacements = 0;
  bool too_complex = false;
  char too_complex_text[kWorkingTextSize] = {};

  void Kept(std::size_t in, std::size_t out) {
    origin_begin[out] = in;
    origin_end[out] = in + 1;
  }
  void Replaced(std::size_t at, std::size_t name_length, std::size_t formula_length, std::size_t text_length);
  void Symbol(const char* text, std::size_t p, std::size_t q, int index);
  void Number(const char* text, std::size_t p);
  void Structure(std::size_t p) { read[p] = true; }
  void TooComplex(const char* text);
  // Before evaluation: nothing read yet.
  void StartEvaluation();
};

// Copies `formula` (at most kMaxTextLength bytes) into `text` prepared for
// evaluation: Cyrillic ES as Latin C, decimal commas as points, without
// spaces and without bond marks.
template <class Observer>
void PrepareText(const char* formula, char* text, Observer& observer);

// One expansion pass over `text` (kWorkingTextSize bytes of room): each
// group of the table, in table order, replaces its first acceptable
// occurrence by "(" formula ")".  Returns the number of replacements, or
// kExpansionOverflow (the text then holds the replacements made so far).
template <class Observer>
int ExpandGroups(const refdata::Tables& tables, char* text, Observer& observer);

// Runs expansion passes until one replaces nothing.  Returns false when the
// expansion outgrew the working text or would not end.
template <class Observer>
bool ExpandAllGroups(const refdata::Tables& tables, char* text, Observer& observer);

// Molar mass of the prepared `text` over the element table of `tables`.
// `atoms` and `contributions` may be NULL; entries 0..count-1 of each
// (count: the element count) are cleared and then summed per element
// index.
template <class Observer>
double EvaluateFormula(const refdata::Tables& tables, const char* text, double* atoms, double* contributions,
                       Observer& observer);

// The text that preparation and expansion make of a caller's `formula` (of
// any length), into `text` (kWorkingTextSize bytes), built in one pass
// when that is sure to be the same text and the stages would report
// nothing.  Returns false otherwise, `text` then holding anything.
bool ExpandInOnePass(const refdata::Tables& tables, const char* formula, char* text);

// The molar mass of the prepared and expanded `text`, as EvaluateFormula
// gives it, when that needs no report: every symbol in the table, every
// closing bracket closing a group.  Returns false, having reported nothing,
// otherwise.
bool EvaluatePrepared(const refdata::Tables& tables, const char* text, double* molar_mass);

// The molar mass of a caller's `formula` (of any length) evaluated as it
// stands, when that is what preparation, expansion and
// evaluation would give, with nothing to report: no byte that preparation
// changes, no place where a group name may start, no unknown symbol, not
// longer than the working text.  Returns false, having written nothing,
// otherwise.
bool EvaluateAsItStands(const refdata::Tables& tables, const char* formula, double* atoms,
                        double* contributions, double* molar_mass);

// The stages over the module's current tables, reporting through the
// notifier (single-threaded tests).
void PrepareText(const char* formula, char* text);
int ExpandGroups(char* text);
double EvaluateFormula(const char* text, double* atoms, double* contributions);

// The whole pipeline: copy, normalise, load the tables on first use, remove
// spaces and bond marks, expand groups, evaluate.  Arguments as for the
// exported MolecularMass.  The first form runs on the tables `pin` holds
// (pinning the current ones, loaded first if need be, when it holds none),
// so that a call made of several evaluations runs on one table state; the
// second pins the tables for this evaluation alone.
double MolecularMass(refdata::PinnedTables& pin, const char* formula, double* contributions, double* atoms,
                     int* count, char** symbols);
double MolecularMass(const char* formula, double* contributions, double* atoms, int* count, char** symbols);
// The molar mass alone: the pipeline made for no per-element results (in
// the pipeline's own file, where the absent arrays are known).
double MolarMass(const char* formula);

}  // namespace formix::formula

#endif  // FORMIX32_FORMULA_ENGINE_H
