/* dll_host.c -- a Windows host as the library's users write them: loads
 * formix32.dll with LoadLibraryA, finds every export by its plain name with
 * GetProcAddress, and checks the results of the formulas of an expected
 * file, written by the Linux build, bit for bit.
 * usage: dll_host DLL EXPECTED MASS_FILE GROUP_FILE */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "formix32.h"
#include "golden_line.h"

static const char *const kExports[] = {
    "MolecularMass", "MolarMass",     "NumberOfAtoms",    "PercentOfElement", "ChemEqu",
    "GetFormula",    "ElementsInTable", "GroupsInTable",  "GetElement",       "ChemIndex",
    "GetMassesFile", "SetNewMassesFile", "GetGroupsFile", "SetNewGroupsFile", "SetNotifier"};

typedef int(FORMIX32_CALL *SetFileFn)(const char *);
typedef void(FORMIX32_CALL *SetNotifierFn)(FormixMessageFn, FormixBeepFn, void *);
typedef double(FORMIX32_CALL *MolarMassFn)(const char *);


int main(int argc, char **argv) {
  HMODULE dll;
  FARPROC procs[sizeof kExports / sizeof kExports[0]];
  size_t i;
  char expected[16384];
  char actual[16384];
  int lines = 0, failures = 0;
  FILE *in;
  if (argc != 5) {
    fprintf(stderr, "usage: dll_host DLL EXPECTED MASS_FILE GROUP_FILE\n");
    return 2;
  }
  dll = LoadLibraryA(argv[1]);
  if (dll == NULL) {
    fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  for (i = 0; i < sizeof kExports / sizeof kExports[0]; ++i) {
    procs[i] = GetProcAddress(dll, kExports[i]);
    if (procs[i] == NULL) {
      fprintf(stderr, "export %s not found\n", kExports[i]);
      return 1;
    }
  }
  ((SetNotifierFn)(void *)procs[14])(golden_quiet_message, golden_quiet_beep, NULL);
  if (((SetFileFn)(void *)procs[11])(argv[3]) != 1 || ((SetFileFn)(void *)procs[13])(argv[4]) != 1) {
    fprintf(stderr, "cannot load the data files\n");
    return 1;
  }
  in = fopen(argv[2], "rb");
  if (in == NULL) return 1;
  while (fgets(expected, sizeof expected, in) != NULL) {
    char *tab = strchr(expected, '\t');
    expected[strcspn(expected, "\r\n")] = '\0';
    if (tab == NULL) continue;
    *tab = '\0';
    golden_line((GoldenMolecularMassFn)(void *)procs[0], expected, actual, sizeof actual);
    *tab = '\t';
    ++lines;
    if (strcmp(expected, actual) != 0) {
      ++failures;
      fprintf(stderr, "differs:\n  expected %s\n  actual   %s\n", expected, actual);
    }
  }
  fclose(in);
  printf("%d formulas, %d differ; MolarMass(CuSO4*5H2O) = %.4f\n", lines, failures,
         ((MolarMassFn)(void *)procs[1])("CuSO4*5H2O"));
  FreeLibrary(dll);
  return failures == 0 && lines >= 200 ? 0 : 1;
}
