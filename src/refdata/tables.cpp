// tables.cpp -- module-wide reference tables, path settings and lookup.
#include "refdata/tables.h"

#include <cstring>

#include "formix32.h"

namespace formix::refdata {

Tables g_tables = {{}, {}, 0, {}, {}, {}, 0, "mass.elt", "mass.gps", false};

namespace {

bool SetPath(char (&setting)[kPathSize], const char* path) {
  if (path == nullptr) return false;
  std::size_t length = strnlen(path, kPathSize);
  if (length >= kPathSize) return false;
  std::memcpy(setting, path, length + 1);
  return true;
}

}  // namespace

bool SetMassPath(const char* path) { return SetPath(g_tables.mass_path, path); }
bool SetGroupPath(const char* path) { return SetPath(g_tables.group_path, path); }

bool EnsureLoaded() { return g_tables.loaded || LoadTables(); }

int FindSymbol(const char* const* list, int count, const char* token, std::size_t length) {
  for (int i = 0; i < count; ++i) {
    const char* entry = list[i];
    if (entry != nullptr && std::strncmp(entry, token, length) == 0 && entry[length] == '\0') {
      return i;
    }
  }
  return -1;
}

void ResetForTesting() {
  g_tables = Tables{{}, {}, 0, {}, {}, {}, 0, "mass.elt", "mass.gps", false};
}

}  // namespace formix::refdata

extern "C" FORMIX32_API int FORMIX32_CALL ChemIndex(const char* const* list, const char* token,
                                                    int count) {
  if (list == nullptr || token == nullptr) return -1;
  return formix::refdata::FindSymbol(list, count, token, std::strlen(token));
}
