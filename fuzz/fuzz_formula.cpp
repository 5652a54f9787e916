// fuzz_formula.cpp -- the formula pipeline over fixed tables with groups,
// groups that use each other and groups that never stop expanding; and the
// expansion in one pass, wherever it is taken, against the passes, over
// tables whose names meet each other.
#include <cstdint>
#include <cstring>
#include <string>

#include "formix32.h"
#include "formula/engine.h"
#include "fuzz_input.h"
#include "refdata/tables.h"

namespace {

void SetUpOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  formix::fuzz::InstallQuietNotifier();
  std::string masses = FORMIX_SOURCE_DATA_DIR "/mass.elt";
  SetNewGroupsFile(formix::fuzz::WriteFile("fuzz.gps", formix::fuzz::kFuzzGroups).c_str());
  if (SetNewMassesFile(masses.c_str()) != 1) __builtin_trap();
}

// The differential test's group file whose names meet each other.
const formix::refdata::Tables& MeetingTables() {
  static formix::refdata::Tables* tables = [] {
    auto* t = new formix::refdata::Tables();
    std::strcpy(t->mass_path, FORMIX_SOURCE_DATA_DIR "/mass.elt");
    std::strcpy(t->group_path, FORMIX_TEST_DATA_DIR "/meeting.gps");
    if (!formix::refdata::ReadTables(*t, nullptr) || t->group_count == 0) __builtin_trap();
    return t;
  }();
  return *tables;
}

// Where the one pass expands, the passes give the same text and nothing to
// report.
void CheckOnePass(const formix::refdata::Tables& t, const std::string& formula) {
  char once[formix::formula::kWorkingTextSize];
  if (!formix::formula::ExpandInOnePass(t, formula.c_str(), once)) return;
  char passes[formix::formula::kWorkingTextSize];
  formix::formula::QuietObserver quiet;
  formix::formula::PrepareText(formula.c_str(), passes, quiet);
  if (!formix::formula::ExpandAllGroups(t, passes, quiet) || quiet.too_complex) __builtin_trap();
  if (std::strcmp(once, passes) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SetUpOnce();
  std::string formula(reinterpret_cast<const char*>(data), size);
  formula = formula.substr(0, formula.find('\0'));
  const std::string original = formula;

  double contributions[200];
  double atoms[200];
  char buffers[200][4];
  char* symbols[200];
  for (int i = 0; i < 200; ++i) symbols[i] = buffers[i];
  int count = -1;
  double mass = MolecularMass(formula.c_str(), contributions, atoms, &count, symbols);
  if (count != 118) __builtin_trap();
  // The caller's text is never written, and the plain call agrees bit for bit.
  if (formula != original) __builtin_trap();
  double again = MolarMass(formula.c_str());
  if (std::memcmp(&mass, &again, sizeof mass) != 0 && !(mass != mass && again != again)) {
    __builtin_trap();
  }
  CheckOnePass(MeetingTables(), formula);
  NumberOfAtoms(formula.c_str(), "C");
  PercentOfElement(formula.c_str(), "H");
  return 0;
}
