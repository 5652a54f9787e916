/* c_api_test.c -- the public header compiled as C: a fresh process calls
 * the shared library, which finds its shipped data files by itself. */
/* clang-format off: C style, pointers at the name, as hosts write it. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "formix32.h"

static int messages = 0;
static int beeps = 0;

static void FORMIX32_CALL on_message(const char* text, const char* caption, void* context) {
  (void)text;
  (void)caption;
  ++*(int*)context;
}

static void FORMIX32_CALL on_beep(void* context) {
  (void)context;
  ++beeps;
}

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      return 1;                                                                \
    }                                                                          \
  } while (0)

int main(void) {
  double contributions[200];
  double atoms[200];
  char buffers[200][4];
  char* symbols[200];
  const char* list[2] = {"H", "He"};
  int count = 0;
  int i;
  double mass;

  SetNotifier(on_message, on_beep, &messages);
  mass = MolarMass("CuSO4*5H2O");
  printf("CuSO4*5H2O %.2f\n", mass);
  CHECK(fabs(mass - 249.68) < 0.005);

  for (i = 0; i < 200; ++i) symbols[i] = buffers[i];
  mass = MolecularMass("Ph2CO", contributions, atoms, &count, symbols);
  CHECK(count == 118);
  CHECK(strcmp(symbols[5], "C") == 0 && atoms[5] == 13.0);
  CHECK(mass == MolarMass("(C6H5)2CO"));

  CHECK(ChemIndex(list, "He", 2) == 1);
  CHECK(ChemIndex(list, "h", 2) == -1);

  CHECK(MolarMass("Xx") == 0.0);
  CHECK(messages == 1 && beeps == 2);

  CHECK(NumberOfAtoms("CuSO4*5H2O", "O") == 9.0);
  CHECK(PercentOfElement("H2O", "H") > 11.1 && PercentOfElement("H2O", "H") < 11.2);
  {
    const char* const formulas[3] = {"H2", "O2", "H2O"};
    const double coefficients[3] = {2, 1, 2};
    double masses[3] = {0, 0, 36.03};
    const char* const species[3] = {"C", "H", "O"};
    const double fractions[3] = {40.0, 6.7, 53.3};
    double ratios[3];
    ChemEqu(formulas, coefficients, masses, 2, 3);
    CHECK(fabs(masses[1] - 32.0) < 0.01);
    GetFormula(species, fractions, 3, -1, 180.16, ratios);
    CHECK(fabs(ratios[0] - 6.0) < 0.01);
  }
  {
    char element[4];
    char path[256];
    CHECK(ElementsInTable() == 118);
    CHECK(GroupsInTable() > 0);
    CHECK(strcmp(GetElement(element, 1), "He") == 0);
    CHECK(strcmp(GetMassesFile(path), "mass.elt") == 0);
    CHECK(strcmp(GetGroupsFile(path), "mass.gps") == 0);
    CHECK(SetNewGroupsFile("no-such-file.gps") == 1);
    CHECK(GroupsInTable() == 0);
    CHECK(SetNewMassesFile("no-such-file.elt") == 0);
    CHECK(messages == 2);
    CHECK(ElementsInTable() == 118);
  }
  puts("c api ok");
  return 0;
}
