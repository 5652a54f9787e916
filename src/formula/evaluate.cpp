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
// Rather than walking both ways for every symbol, one pass over the text
// finds the same factors for all symbols at once, and each symbol
// multiplies them in the same order, so that every product is the same.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "formula/engine.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/decimal.h"
#include "refdata/tables.h"

namespace formix::formula {

double ReadDecimalFactor(const char* p, const char** end) {
  const char* q = p;
  while (IsNumberStart(*q)) ++q;
  *end = q;
  return ParseUnsignedDecimal(p);
}

void FormatUnknownSymbol(const char* symbol, std::size_t length, char* message) {
  static_assert(kWorkingTextSize + sizeof messages::kUnknownElementSuffix <= kMessageSize);
  if (length > kMaxTextLength) length = kMaxTextLength;
  std::memcpy(message, symbol, length);
  std::memcpy(message + length, messages::kUnknownElementSuffix, sizeof messages::kUnknownElementSuffix);
}

void ModuleObserver::Symbol(const char* text, std::size_t p, std::size_t q, int index) const {
  if (index >= 0) return;
  char message[kMessageSize];
  FormatUnknownSymbol(text + p, q - p, message);
  platform::Beep();
  platform::Beep();
  platform::ShowError(message, messages::kInputCaption);
}

namespace {

// A list of '*' factors, linked from the first to apply to the last; lists
// share their tails.  -1 ends a list.
struct FactorNode {
  double factor;
  int next;
};

// An element occurrence whose multiplier is being worked out.
struct Occurrence {
  int index;  // element index, -1 for an unknown symbol
  double m;
};

// An opening bracket not yet closed.
struct OpenGroup {
  int outer_stars;   // the '*' factors that apply outside the group
  int first_symbol;  // the first occurrence inside the group
};

bool GroupMayStartAt(const refdata::Tables& t, const char* p) {
  return refdata::GroupCandidatesAt(t, static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1])) !=
         0;
}

