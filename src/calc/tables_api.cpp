// tables_api.cpp -- the host's view of the reference tables and the two
// data-file settings.
#include <cstring>

#include "formix32.h"
#include "refdata/tables.h"

using formix::refdata::g_tables;

extern "C" FORMIX32_API int FORMIX32_CALL ElementsInTable(void) { return g_tables.element_count; }

extern "C" FORMIX32_API int FORMIX32_CALL GroupsInTable(void) { return g_tables.group_count; }

extern "C" FORMIX32_API char* FORMIX32_CALL GetElement(char* buffer, int index) {
  if (buffer == nullptr) return nullptr;
  const char* symbol = nullptr;
  if (index >= 0 && index < formix::refdata::kMaxElements) symbol = g_tables.symbol_list[index];
  if (symbol == nullptr) {
    buffer[0] = '\0';
  } else {
    std::memcpy(buffer, symbol, std::strlen(symbol) + 1);
  }
  return buffer;
}

extern "C" FORMIX32_API char* FORMIX32_CALL GetMassesFile(char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::memcpy(buffer, g_tables.mass_path, std::strlen(g_tables.mass_path) + 1);
  return buffer;
}

extern "C" FORMIX32_API char* FORMIX32_CALL GetGroupsFile(char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::memcpy(buffer, g_tables.group_path, std::strlen(g_tables.group_path) + 1);
  return buffer;
}

extern "C" FORMIX32_API int FORMIX32_CALL SetNewMassesFile(const char* path) {
  if (!formix::refdata::SetMassPath(path)) return 0;
  return formix::refdata::LoadTables() ? 1 : 0;
}

extern "C" FORMIX32_API int FORMIX32_CALL SetNewGroupsFile(const char* path) {
  if (!formix::refdata::SetGroupPath(path)) return 0;
  return formix::refdata::LoadTables() ? 1 : 0;
}
