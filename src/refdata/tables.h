// tables.h -- the element and group tables, the two data-file path
// settings, loading the tables from their files, and symbol lookup.
#ifndef FORMIX32_REFDATA_TABLES_H
#define FORMIX32_REFDATA_TABLES_H

#include <cstddef>
#include <cstdint>

namespace formix::refdata {

constexpr int kMaxElements = 200;          // element table slots
constexpr int kMaxGroups = 49;             // group slots 1..49
constexpr std::size_t kSymbolSize = 4;     // symbol or group name + NUL
constexpr std::size_t kGroupFormulaSize = 15;
constexpr std::size_t kNumberTokenSize = 20;
constexpr std::size_t kPathSize = 256;     // path setting + NUL

// Element lookup by symbol: open addressing over the symbols packed into
// 32-bit keys (symbols have 1 to 3 bytes, none of them NUL).  Each symbol
// maps to its first index in the table.
struct SymbolIndex {
  static constexpr int kSlots = 512;  // a power of two, well over 200
  std::uint32_t keys[kSlots];         // 0: empty slot
  std::int16_t elements[kSlots];
};

// All module-wide reference data.  Zero at start but for the two path
// settings; lives as long as the module.
struct Tables {
  char symbols[kMaxElements][kSymbolSize];  // slot i: symbol of element i
  double masses[kMaxElements];              // slot i: atomic mass
  int element_count;                        // records of the last mass file
  // Entry i refers to symbols[i] once a load succeeded; all NULL before.
  const char* symbol_list[kMaxElements];
  char group_names[kMaxGroups + 1][kSymbolSize];  // slot 0 never used
  char group_formulas[kMaxGroups + 1][kGroupFormulaSize];
  int group_count;
  char mass_path[kPathSize];
  char group_path[kPathSize];
  bool loaded;  // set by the first successful load, never cleared
  // Derived from the tables by every successful load:
  SymbolIndex symbol_index;
  std::uint64_t group_pairs[65536 / 64];  // first two bytes of group names
  std::uint64_t group_singles[256 / 64];  // one-byte group names
};

extern Tables g_tables;

// Reads both data files by the current path settings.  Returns false, with
// the tables, counts and flag unchanged and the user told, when the mass
// file is found nowhere.  A group file found nowhere gives 0 groups.
bool LoadTables();

// Rebuilds the lookups derived from the tables (after every load).
void BuildLookups();

// Loads the tables unless a load has already succeeded; true when loaded.
bool EnsureLoaded();

// Replace a path setting.  Refused (false, setting unchanged) for NULL or a
// path of kPathSize bytes or more.
bool SetMassPath(const char* path);
bool SetGroupPath(const char* path);

// Index of the first element of the loaded table whose symbol is the
// `length` bytes at `token`, or -1: the same answer as FindSymbol over the
// symbol list and the element count, without comparing every entry.
int LookupElement(const char* token, std::size_t length);

// False when no group name occurs anywhere in `text`, so that an expansion
// pass would replace nothing.  True when one may.
bool MayHoldGroupName(const char* text);

// Index of the first of list[0..count-1] equal to the `length` bytes at
// `token`, or -1.  NULL entries never match.
int FindSymbol(const char* const* list, int count, const char* token, std::size_t length);

// Back to the state of a freshly loaded module (tests only).
void ResetForTesting();

}  // namespace formix::refdata

#endif  // FORMIX32_REFDATA_TABLES_H
