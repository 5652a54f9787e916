// evaluate.cpp -- evaluation of a prepared formula: every element symbol is
// looked up and multiplied by the coefficient of the text, its subscript,
// the '*' factors of the adduct parts that hold it and the subscripts of the
// brackets around it.
//
// The rules, as they read for one symbol at position p:
//   m = coefficient x subscript;
//   walking left from p - 1 down to position 1 (position 0 is never looked
//   at), a closing bracket enters a group and an opening bracket leaves one;
//   the first '*' met at the symbol's own level multiplies m by the number
//   after it and shuts off the rest of that level; leaving the enclosing
//   group opens the next level out, where the same holds;
//   then walking right from p to the end, every closing bracket that closes
//   a group enclosing p multiplies m by the number after it.
// Rather than walking both ways for every symbol, two passes over the text
// find the same factors for all symbols at once; each symbol then
// multiplies them in the same order, so that every product is the same.
#include <cstdint>
#include <cstring>

#include "formula/engine.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/decimal.h"
#include "refdata/tables.h"

namespace formix::formula {

double ReadFactor(const char* p) {
  if (!IsNumberStart(*p)) return 1.0;
  // Whole numbers of up to 15 digits are exact in a double: no conversion
  // routine needed.
  std::uint64_t value = 0;
  int digits = 0;
  while (IsDigit(p[digits]) && digits < 16) value = value * 10 + static_cast<unsigned>(p[digits++] - '0');
  char next = p[digits];
  if (digits > 0 && digits < 16 && next != '.' && next != 'e' && next != 'E') {
    return static_cast<double>(value);
  }
  return ParseUnsignedDecimal(p);
}

namespace {

void ReportUnknownSymbol(const char* symbol, std::size_t length) {
  char message[kWorkingTextSize + sizeof messages::kUnknownElementSuffix];
  if (length > kMaxTextLength) length = kMaxTextLength;
  std::memcpy(message, symbol, length);
  std::memcpy(message + length, messages::kUnknownElementSuffix,
              sizeof messages::kUnknownElementSuffix);
  platform::Beep();
  platform::Beep();
  platform::ShowError(message, messages::kInputCaption);
}

// A list of factors, linked from the first to apply to the last; lists
// share their tails.  -1 ends a list.
struct FactorNode {
  double factor;
  int next;
};

}  // namespace

double EvaluateFormula(const char* text, double* atoms, double* contributions) {
  const refdata::Tables& t = refdata::g_tables;
  const int count = t.element_count;
  for (int i = 0; i < count; ++i) {
    if (atoms != nullptr) atoms[i] = 0.0;
    if (contributions != nullptr) contributions[i] = 0.0;
  }
  const std::size_t length = std::strlen(text);
  if (length == 0) return 0.0;

  // Right to left: the closing brackets that the walk right from each
  // position would multiply by, nearest first.  A stack of the closing
  // brackets not yet matched; an opening bracket matches the nearest.
  FactorNode closings[kWorkingTextSize];
  int closings_at[kWorkingTextSize];  // for each capital, its list
  int used = 0;
  int top = -1;
  for (std::size_t r = length; r-- > 0;) {
    char c = text[r];
    if (IsClosing(c)) {
      closings[used] = {ReadFactor(text + r + 1), top};
      top = used++;
    } else if (IsOpening(c)) {
      if (top >= 0) top = closings[top].next;
    } else if (IsCapital(c)) {
      closings_at[r] = top;
    }
  }

  // Left to right: the '*' factors that the walk left from each position
  // would multiply by, innermost level first.  `stars` is that list at the
  // current position; each open group remembers the list of the levels
  // outside it.  A closing bracket with no group to close hides everything
  // before it from the walk.
  FactorNode star_nodes[kWorkingTextSize];
  int outer[kWorkingTextSize];  // per open group: the list outside it
  int depth = 0;
  int stars = -1;
  int star_count = 0;
  const double coefficient = ReadFactor(text);
  double result = 0.0;
  for (std::size_t p = 0; p < length;) {
    char c = text[p];
    if (!IsCapital(c)) {
      if (p > 0) {  // the first byte of the text is never looked at
        if (IsOpening(c)) {
          outer[depth++] = stars;
        } else if (IsClosing(c)) {
          stars = depth > 0 ? outer[--depth] : -1;
        } else if (c == '*') {
          star_nodes[star_count] = {ReadFactor(text + p + 1), depth > 0 ? outer[depth - 1] : -1};
          stars = star_count++;
        }
      }
      ++p;
      continue;
    }
    std::size_t q = p + 1;
    while (IsSmall(text[q])) ++q;
    int index = refdata::LookupElement(text + p, q - p);
    if (index < 0) ReportUnknownSymbol(text + p, q - p);
    double m = coefficient * ReadFactor(text + q);
    for (int k = stars; k >= 0; k = star_nodes[k].next) m = star_nodes[k].factor * m;
    for (int k = closings_at[p]; k >= 0; k = closings[k].next) m = closings[k].factor * m;
    if (index >= 0) {
      const double mass = t.masses[index];
      result = m * mass + result;
      if (atoms != nullptr) atoms[index] = m + atoms[index];
      if (contributions != nullptr) contributions[index] = m * mass + contributions[index];
    }
    p = q;  // the small letters of the symbol hold no structure
  }
  return result;
}

}  // namespace formix::formula
