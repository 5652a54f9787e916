// prepare.cpp -- preparation of the working text before evaluation.
//
// Three rules, applied in one pass over the formula (PrepareText):
//   the Cyrillic ES (0xF1, 0xD1) becomes the Latin c and C it looks like,
//     and a decimal comma becomes a point;
//   every space goes;
//   a '-' or '=' directly before a capital, a digit or '.' goes, as if the
//     search started again from the start after each deletion, so that a
//     whole run of marks before a capital goes.
// Once the spaces are gone, the marks of a run (with the spaces inside it)
// stand together, and the run goes exactly when the first byte after it,
// normalised, is a capital, a digit or '.'.
#include "formula/engine.h"

namespace formix::formula {
namespace {

using bytes::IsBondMark;

char Normalized(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u == 0xF1) return 'c';
  if (u == 0xD1) return 'C';
  return c == ',' ? '.' : c;
}

}  // namespace

template <class Observer>
void PrepareText(const char* formula, char* text, Observer& observer) {
  std::size_t out = 0;
  for (const char* in = formula;;) {
    const char c = *in;
    if (!kPreparationStops.stop[static_cast<unsigned char>(c)]) {
      observer.Kept(static_cast<std::size_t>(in - formula), out);
      text[out++] = c;
      ++in;
      continue;
    }
    if (c == '\0') break;
    if (c == ' ') {
      ++in;
    } else if (!IsBondMark(c)) {
      observer.Kept(static_cast<std::size_t>(in - formula), out);
      text[out++] = Normalized(c);
      ++in;
    } else {
      const char* run_end = in;
      while (*run_end == ' ' || IsBondMark(*run_end)) ++run_end;
      char next = Normalized(*run_end);
      if (!IsCapital(next) && !IsNumberStart(next)) {
        for (; in < run_end; ++in) {
          if (*in == ' ') continue;
          observer.Kept(static_cast<std::size_t>(in - formula), out);
          text[out++] = *in;
        }
      }
      in = run_end;
    }
  }
  text[out] = '\0';
}

template void PrepareText(const char*, char*, ModuleObserver&);
template void PrepareText(const char*, char*, TraceObserver&);
template void PrepareText(const char*, char*, QuietObserver&);

void PrepareText(const char* formula, char* text) {
  ModuleObserver observer;
  PrepareText(formula, text, observer);
}

}  // namespace formix::formula
