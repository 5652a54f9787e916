// groups.cpp -- expansion of group abbreviations in the working text.
#include <cstdint>
#include <cstring>

#include "formula/engine.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/tables.h"

namespace formix::formula {

namespace {

// The first place in `text` where the `length` bytes of `name` stand not
// followed by a small letter, or NULL.  Each byte compared follows one
// that matched a byte of the name, so none lies past the terminator.
const char* FindName(const char* text, const char* name, std::size_t length) {
  for (const char* p = text; *p != '\0'; ++p) {
    std::size_t k = 0;
    while (k < length && p[k] == name[k]) ++k;
    if (k == length && !IsSmall(p[length])) return p;
  }
  return nullptr;
}

}  // namespace

const char* FindGroupName(const char* text, const char* name) {
  return FindName(text, name, std::strlen(name));
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

namespace {

// One expansion pass (see ExpandGroups).  `*length` is the text's length
// and `*present` the candidates of the whole text, both kept up to date.
template <class Observer>
int ExpandPass(const refdata::Tables& t, char* text, std::size_t* length, std::uint64_t* present,
               Observer& observer) {
  // Only the groups whose first two bytes stand somewhere in the text are
  // searched, in table order; after a replacement the text is looked over
  // again for the groups still to come.
  std::uint64_t candidates = *present;
  int replacements = 0;
  while (candidates != 0) {
    const int bit = __builtin_ctzll(candidates);
    candidates &= candidates - 1;
    const int g = bit + 1;
    const std::size_t name_length = t.group_name_lengths[g];
    const char* found = FindName(text, t.group_names[g], name_length);
    if (found == nullptr) continue;
    ++replacements;
    const std::size_t text_length = *length;
    const std::size_t formula_length = t.group_formula_lengths[g];
    const std::size_t new_length = text_length - name_length + formula_length + 2;
    if (new_length >= kComplexityThreshold) observer.TooComplex(text);
    if (new_length > kMaxTextLength) return kExpansionOverflow;
    char* at = text + (found - text);
    const std::size_t tail = text_length - static_cast<std::size_t>(found - text) - name_length;
    std::memmove(at + formula_length + 2, at + name_length, tail + 1);
    at[0] = '(';
    std::memcpy(at + 1, t.group_formulas[g], formula_length);
    at[formula_length + 1] = ')';
    observer.Replaced(static_cast<std::size_t>(found - text), name_length, formula_length, text_length);
    *length = new_length;
    *present = refdata::GroupCandidates(t, text, new_length);
    const std::uint64_t later = bit == 63 ? 0 : ~std::uint64_t{0} << (bit + 1);
    candidates = *present & later;
  }
  return replacements;
}

}  // namespace

template <class Observer>
int ExpandGroups(const refdata::Tables& t, char* text, Observer& observer) {
  std::size_t length = std::strlen(text);
  std::uint64_t present = refdata::GroupCandidates(t, text, length);
  return ExpandPass(t, text, &length, &present, observer);
}

// A pass that leaves no candidate in the text is the last to replace
// anything: the next would replace nothing, and is not run.
template <class Observer>
bool ExpandAllGroups(const refdata::Tables& tables, char* text, Observer& observer) {
  std::size_t length = std::strlen(text);
  std::uint64_t present = refdata::GroupCandidates(tables, text, length);
  for (int pass = 0; present != 0; ++pass) {
    int replaced = ExpandPass(tables, text, &length, &present, observer);
    if (replaced == 0) return true;
    if (replaced == kExpansionOverflow) return false;
    if (pass == kMaxExpansionPasses) {
      observer.TooComplex(text);
      return false;
    }
  }
  return true;
}

// The passes replace, group by group in table order, the first occurrence
// of each name not followed by a small letter, until a pass replaces
// nothing.  Where replacements cannot meet, that is every such occurrence
// at once.  They cannot meet when: the formula holds no byte preparation
// changes (so it is its own prepared text); every place where a name may
// start holds one occurrence of a one-pass group taken by the passes, or
// none taken and none that a later replacement could make taken (one not
// followed by a small letter, or a taken one, is followed by a byte that
// stays no small letter); no name may start inside a taken occurrence; no
// name holds a bracket, so none can match across the brackets of a
// replacement, and none may start inside a one-pass group's formula in
// brackets.  The text then grows with each replacement, and is reported
// nowhere when the whole expansion stays under the reporting length.
bool ExpandInOnePass(const refdata::Tables& t, const char* formula, char* text) {
  static_assert(kComplexityThreshold <= kMaxTextLength);
  if (!t.group_names_unbracketed) return false;
  // Ends of occurrences not taken because a small letter follows them: an
  // occurrence taken there would change that letter into a bracket.
  std::uint64_t untaken_ends[(kComplexityThreshold + refdata::kSymbolSize) / 64 + 1] = {};
  const auto untaken_end = [&untaken_ends](std::size_t at) {
    return (untaken_ends[at / 64] >> (at % 64)) & 1u;
  };
  std::size_t out = 0;
  std::size_t i = 0;
  for (;;) {
    // The bytes where no name may start are copied as they stand, the text
    // kept under the reporting length.
    const std::size_t limit = kComplexityThreshold - 1 - (out - i);
    std::uint64_t candidates = 0;
    for (; i < limit; ++i) {
      const unsigned char c = static_cast<unsigned char>(formula[i]);
      if (kPreparationStops.stop[c]) break;
      candidates = refdata::GroupCandidatesAt(t, c, static_cast<unsigned char>(formula[i + 1]));
      if (candidates != 0) break;
      text[out++] = static_cast<char>(c);
    }
    const char c = formula[i];
    if (c == '\0') break;
    if (candidates == 0) return false;  // a byte that preparation changes, or too long
    int taken = 0;
    while (candidates != 0) {
      const int g = __builtin_ctzll(candidates) + 1;
      candidates &= candidates - 1;
      const std::size_t n = t.group_name_lengths[g];
      // A mismatch stops the comparison at the formula's end at the latest.
      std::size_t k = 0;
      while (k < n && formula[i + k] == t.group_names[g][k]) ++k;
      if (k < n) continue;
      if (IsSmall(formula[i + n])) {
        untaken_ends[(i + n) / 64] |= std::uint64_t{1} << ((i + n) % 64);
      } else if (taken != 0) {
        return false;  // which is taken depends on the order of the passes
      } else {
        taken = g;
      }
    }
    if (taken == 0) {
      if (out + 1 >= kComplexityThreshold) return false;
      text[out++] = c;
      ++i;
      continue;
    }
    const std::size_t n = t.group_name_lengths[taken];
    const std::size_t length = t.group_formula_lengths[taken];
    if (!t.group_one_pass[taken] || untaken_end(i) || out + length + 2 >= kComplexityThreshold) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if (refdata::GroupCandidatesAt(t, static_cast<unsigned char>(formula[i + k]),
                                     static_cast<unsigned char>(formula[i + k + 1])) != 0) {
        return false;
      }
    }
    text[out] = '(';
    // All of the formula's slot, a fixed size: what lies past the formula
    // is written over or left past the end.
    static_assert(kComplexityThreshold + refdata::kGroupFormulaSize <= kWorkingTextSize);
    std::memcpy(text + out + 1, t.group_formulas[taken], refdata::kGroupFormulaSize);
    text[out + length + 1] = ')';
    out += length + 2;
    i += n;
  }
  text[out] = '\0';
  return true;
}

template int ExpandGroups(const refdata::Tables&, char*, ModuleObserver&);
template int ExpandGroups(const refdata::Tables&, char*, TraceObserver&);
template bool ExpandAllGroups(const refdata::Tables&, char*, ModuleObserver&);
template bool ExpandAllGroups(const refdata::Tables&, char*, TraceObserver&);
template bool ExpandAllGroups(const refdata::Tables&, char*, QuietObserver&);

int ExpandGroups(char* text) {
  ModuleObserver observer;
  return ExpandGroups(refdata::Current(), text, observer);
}

}  // namespace formix::formula
