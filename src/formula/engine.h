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
inline bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsSmall(char c) { return c >= 'a' && c <= 'z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsNumberStart(char c) { return IsDigit(c) || c == '.'; }
inline bool IsOpening(char c) { return c == '(' || c == '[' || c == '{'; }
inline bool IsClosing(char c) { return c == ')' || c == ']' || c == '}'; }

// Cyrillic ES (0xF1, 0xD1) to Latin c and C, decimal comma to point.
void NormalizeText(char* text);
// Deletes every occurrence of `c`.
void RemoveChar(char* text, char c);
// Deletes each '-' or '=' that stands directly before a capital, a digit or
// '.', searching again from the start after every deletion.
void RemoveBondMarks(char* text);

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

// The number at `p` when a number starts there, otherwise 1.
double ReadFactor(const char* p);

// Copies `formula` (at most kMaxTextLength bytes) into `text` prepared for
// evaluation: normalised, without spaces and without bond marks.  The same
// text as NormalizeText, RemoveChar(' ') and RemoveBondMarks in turn, in
// one pass.
void PrepareText(const char* formula, char* text);

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

// The working text as the last call left it (tests and diagnostics).
const char* WorkingText();

}  // namespace formix::formula

#endif  // FORMIX32_FORMULA_ENGINE_H
