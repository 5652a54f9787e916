// plain.cpp -- the shortcut for plain formulas: the molar mass of a text
// the reader would take as it stands and say nothing about, without the
// trace and the reports.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formix_limits.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/reading/hill.h"
#include "toolkit/reading/reader.h"

namespace formix::toolkit {
namespace reader {
namespace {

// Whether the reader takes the `length` bytes at `text` as they stand with
// nothing to say (see ReadPlain), group names aside.  A symbol that is
// also an abbreviation (Ac, Bu) the reader reports only where it reads the
// symbol, not inside a group name (OAc): with `abbreviation`, such a
// symbol is noted there and the text is still plain; without, it is not.
bool IsPlain(const Context& context, const char* text, std::size_t length, bool* abbreviation = nullptr) {
  using formula::IsCapital;
  using formula::IsClosing;
  using formula::IsDigit;
  using formula::IsOpening;
  using formula::IsSmall;
  if (length == 0 || length > formula::kMaxTextLength) return false;
  enum class Last { kStart, kSymbol, kNumber, kOpening, kClosing, kStar, kStarNumber };
  Last last = Last::kStart;
  char open[formula::kWorkingTextSize];
  std::size_t depth = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (IsCapital(c)) {  // most bytes start a symbol
      // Most symbols: one look at the byte after the capital.
      const unsigned char next = i + 1 < length ? static_cast<unsigned char>(text[i + 1]) : 0;
      if (context.plain_symbol_starts[c - 'A'][next]) {
        if (!IsSmall(static_cast<char>(next))) {
          last = Last::kSymbol;
          continue;
        }
        if (!(i + 2 < length && IsSmall(text[i + 2]))) {
          last = Last::kSymbol;
          ++i;
          continue;
        }
      }
      std::size_t j = i + 1;
      while (j < length && IsSmall(text[j])) ++j;
      if (j - i == 1 && (c == 'D' || c == 'T')) return false;  // isotope labels
      // CCO, NCCN: two carbons with no count side by side (SMILES).
      if (j - i == 1 && c == 'C' && j < length && text[j] == 'C' && !(j + 1 < length && IsSmall(text[j + 1])))
        return false;
      if (context.IsAbbreviation(text + i, j - i)) {
        if (abbreviation == nullptr) return false;
        *abbreviation = true;
      }
      // NBS, KCp*, TBSCl: an acronym starting at a capital.
      if (j < length &&
          context.acronym_first[static_cast<unsigned char>(c)]
                               [static_cast<unsigned char>(text[i + 1]) & 0x7F] != 0 &&
          context.AcronymAt(text + i, length - i) != nullptr) {
        return false;
      }
      last = Last::kSymbol;
      i = j - 1;
      continue;
    }
    // What may follow the start, an opening bracket or a part's '*' [and
    // its number]: a symbol or an opening bracket (a number for a '*').
    const bool leading = last == Last::kStart || last == Last::kOpening || last == Last::kStarNumber ||
                         (last == Last::kStar && !IsDigit(c));
    if (leading && !IsOpening(c)) {
      return false;
    } else if (IsDigit(c)) {
      if (c == '0' || (last != Last::kSymbol && last != Last::kClosing && last != Last::kStar)) return false;
      while (i + 1 < length && IsDigit(text[i + 1])) ++i;
      last = last == Last::kStar ? Last::kStarNumber : Last::kNumber;
    } else if (IsOpening(c)) {
      // (II), (IV): an oxidation state, which the reader reports.
      std::size_t k = i + 1;
      while (k < length && (text[k] == 'I' || text[k] == 'V' || text[k] == 'X')) ++k;
      if (k > i + 1 && k < length && IsClosing(text[k])) return false;
      open[depth++] = c;
      last = Last::kOpening;
    } else if (IsClosing(c)) {
      if (depth == 0) return false;
      const char o = open[--depth];
      if ((o == '(') != (c == ')') || (o == '[') != (c == ']')) return false;
      last = Last::kClosing;
    } else if (c == '*') {
      if (depth != 0) return false;
      last = Last::kStar;
    } else {
      return false;
    }
  }
  return depth == 0 && last != Last::kStar && last != Last::kStarNumber && last != Last::kOpening;
}

}  // namespace

// ReadPlain with the engine's per-element results (`atoms` and
// `contributions` may be NULL).
bool EvaluatePlain(const Context& context, const char* text, std::size_t length, double* atoms,
                   double* contributions, double* molar_mass) {
  bool abbreviation = false;
  if (!context.problems.empty() || !IsPlain(context, text, length, &abbreviation)) return false;
  char work[formula::kWorkingTextSize];
  std::memcpy(work, text, length);
  work[length] = '\0';
  // As it stands the engine reads every symbol of the text (no group name).
  if (formula::EvaluateAsItStands(context.tables, work, atoms, contributions, molar_mass))
    return !abbreviation;
  // Group names: expanded as the reader expands them, and the result must
  // be plain in its turn (a group's formula may hold anything).  A capital
  // and small letters that are neither a symbol nor a group name (Bpy: B
  // and the group py) the reader reports.
  bool small_group = false;
  for (std::size_t i = 0; i + 1 < length && !small_group; ++i) {
    small_group = context.small_group_starts[static_cast<unsigned char>(text[i]) & 0x7F]
                                            [static_cast<unsigned char>(text[i + 1]) & 0x7F];
  }
  for (std::size_t i = 0; small_group && i < length; ++i) {
    if (!formula::IsCapital(text[i])) continue;
    std::size_t j = i + 1;
    while (j < length && formula::IsSmall(text[j])) ++j;
    if (j - i > 1 && !context.IsSymbolOrGroup(text + i, j - i)) return false;
    i = j - 1;
  }
  char expanded[formula::kWorkingTextSize];
  const char* evaluated = expanded;
  if (!formula::ExpandInOnePass(context.tables, work, expanded)) {
    formula::QuietObserver quiet;
    if (!formula::ExpandAllGroups(context.tables, work, quiet) || quiet.too_complex) return false;
    evaluated = work;
  }
  return IsPlain(context, evaluated, std::strlen(evaluated)) &&
         formula::EvaluateAsItStands(context.tables, evaluated, atoms, contributions, molar_mass);
}

}  // namespace reader

