// trace.cpp -- the observer that records what the engine's stages did with
// each byte, for the toolkit's reading layer.
#include <cstring>

#include "formula/engine.h"
#include "refdata/decimal.h"

namespace formix::formula {

void TraceObserver::Replaced(std::size_t at, std::size_t name_length, std::size_t formula_length,
                             std::size_t text_length) {
  ++replacements;
  const std::size_t begin = origin_begin[at];
  const std::size_t end = origin_end[at + name_length - 1];
  const std::size_t added = formula_length + 2;
  const std::size_t tail = at + name_length;
  const std::size_t tail_length = text_length - tail;  // the new text fits: checked before
  std::memmove(origin_begin + at + added, origin_begin + tail, sizeof(std::size_t) * tail_length);
  std::memmove(origin_end + at + added, origin_end + tail, sizeof(std::size_t) * tail_length);
  for (std::size_t i = at; i < at + added; ++i) {
    origin_begin[i] = begin;
    origin_end[i] = end;
  }
}

void TraceObserver::StartEvaluation() {
  std::memset(read, 0, sizeof read);
  symbol_count = 0;
  number_count = 0;
}

void TraceObserver::Symbol(const char*, std::size_t p, std::size_t q, int index) {
  symbols[symbol_count++] = {p, q, index};
  for (std::size_t i = p; i < q; ++i) read[i] = true;
}

void TraceObserver::Number(const char* text, std::size_t p) {
  numbers[number_count++] = p;
  const char* end = UnsignedDecimalEnd(text + p);
  for (std::size_t i = p; i < static_cast<std::size_t>(end - text); ++i) read[i] = true;
}

void TraceObserver::TooComplex(const char* text) {
  too_complex = true;
  std::size_t length = strnlen(text, kMaxTextLength);
  std::memcpy(too_complex_text, text, length);
  too_complex_text[length] = '\0';
}

}  // namespace formix::formula
