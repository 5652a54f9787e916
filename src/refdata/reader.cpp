// reader.cpp -- finding the data files and reading their records.
//
// A file is a sequence of tokens separated by NUL, space, LF or CR (a tab
// belongs to a token).  The mass file holds records of three tokens (an
// ignored field, the element symbol, the atomic mass); the group file
// records of two (group name, group formula).
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/platform.h"
#include "refdata/bytes.h"
#include "refdata/decimal.h"
#include "refdata/tables.h"

namespace formix::refdata {
namespace {

using bytes::IsTokenEnd;

// Buffered token reader over an open data file.
class TokenReader {
 public:
  explicit TokenReader(platform::DataFile& file) : file_(file) {}

  // Skips separators and reads the next token.  Stores at most `size` - 1
  // of its bytes with a terminator in `out` and its full length in
  // `*length`.  Returns false, leaving `out` alone, when the file ends
  // before a token starts.
  bool Next(char* out, std::size_t size, std::size_t* length) {
    int c;
    do {
      c = Get();
      if (c < 0) return false;
    } while (IsTokenEnd(static_cast<char>(c)));
    std::size_t n = 0;
    do {
      if (n + 1 < size) out[n] = static_cast<char>(c);
      ++n;
      c = Get();
    } while (c >= 0 && !IsTokenEnd(static_cast<char>(c)));
    out[n + 1 < size ? n : size - 1] = '\0';
    *length = n;
    return true;
  }

 private:
  int Get() {
    if (pos_ == end_) {
      if (eof_) return -1;
      end_ = file_.Read(buffer_, sizeof buffer_);
      pos_ = 0;
      if (end_ == 0) {
        eof_ = true;
        return -1;
      }
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
  }

  platform::DataFile& file_;
  char buffer_[4096];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
};

bool OpenInSearchDirectories(const char* setting, platform::DataFile& file, char* found) {
  for (platform::SearchPlace place :
       {platform::SearchPlace::kFirstFallback, platform::SearchPlace::kSecondFallback}) {
    char dir[4096];
    char path[sizeof dir + kPathSize + 1];
    if (!platform::SearchDirectory(place, dir, sizeof dir)) continue;
    int n = std::snprintf(path, sizeof path, "%s%c%s", dir, platform::kPathSeparator, setting);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof path) continue;
    if (file.Open(path)) {
      if (found != nullptr) std::snprintf(found, kFoundPathSize, "%s", path);
      return true;
    }
  }
  return false;
}

}  // namespace

bool OpenDataFile(const char* setting, platform::DataFile& file, char* found) {
  if (file.Open(setting)) {
    if (found != nullptr) std::snprintf(found, kFoundPathSize, "%s", setting);
    return true;
  }
  return OpenInSearchDirectories(setting, file, found);
}

bool OpenLibraryFile(const char* name, platform::DataFile& file, char* found) {
  return OpenInSearchDirectories(name, file, found);
}

namespace {

// Reads the mass file into the element table.  Records with a field too
// long for its slot are skipped; a record cut short by the end of the file
// is dropped; records past the 200th are ignored.
bool ReadMassesTable(Tables& t, char* found) {
  platform::DataFile file;
  if (!OpenDataFile(t.mass_path, file, found)) return false;
  TokenReader reader(file);
  t.element_count = 0;
  char scratch[kNumberTokenSize];
  char symbol[kSymbolSize];
  std::size_t length = 0;
  std::size_t symbol_length = 0;
  while (t.element_count < kMaxElements) {
    if (!reader.Next(scratch, sizeof scratch, &length)) break;  // leading field
    if (!reader.Next(symbol, sizeof symbol, &symbol_length)) break;
    if (!reader.Next(scratch, sizeof scratch, &length)) break;
    if (symbol_length >= kSymbolSize || length >= kNumberTokenSize) continue;
    int i = t.element_count++;
    std::memcpy(t.symbols[i], symbol, symbol_length + 1);
    t.masses[i] = ParseDecimal(scratch);
  }
  return true;
}

// Reads the group file into the group table (slots 1..49).  Records with a
// name or formula too long for its slot are skipped; a name without a
// formula at the end of the file is dropped; records past the 49th are
// ignored.  A file found nowhere gives 0 groups.
void ReadGroupsTable(Tables& t, char* found) {
  platform::DataFile file;
  t.group_count = 0;
  if (!OpenDataFile(t.group_path, file, found)) return;
  TokenReader reader(file);
  char name[kSymbolSize];
  char formula[kGroupFormulaSize];
  std::size_t name_length = 0;
  std::size_t formula_length = 0;
  while (t.group_count < kMaxGroups) {
    if (!reader.Next(name, sizeof name, &name_length)) break;
    if (!reader.Next(formula, sizeof formula, &formula_length)) break;
    if (name_length >= kSymbolSize || formula_length >= kGroupFormulaSize) continue;
    int g = ++t.group_count;
    std::memcpy(t.group_names[g], name, name_length + 1);
    std::memcpy(t.group_formulas[g], formula, formula_length + 1);
  }
}

}  // namespace

bool ReadTables(Tables& t, FoundFiles* found) {
  if (found != nullptr) found->masses[0] = found->groups[0] = '\0';
  if (!ReadMassesTable(t, found != nullptr ? found->masses : nullptr)) return false;
  ReadGroupsTable(t, found != nullptr ? found->groups : nullptr);
  for (int i = 0; i < kMaxElements; ++i) t.symbol_list[i] = t.symbols[i];
  BuildLookups(t);
  t.loaded = true;
  return true;
}

}  // namespace formix::refdata
