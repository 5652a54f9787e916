// engine.h -- the formula engine's stages: preparation of the working text,
// group expansion and evaluation.
#ifndef FORMIX32_FORMULA_ENGINE_H
#define FORMIX32_FORMULA_ENGINE_H

#include <cstddef>

namespace formix::formula {

constexpr std::size_t kWorkingTextSize = 220;  // 219 bytes + terminator
constexpr std::size_t kMaxTextLength = kWorkingTextSize - 1;
// An expansion that makes the text this long or longer is reported.
constexpr std::size_t kComplexityThreshold = 200;
// Passes that still replace something after this many: the groups expand
// without end at a fixed length, and the formula is given up.
constexpr int kMaxExpansionPasses = 1000;

// Formula character classes.  Bytes 0x80..0xFF belong to none.
constexpr bool IsCapital(char c) { return static_cast<unsigned char>(c - 'A') < 26; }
constexpr bool IsSmall(char c) { return static_cast<unsigned char>(c - 'a') < 26; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsNumberStart(char c) { return IsDigit(c) || c == '.'; }
constexpr bool IsOpening(char c) { return c == '(' || c == '[' || c == '{'; }
constexpr bool IsClosing(char c) { return c == ')' || c == ']' || c == '}'; }

// What a byte means to the evaluator, from one table look-up.
enum class Role : unsigned char { kNone, kCapital, kOpening, kClosing, kStar };

struct RoleTable {
  Role roles[256];
  constexpr RoleTable() : roles() {
    for (int i = 0; i < 256; ++i) {
      char c = static_cast<char>(i);
      roles[i] = IsCapital(c)   ? Role::kCapital
                 : IsOpening(c) ? Role::kOpening
                 : IsClosing(c) ? Role::kClosing
                 : c == '*'     ? Role::kStar
                                : Role::kNone;
    }
  }
};
inline constexpr RoleTable kRoles;

inline Role RoleOf(char c) { return kRoles.roles[static_cast<unsigned char>(c)]; }

// The first occurrence of `name` in `text` not followed by a small letter,
// or NULL.
const char* FindGroupName(const char* text, const char* name);

// Result of ExpandGroups when a replacement would not fit the working text.
constexpr int kExpansionOverflow = -1;

// One expansion pass over `text` (kWorkingTextSize bytes of room): each
// group of the table, in table order, replaces its first acceptable
// occurrence by "(" formula ")".  Returns the number of replacements, or
// kExpansionOverflow (the text then holds the replacements made so far).
int ExpandGroups(char* text);

// Shows the too-complex message with `text` in it.
void ReportTooComplex(const char* text);

// The number that starts at `p` (a digit or '.').
double ReadNumber(const char* p);

// The number at `p` when a number starts there, otherwise 1.
inline double ReadFactor(const char* p) { return IsNumberStart(*p) ? ReadNumber(p) : 1.0; }

// Copies `formula` (at most kMaxTextLength bytes) into `text` prepared for
// evaluation: Cyrillic ES as Latin C, decimal commas as points, without
// spaces and without bond marks.  Returns false when no group name can
// occur in the result, so that no expansion pass would replace anything.
bool PrepareText(const char* formula, char* text);

// Molar mass of the prepared `text` over the loaded element table.  `atoms`
// and `contributions` may be NULL; entries 0..count-1 of each (count: the
// element count) are cleared and then summed per element index.  Unknown
// symbols are reported.
double EvaluateFormula(const char* text, double* atoms, double* contributions);

// The whole pipeline: copy, normalise, load the tables on first use, remove
// spaces and bond marks, expand groups, evaluate.  Arguments as for the
// exported MolecularMass.
double MolecularMass(const char* formula, double* contributions, double* atoms, int* count,
                     char** symbols);

}  // namespace formix::formula

#endif  // FORMIX32_FORMULA_ENGINE_H
