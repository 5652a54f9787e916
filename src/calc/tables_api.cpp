// tables_api.cpp -- the host's view of the reference tables and the two
// data-file settings.
#include <cstring>

#include "formix32.h"
#include "refdata/pinning.h"
#include "refdata/tables.h"

using formix::refdata::PathKind;
using formix::refdata::PinnedTables;

extern "C" FORMIX32_API int FORMIX32_CALL ChemIndex(const char* const* list, const char* token, int count) {
  if (list == nullptr || token == nullptr) return -1;
  return formix::refdata::FindSymbol(list, count, token, std::strlen(token));
}

extern "C" FORMIX32_API int FORMIX32_CALL ElementsInTable(void) {
  PinnedTables pin;
  return pin.get() != nullptr ? pin.get()->element_count : 0;
}

extern "C" FORMIX32_API int FORMIX32_CALL GroupsInTable(void) {
  PinnedTables pin;
  return pin.get() != nullptr ? pin.get()->group_count : 0;
}

extern "C" FORMIX32_API char* FORMIX32_CALL GetElement(char* buffer, int index) {
  if (buffer == nullptr) return nullptr;
  PinnedTables pin;
  const char* symbol = nullptr;
  if (pin.get() != nullptr && index >= 0 && index < formix::refdata::kMaxElements) {
    symbol = pin.get()->symbol_list[index];
  }
  if (symbol == nullptr) {
    buffer[0] = '\0';
  } else {
    std::memcpy(buffer, symbol, std::strlen(symbol) + 1);
  }
  return buffer;
}

extern "C" FORMIX32_API char* FORMIX32_CALL GetMassesFile(char* buffer) {
  if (buffer == nullptr) return nullptr;
  formix::refdata::CopyPath(PathKind::kMasses, buffer);
  return buffer;
}

extern "C" FORMIX32_API char* FORMIX32_CALL GetGroupsFile(char* buffer) {
  if (buffer == nullptr) return nullptr;
  formix::refdata::CopyPath(PathKind::kGroups, buffer);
  return buffer;
}

extern "C" FORMIX32_API int FORMIX32_CALL SetNewMassesFile(const char* path) {
  return formix::refdata::SetPathAndLoad(PathKind::kMasses, path) == 1 ? 1 : 0;
}

extern "C" FORMIX32_API int FORMIX32_CALL SetNewGroupsFile(const char* path) {
  return formix::refdata::SetPathAndLoad(PathKind::kGroups, path) == 1 ? 1 : 0;
}