// One pass from left to right.  The '*' factors: walking left from a symbol
// meets, level by level outward, the last '*' of each level before the
// symbol; `stars` is that list at the current position, and each open group
// remembers the list outside it.  A closing bracket with no group to close
// hides everything before it from such walks.  The bracket factors: walking
// right from a symbol multiplies by the closing bracket of every group that
// encloses it and by every closing bracket that closes no group; both come
// after the symbol in text order, so each is applied when reached to the
// occurrences it multiplies.  The sums are taken in text order, each
// occurrence once its multiplier is final: at once outside brackets, when
// the outermost group closes inside them.  A closing bracket that closes
// no group changes multipliers already summed, and the sum is taken again.
//
// kAsItStands: `text` is a caller's formula not yet prepared.  The pass
// gives up (returns false, having reported nothing) where preparation or
// expansion could change the result: at a byte preparation changes, where
// a group name may start, at a symbol not in the table (reported by the
// full pass).  No group name starts with a byte the pass steps over (the
// digits and points of a number) or reads as structure, so that it looks
// at every place where one may start: the bytes it reads one by one, and
// the bytes of each symbol (within the symbol from the table, at its last
// byte from the byte after it).
//
// kLean (neither atoms nor contributions asked for): occurrences outside
// brackets are summed and not kept, and a closing bracket that closes no
// group gives up, as nothing could be summed again; so does a symbol not in
// the table, before it is reported, so that the pass that gives up has
// reported nothing.
template <bool kAsItStands, bool kLean, class Observer>
bool Evaluate(const refdata::Tables& t, const char* text, double* atoms, double* contributions,
              Observer& observer, double* molar_mass) {
  FactorNode star_nodes[kWorkingTextSize];
  OpenGroup groups[kWorkingTextSize];
  Occurrence occurrences[kWorkingTextSize];
  int star_count = 0;
  int depth = 0;
  int stars = -1;
  int symbols = 0;
  double result = 0.0;
  int summed = 0;      // occurrences[0..summed) are in `result`
  bool resum = false;  // ... but a closing bracket changed some of them since
  const auto sum_final = [&] {
    for (; summed < symbols; ++summed) {
      const int index = occurrences[summed].index;
      if (index >= 0) result = occurrences[summed].m * t.masses[index] + result;
    }
  };
  if (IsNumberStart(text[0])) observer.Number(text, 0);
  const double coefficient = ReadFactor(text);
  std::size_t p = 0;
  for (; text[p] != '\0'; ++p) {
    // A caller's text may be longer than the working text: given up at
    // its limit, before any array here can fill (each entry takes a byte),
    // or at the end when a number ran past it.
    if (kAsItStands && p >= kMaxTextLength) return false;
    const Role role = RoleOf(text[p]);
    if (role == Role::kCapital) {  // the most frequent byte, tested first
      // A capital and one small letter or none: two of the table's entries
      // read as they stand; more small letters: a symbol found by search.
      // As it stands, a symbol in which a group name may start counts as
      // unknown (the short ones from a table of their own).
      std::size_t q = p + 1;
      int index;
      if (!IsSmall(text[q])) {
        index = kAsItStands ? t.short_plain_symbols[text[p] - 'A'][0]
                            : refdata::LookupFormulaSymbol(t, text + p, 1);
      } else if (!IsSmall(text[++q])) {
        index = kAsItStands ? t.short_plain_symbols[text[p] - 'A'][text[p + 1] - 'a' + 1]
                            : refdata::LookupFormulaSymbol(t, text + p, 2);
      } else {
        while (IsSmall(text[q])) ++q;
        index = refdata::LookupFormulaSymbol(t, text + p, q - p);
        if (kAsItStands && index >= 0 && t.symbol_groups[index]) index = -1;
      }
      if ((kAsItStands || kLean) && index < 0) return false;
      if (kAsItStands && GroupMayStartAt(t, text + q - 1)) return false;
      observer.Symbol(text, p, q, index);
      if (IsNumberStart(text[q])) observer.Number(text, q);
      const char* end;
      double m = coefficient * ReadFactor(text + q, &end);
      for (int k = stars; k >= 0; k = star_nodes[k].next) m = star_nodes[k].factor * m;
      if (kLean && depth == 0) {  // final, and never needed again
        result = m * t.masses[index] + result;
      } else {
        occurrences[symbols++] = {index, m};
        if (depth == 0) {  // final: the sum so far holds every occurrence before it
          if (index >= 0) result = m * t.masses[index] + result;
          summed = symbols;
        }
      }
      p = static_cast<std::size_t>(end - text) - 1;  // small letters and digits hold no structure
      continue;
    }
    switch (role) {
      case Role::kCapital:
        break;
      case Role::kPrepared:
        if (kAsItStands) return false;
        break;
      case Role::kNone:
        if (kAsItStands && GroupMayStartAt(t, text + p)) return false;
        break;
      case Role::kOpening:
        observer.Structure(p);
        groups[depth++] = {stars, symbols};
        break;
      case Role::kClosing: {
        observer.Structure(p);
        if (IsNumberStart(text[p + 1])) observer.Number(text, p + 1);
        const char* end;
        const double factor = ReadFactor(text + p + 1, &end);
        int first = 0;
        if (depth > 0) {
          --depth;
          stars = groups[depth].outer_stars;
          first = groups[depth].first_symbol;
        } else {
          if (kLean) return false;
          stars = -1;
          resum = resum || symbols > 0;
        }
        for (int k = first; k < symbols; ++k) occurrences[k].m = factor * occurrences[k].m;
        if (depth == 0) sum_final();
        p = static_cast<std::size_t>(end - text) - 1;
        break;
      }
      case Role::kStar: {
        if (p == 0) break;  // the first byte of the text is never looked at
        observer.Structure(p);
        if (IsNumberStart(text[p + 1])) observer.Number(text, p + 1);
        const char* end;
        star_nodes[star_count] = {ReadFactor(text + p + 1, &end),
                                  depth > 0 ? groups[depth - 1].outer_stars : -1};
        stars = star_count++;
        p = static_cast<std::size_t>(end - text) - 1;
        break;
      }
    }
  }
  if (kAsItStands && p > kMaxTextLength) return false;
  sum_final();  // inside groups never closed

  const int count = t.element_count;
  if (atoms != nullptr) std::fill(atoms, atoms + count, 0.0);
  if (contributions != nullptr) std::fill(contributions, contributions + count, 0.0);
  if (resum || atoms != nullptr || contributions != nullptr) {
    result = 0.0;
    for (int k = 0; k < symbols; ++k) {
      const int index = occurrences[k].index;
      if (index < 0) continue;
      const double m = occurrences[k].m;
      const double mass = t.masses[index];
      result = m * mass + result;
      if (atoms != nullptr) atoms[index] = m + atoms[index];
      if (contributions != nullptr) contributions[index] = m * mass + contributions[index];
    }
  }
  *molar_mass = result;
  return true;
}

}  // namespace

template <class Observer>
double EvaluateFormula(const refdata::Tables& t, const char* text, double* atoms, double* contributions,
                       Observer& observer) {
  double molar_mass = 0.0;
  Evaluate<false, false>(t, text, atoms, contributions, observer, &molar_mass);
  return molar_mass;
}

bool EvaluateAsItStands(const refdata::Tables& t, const char* formula, double* atoms, double* contributions,
                        double* molar_mass) {
  if (!t.group_leads_plain) return false;
  // Formulas that start with a group name, at once.
  if (formula[0] != '\0' && GroupMayStartAt(t, formula)) return false;
  ModuleObserver observer;
  if (atoms == nullptr && contributions == nullptr) {
    return Evaluate<true, true>(t, formula, atoms, contributions, observer, molar_mass);
  }
  return Evaluate<true, false>(t, formula, atoms, contributions, observer, molar_mass);
}

bool EvaluatePrepared(const refdata::Tables& t, const char* text, double* molar_mass) {
  ModuleObserver observer;
  return Evaluate<false, true>(t, text, nullptr, nullptr, observer, molar_mass);
}

template double EvaluateFormula(const refdata::Tables&, const char*, double*, double*, ModuleObserver&);
template double EvaluateFormula(const refdata::Tables&, const char*, double*, double*, TraceObserver&);

double EvaluateFormula(const char* text, double* atoms, double* contributions) {
  ModuleObserver observer;
  return EvaluateFormula(refdata::Current(), text, atoms, contributions, observer);
}

}  // namespace formix::formula