bool ReadPlainFormula(const Context& context, const char* text, std::size_t length, PlainFormula* plain) {
  double atoms[refdata::kMaxElements];
  if (!reader::EvaluatePlain(context, text, length, atoms, nullptr, &plain->molar_mass)) return false;
  // The elements present: most of the table is absent, so eight slots at
  // a time (a count is never -0: the bits of absent slots are all zero).
  int slots[refdata::kMaxElements];
  std::size_t n = 0;
  const int count = context.tables.element_count;
  for (int i = 0; i < count; ++i) {
    if (i % 8 == 0 && i + 8 <= count) {
      std::uint64_t any = 0;
      for (int k = 0; k < 8; ++k) {
        std::uint64_t bits;
        std::memcpy(&bits, &atoms[i + k], sizeof bits);
        any |= bits;
      }
      if (any == 0) {
        i += 7;
        continue;
      }
    }
    if (atoms[i] == 0.0) continue;
    // Whole counts below 1e15 only (else the reading decides).
    if (atoms[i] != std::floor(atoms[i]) || !(atoms[i] > 0 && atoms[i] < 1e15)) return false;
    slots[n++] = i;
  }
  std::size_t order[refdata::kMaxElements];
  if (!HillOrderOfSlots(context, slots, n, order)) return false;  // a symbol twice: merged by the reading
  plain->elements = n;
  for (std::size_t k = 0; k < n; ++k) {
    plain->slot[k] = slots[order[k]];
    plain->count[k] = static_cast<long long>(atoms[slots[order[k]]]);
  }
  return true;
}

bool ReadPlain(const Context& context, const char* text, std::size_t length, double* molar_mass) {
  return reader::EvaluatePlain(context, text, length, nullptr, nullptr, molar_mass);
}

}  // namespace formix::toolkit
