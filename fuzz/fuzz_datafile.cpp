// fuzz_datafile.cpp -- the mass-file and group-file readers on arbitrary
// bytes, followed by a calculation over whatever they loaded.
#include <cstdint>
#include <cstring>
#include <string>

#include "formix32.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  formix::fuzz::InstallQuietNotifier();
  // The first byte splits the rest into the mass file and the group file.
  std::size_t split = size == 0 ? 0 : 1 + (size - 1) * data[0] / 255;
  std::string masses(reinterpret_cast<const char*>(data) + (size ? 1 : 0), split > 0 ? split - 1 : 0);
  std::string groups(reinterpret_cast<const char*>(data) + split, size - split);
  std::string mass_path = formix::fuzz::WriteFile("fuzz.elt", masses);
  std::string group_path = formix::fuzz::WriteFile("fuzz.gps", groups);
  SetNewGroupsFile(group_path.c_str());
  if (SetNewMassesFile(mass_path.c_str()) != 1) __builtin_trap();
  int elements = ElementsInTable();
  int group_count = GroupsInTable();
  if (elements < 0 || elements > 200 || group_count < 0 || group_count > 49) __builtin_trap();
  char symbol[4];
  for (int i = 0; i < elements; ++i) {
    GetElement(symbol, i);
    if (std::strlen(symbol) > 3) __builtin_trap();
    MolarMass(symbol);
  }
  MolarMass("C6H5Ph(Me)2*5H2OAaBbXx");
  return 0;
}
