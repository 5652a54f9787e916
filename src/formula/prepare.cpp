// prepare.cpp -- preparation of the working text before evaluation.
#include <cstring>

#include "formula/engine.h"

namespace formix::formula {

void NormalizeText(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0xF1) {
      *p = 'c';
    } else if (c == 0xD1) {
      *p = 'C';
    } else if (c == ',') {
      *p = '.';
    }
  }
}

void RemoveChar(char* text, char c) {
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    if (*in != c) *out++ = *in;
  }
  *out = '\0';
}

namespace {

bool IsBondMark(char c) { return c == '-' || c == '='; }

}  // namespace

// Deleting the first deletable mark and searching again from the start
// comes to this: a mark is deleted when the first byte after the run of
// marks it belongs to is a capital, a digit or '.'; then the whole run goes.
// A single left-to-right pass gives the same text.
void RemoveBondMarks(char* text) {
  char* out = text;
  const char* in = text;
  while (*in != '\0') {
    if (!IsBondMark(*in)) {
      *out++ = *in++;
      continue;
    }
    const char* run_end = in;
    while (IsBondMark(*run_end)) ++run_end;
    char next = *run_end;
    bool deleted = IsCapital(next) || IsNumberStart(next);
    if (!deleted) {
      while (in < run_end) *out++ = *in++;
    }
    in = run_end;
  }
  *out = '\0';
}

namespace {

char Normalized(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u == 0xF1) return 'c';
  if (u == 0xD1) return 'C';
  return c == ',' ? '.' : c;
}

}  // namespace

// Spaces are dropped as they come.  Once spaces are gone, the marks of a
// run (with the spaces inside it) stand together, and the run goes when the
// first byte after it, normalised, is a capital, a digit or '.'.
void PrepareText(const char* formula, char* text) {
  std::size_t out = 0;
  for (const char* in = formula; *in != '\0';) {
    char c = Normalized(*in);
    if (c == ' ') {
      ++in;
      continue;
    }
    if (!IsBondMark(c)) {
      text[out++] = c;
      ++in;
      continue;
    }
    const char* run_end = in;
    while (*run_end == ' ' || IsBondMark(*run_end)) ++run_end;
    char next = Normalized(*run_end);
    if (!IsCapital(next) && !IsNumberStart(next)) {
      for (; in < run_end; ++in) {
        if (*in != ' ') text[out++] = *in;
      }
    }
    in = run_end;
  }
  text[out] = '\0';
}

}  // namespace formix::formula
