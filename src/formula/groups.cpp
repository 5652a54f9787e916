// groups.cpp -- expansion of group abbreviations in the working text.
#include <cstdint>
#include <cstring>

#include "formula/engine.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/tables.h"

namespace formix::formula {

const char* FindGroupName(const char* text, const char* name) {
  const char* start = text;
  for (;;) {
    const char* found = std::strstr(start, name);
    if (found == nullptr) return nullptr;
    if (!IsSmall(found[std::strlen(name)])) return found;
    start = found + 1;
    if (*start == '\0') return nullptr;
  }
}

void FormatTooComplex(const char* text, char* message) {
  // The format has a single "%s"; the text fills it whatever its length.
  static constexpr const char* kFormat = messages::kTooComplexFormat;
  static_assert(sizeof messages::kTooComplexFormat + kMaxTextLength <= kMessageSize);
  const char* hole = std::strstr(kFormat, "%s");
  std::size_t head = static_cast<std::size_t>(hole - kFormat);
  std::size_t length = strnlen(text, kMaxTextLength);
  std::memcpy(message, kFormat, head);
  std::memcpy(message + head, text, length);
  std::strcpy(message + head + length, hole + 2);
}

void ReportTooComplex(const char* text) {
  char message[kMessageSize];
  FormatTooComplex(text, message);
  platform::ShowError(message, messages::kAnalysisCaption);
}

template <class Observer>
int ExpandGroups(const refdata::Tables& t, char* text, Observer& observer) {
  // Only the groups whose first two bytes stand somewhere in the text are
  // searched, in table order; after a replacement the text is looked over
  // again for the groups still to come.
  std::size_t text_length = std::strlen(text);
  std::uint64_t candidates = refdata::GroupCandidates(t, text, text_length);
  int replacements = 0;
  while (candidates != 0) {
    const int bit = __builtin_ctzll(candidates);
    candidates &= candidates - 1;
    const char* name = t.group_names[bit + 1];
    const char* formula = t.group_formulas[bit + 1];
    const char* found = FindGroupName(text, name);
    if (found == nullptr) continue;
    ++replacements;
    std::size_t name_length = std::strlen(name);
    std::size_t formula_length = std::strlen(formula);
    std::size_t new_length = text_length - name_length + formula_length + 2;
    if (new_length >= kComplexityThreshold) observer.TooComplex(text);
    if (new_length > kMaxTextLength) return kExpansionOverflow;
    char* at = text + (found - text);
    char* tail = at + name_length;
    std::memmove(at + formula_length + 2, tail, std::strlen(tail) + 1);
    at[0] = '(';
    std::memcpy(at + 1, formula, formula_length);
    at[formula_length + 1] = ')';
    observer.Replaced(static_cast<std::size_t>(found - text), name_length, formula_length, text_length);
    text_length = new_length;
    const std::uint64_t later = bit == 63 ? 0 : ~std::uint64_t{0} << (bit + 1);
    candidates = refdata::GroupCandidates(t, text, text_length) & later;
  }
  return replacements;
}

template <class Observer>
bool ExpandAllGroups(const refdata::Tables& tables, char* text, Observer& observer) {
  for (int pass = 0;; ++pass) {
    int replaced = ExpandGroups(tables, text, observer);
    if (replaced == 0) return true;
    if (replaced == kExpansionOverflow) return false;
    if (pass == kMaxExpansionPasses) {
      observer.TooComplex(text);
      return false;
    }
  }
}

template int ExpandGroups(const refdata::Tables&, char*, ModuleObserver&);
template int ExpandGroups(const refdata::Tables&, char*, TraceObserver&);
template bool ExpandAllGroups(const refdata::Tables&, char*, ModuleObserver&);
template bool ExpandAllGroups(const refdata::Tables&, char*, TraceObserver&);

int ExpandGroups(char* text) {
  ModuleObserver observer;
  return ExpandGroups(refdata::Current(), text, observer);
}

}  // namespace formix::formula
