// tables.cpp -- symbol lookup in the tables and the lookups derived from them.
#include "refdata/tables.h"

#include <cstring>

#include "formix32.h"
#include "refdata/bytes.h"

namespace formix::refdata {

int FindSymbol(const char* const* list, int count, const char* token, std::size_t length) {
  for (int i = 0; i < count; ++i) {
    const char* entry = list[i];
    if (entry != nullptr && std::strncmp(entry, token, length) == 0 && entry[length] == '\0') {
      return i;
    }
  }
  return -1;
}

namespace {

// The key of a symbol of 1 to 3 bytes, or 0 when it has more.
std::uint32_t SymbolKey(const char* token, std::size_t length) {
  if (length == 0 || length > 3) return 0;
  std::uint32_t key = 0;
  for (std::size_t i = 0; i < length; ++i) {
    key |= static_cast<std::uint32_t>(static_cast<unsigned char>(token[i])) << (8 * i);
  }
  return key;
}

int Slot(std::uint32_t key) {
  return static_cast<int>((key * 2654435761u) >> 23) & (SymbolIndex::kSlots - 1);
}

}  // namespace

void BuildLookups(Tables& t) {
  std::memset(&t.symbol_index, 0, sizeof t.symbol_index);
  std::memset(t.short_symbols, 0xFF, sizeof t.short_symbols);  // all -1
  for (int i = 0; i < t.element_count; ++i) {
    const char* symbol = t.symbols[i];
    std::uint32_t key = SymbolKey(symbol, std::strlen(symbol));
    int slot = Slot(key);
    while (t.symbol_index.keys[slot] != 0 && t.symbol_index.keys[slot] != key) {
      slot = (slot + 1) & (SymbolIndex::kSlots - 1);
    }
    if (t.symbol_index.keys[slot] == 0) {  // the first of equal symbols wins
      t.symbol_index.keys[slot] = key;
      t.symbol_index.elements[slot] = static_cast<std::int16_t>(i);
    }
    if (bytes::IsCapital(symbol[0]) &&
        (symbol[1] == '\0' || (bytes::IsSmall(symbol[1]) && symbol[2] == '\0'))) {
      std::int16_t& entry = t.short_symbols[symbol[0] - 'A'][symbol[1] == '\0' ? 0 : symbol[1] - 'a' + 1];
      if (entry < 0) entry = static_cast<std::int16_t>(i);
    }
  }
  std::memset(t.group_first, 0, sizeof t.group_first);
  std::memset(t.group_second, 0, sizeof t.group_second);
  t.group_leads_plain = true;
  for (int g = 1; g <= t.group_count; ++g) {
    const unsigned char* name = reinterpret_cast<const unsigned char*>(t.group_names[g]);
    const std::uint64_t bit = std::uint64_t{1} << (g - 1);
    t.group_name_lengths[g] = static_cast<unsigned char>(std::strlen(t.group_names[g]));
    t.group_formula_lengths[g] = static_cast<unsigned char>(std::strlen(t.group_formulas[g]));
    t.group_first[name[0]] |= bit;
    if (std::strchr("0123456789.()[]{}*", name[0]) != nullptr) t.group_leads_plain = false;
    if (name[0] == '\0' || name[1] == '\0') {
      for (std::uint64_t& second : t.group_second) second |= bit;
    } else {
      t.group_second[name[1]] |= bit;
    }
  }
  t.group_names_unbracketed = true;
  for (int g = 1; g <= t.group_count; ++g) {
    const char* name = t.group_names[g];
    if (std::strpbrk(name, "()") != nullptr) t.group_names_unbracketed = false;
    char bracketed[kGroupFormulaSize + 2] = "(";
    std::memcpy(bracketed + 1, t.group_formulas[g], t.group_formula_lengths[g]);
    bracketed[t.group_formula_lengths[g] + 1] = ')';
    bool prepared = false;
    for (const char* p = name; *p != '\0'; ++p) prepared = prepared || bytes::IsChangedByPreparation(*p);
    t.group_one_pass[g] = !prepared && t.group_formula_lengths[g] + 2u >= t.group_name_lengths[g] &&
                          GroupCandidates(t, bracketed, t.group_formula_lengths[g] + 2u) == 0;
  }
  for (int i = 0; i < kMaxElements; ++i) {
    const unsigned char* symbol = reinterpret_cast<const unsigned char*>(t.symbols[i]);
    t.symbol_groups[i] = false;
    for (std::size_t k = 0; k + 1 < std::strlen(t.symbols[i]); ++k) {
      if (GroupCandidatesAt(t, symbol[k], symbol[k + 1]) != 0) t.symbol_groups[i] = true;
    }
  }
  for (int a = 0; a < 26; ++a) {
    for (int b = 0; b < 27; ++b) {
      const int i = t.short_symbols[a][b];
      t.short_plain_symbols[a][b] = static_cast<std::int16_t>(i >= 0 && t.symbol_groups[i] ? -1 : i);
    }
  }
}

int LookupElement(const Tables& t, const char* token, std::size_t length) {
  std::uint32_t key = SymbolKey(token, length);
  if (key == 0) return -1;
  for (int slot = Slot(key);; slot = (slot + 1) & (SymbolIndex::kSlots - 1)) {
    if (t.symbol_index.keys[slot] == key) return t.symbol_index.elements[slot];
    if (t.symbol_index.keys[slot] == 0) return -1;
  }
}

}  // namespace formix::refdata
