// tables.h -- the element and group tables, the two data-file path
// settings, loading the tables from their files, and symbol lookup.
#ifndef FORMIX32_REFDATA_TABLES_H
#define FORMIX32_REFDATA_TABLES_H

#include <cstddef>
#include <cstdint>

#include "formix_limits.h"

namespace formix::platform {
class DataFile;
}

namespace formix::refdata {

constexpr int kMaxElements = FORMIX_MAX_ELEMENTS;           // element table slots
constexpr int kMaxGroups = FORMIX_MAX_GROUPS;               // group slots 1..49
constexpr std::size_t kSymbolSize = FORMIX_MAX_SYMBOL + 1;  // symbol or group name + NUL
constexpr std::size_t kGroupFormulaSize = FORMIX_MAX_GROUP_FORMULA + 1;
constexpr std::size_t kNumberTokenSize = FORMIX_MAX_MASS_TOKEN + 1;
constexpr std::size_t kPathSize = FORMIX_MAX_PATH + 1;  // path setting + NUL

// The data files read when no other is named (macros: they fill the
// module's path settings, which are arrays).
#define FORMIX_DEFAULT_MASSES_FILE "mass.elt"
#define FORMIX_DEFAULT_GROUPS_FILE "mass.gps"

// Element lookup by symbol: open addressing over the symbols packed into
// 32-bit keys (symbols have 1 to 3 bytes, none of them NUL).  Each symbol
// maps to its first index in the table.
struct SymbolIndex {
  static constexpr int kSlots = 512;  // a power of two, well over 200
  std::uint32_t keys[kSlots];         // 0: empty slot
  std::int16_t elements[kSlots];
};

// The reference data one calculation runs over: the module's current
// state (module.cpp) or a toolkit context's own.  Zero at start but for
// the two path settings.
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
  // The first index of each symbol of one capital and at most one small
  // letter, [capital - 'A'][0 or small - 'a' + 1]; -1 for none.
  std::int16_t short_symbols[26][27];
  unsigned char group_name_lengths[kMaxGroups + 1];  // slot g: strlen of group g's name
  unsigned char group_formula_lengths[kMaxGroups + 1];
  // Group candidates, bit g - 1 for group g: group_first[a], the groups
  // whose name starts with byte a; group_second[b], the groups whose name
  // has b as its second byte, and every group whose name has one byte.
  std::uint64_t group_first[256];
  std::uint64_t group_second[256];
  // For a formula evaluated as it stands: no group name starts with a
  // digit, a point, a bracket or '*' (bytes the evaluator may step over or
  // read as structure), and symbol_groups[i], a group name may start at a
  // byte of element i's symbol followed by another byte of it.
  bool group_leads_plain;
  bool symbol_groups[kMaxElements];
  // short_symbols, but -1 where symbol_groups holds for the element.
  std::int16_t short_plain_symbols[26][27];
  // For expansion in one pass: no group name holds a bracket '(' or ')',
  // the bytes a replacement puts around a formula; and group_one_pass[g]:
  // group g's name holds no byte that preparation changes, no group name
  // may start in its formula in brackets, and that is not shorter than
  // the name.
  bool group_names_unbracketed;
  bool group_one_pass[kMaxGroups + 1];
};
static_assert(kMaxGroups <= 64, "group candidates are one 64-bit mask");

// The groups whose name may start at text[i], given text[i] and text[i + 1]
// (a superset: a third byte is not looked at).
inline std::uint64_t GroupCandidatesAt(const Tables& t, unsigned char a, unsigned char b) {
  return t.group_first[a] & t.group_second[b];
}

// The groups whose name may occur in the NUL-terminated `text`: one look-up
// per byte and no branch.
inline std::uint64_t GroupCandidates(const Tables& t, const char* text, std::size_t length) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(text);
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < length; ++i) mask |= GroupCandidatesAt(t, u[i], u[i + 1]);
  return mask;
}

// Where a load found its files: the paths opened, empty when none was.
constexpr std::size_t kFoundPathSize = 4096 + kPathSize + 2;
struct FoundFiles {
  char masses[kFoundPathSize];
  char groups[kFoundPathSize];
};

// The one search for data files: opens the file named by a path setting,
// trying the path itself, then each search directory of the platform
// followed by the separator and the path.  `found`, when not NULL, receives
// the path opened (kFoundPathSize bytes).  Only regular files are opened.
bool OpenDataFile(const char* setting, platform::DataFile& file, char* found);

// Opens a file of the library's own (not one a caller names): `name` in
// the search directories only, never as given, so that a file of that
// name in the working directory changes nothing.  As OpenDataFile
// otherwise.
bool OpenLibraryFile(const char* name, platform::DataFile& file, char* found);

// Reads both data files by the path settings of `t` into `t`, with the
// lookups, and sets its loaded flag.  Returns false, with `t` unchanged,
// when the mass file is found nowhere; a group file found nowhere gives 0
// groups.  Tells no one: the caller decides what to say.  `found`, when
// given, receives the paths opened.
bool ReadTables(Tables& t, FoundFiles* found);

// Rebuilds the lookups derived from the tables (after every load).
void BuildLookups(Tables& t);

// ---- The module's tables (module.cpp), for the exported functions -------
//
// Any number of threads may call these at once.  A load builds a complete
// table state aside and publishes it at once; every call pins the state it
// starts on and runs on it to its end.

// The current table state, pinned for the length of a call (pinning.h).
class PinnedTables;

// Reads both data files by the path settings and publishes them; a mass
// file found nowhere is shown to the user and changes nothing.
bool LoadTables();

// Replace a path setting.  Refused (false, setting unchanged) for NULL or a
// path of kPathSize bytes or more.
bool SetPath(char (&setting)[kPathSize], const char* path);
bool SetMassPath(const char* path);
bool SetGroupPath(const char* path);

enum class PathKind { kMasses, kGroups };

// Replaces a path setting and reloads, as one step: 1 when the mass file
// was read, 0 when it was found nowhere (shown; the new setting stays),
// -1 when the path was refused (nothing changed, nothing read).
int SetPathAndLoad(PathKind kind, const char* path);

// Copies a path setting into `buffer` (kPathSize bytes).
void CopyPath(PathKind kind, char* buffer);

// The current tables without a pin, or empty tables before the first
// load: for single-threaded tests and tools only.
const Tables& Current();

// Index of the first element of the table whose symbol is the `length`
// bytes at `token`, or -1: the same answer as FindSymbol over the symbol
// list and the element count, without comparing every entry.
int LookupElement(const Tables& t, const char* token, std::size_t length);

// LookupElement for a symbol of a formula: a capital and `length` - 1 small
// letters.  One- and two-letter symbols, nearly all of them, are read
// straight from a table.
inline int LookupFormulaSymbol(const Tables& t, const char* token, std::size_t length) {
  if (length == 1) return t.short_symbols[token[0] - 'A'][0];
  if (length == 2) return t.short_symbols[token[0] - 'A'][token[1] - 'a' + 1];
  return LookupElement(t, token, length);
}

// Index of the first of list[0..count-1] equal to the `length` bytes at
// `token`, or -1.  NULL entries never match.
int FindSymbol(const char* const* list, int count, const char* token, std::size_t length);

#if defined(FORMIX_TESTING)
// Back to the state of a freshly loaded module (no other thread may be in
// the library): in the engine the tests link, never in a shipped one.
void ResetForTesting();
#endif

}  // namespace formix::refdata

#endif  // FORMIX32_REFDATA_TABLES_H
