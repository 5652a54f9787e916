// evaluate.cpp -- evaluation of a prepared formula: every element symbol is
// looked up and multiplied by the coefficient of the text, its subscript,
// the '*' factors of the adduct parts that hold it and the subscripts of the
// brackets around it.
#include <cstring>

#include "formula/engine.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/decimal.h"
#include "refdata/tables.h"

namespace formix::formula {

double ReadFactor(const char* p) {
  return IsNumberStart(*p) ? ParseUnsignedDecimal(p) : 1.0;
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

// The '*' factors that apply at position p, nearest first: walking left,
// the first '*' at the symbol's own bracket level counts and shuts off the
// rest of that level; leaving an enclosing bracket opens the next level.
// The first byte of the text is never examined.
double ApplyStarFactors(const char* text, std::size_t p, double m) {
  int depth = 0;
  bool open = true;
  for (std::size_t r = p; r-- > 1;) {
    char c = text[r];
    if (IsOpening(c)) {
      if (depth > 0) {
        --depth;
      } else {
        open = true;
      }
    } else if (IsClosing(c)) {
      ++depth;
    } else if (c == '*' && depth == 0 && open) {
      m = ReadFactor(text + r + 1) * m;
      open = false;
    }
  }
  return m;
}

// The subscripts of the closing brackets that close a group enclosing
// position p, left to right, to the end of the text.
double ApplyBracketFactors(const char* text, std::size_t p, double m) {
  int depth = 0;
  for (std::size_t r = p; text[r] != '\0'; ++r) {
    char c = text[r];
    if (IsOpening(c)) {
      ++depth;
    } else if (IsClosing(c)) {
      if (depth > 0) {
        --depth;
      } else {
        m = ReadFactor(text + r + 1) * m;
      }
    }
  }
  return m;
}

}  // namespace

double EvaluateFormula(const char* text, const char* const* symbols, const double* masses,
                       int count, double* atoms, double* contributions) {
  double result = 0.0;
  for (int i = 0; i < count; ++i) {
    if (atoms != nullptr) atoms[i] = 0.0;
    if (contributions != nullptr) contributions[i] = 0.0;
  }
  const double coefficient = ReadFactor(text);
  std::size_t p = 0;
  for (;;) {
    while (text[p] != '\0' && !IsCapital(text[p])) ++p;
    if (text[p] == '\0') return result;
    std::size_t q = p + 1;
    while (IsSmall(text[q])) ++q;
    int index = refdata::FindSymbol(symbols, count, text + p, q - p);
    if (index < 0) ReportUnknownSymbol(text + p, q - p);
    double m = coefficient * ReadFactor(text + q);
    m = ApplyStarFactors(text, p, m);
    m = ApplyBracketFactors(text, p, m);
    if (index >= 0) {
      result = m * masses[index] + result;
      if (atoms != nullptr) atoms[index] = m + atoms[index];
      if (contributions != nullptr) contributions[index] = m * masses[index] + contributions[index];
    }
    ++p;
  }
}

}  // namespace formix::formula
