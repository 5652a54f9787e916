/* golden_writer.c -- writes the expected results of a list of formulas, one
 * line each, as this build of the library computes them.
 * usage: golden_writer FORMULAS MASS_FILE GROUP_FILE > expected.txt */
#include <stdio.h>
#include <string.h>

#include "formix32.h"
#include "golden_line.h"


int main(int argc, char **argv) {
  char formula[512];
  char line[16384];
  FILE *in;
  if (argc != 4) {
    fprintf(stderr, "usage: golden_writer FORMULAS MASS_FILE GROUP_FILE\n");
    return 1;
  }
  SetNotifier(golden_quiet_message, golden_quiet_beep, NULL);
  if (SetNewMassesFile(argv[2]) != 1 || SetNewGroupsFile(argv[3]) != 1) {
    fprintf(stderr, "golden_writer: cannot load %s and %s\n", argv[2], argv[3]);
    return 1;
  }
  in = fopen(argv[1], "rb");
  if (in == NULL) return 1;
  while (fgets(formula, sizeof formula, in) != NULL) {
    formula[strcspn(formula, "\r\n")] = '\0';
    golden_line(MolecularMass, formula, line, sizeof line);
    printf("%s\n", line);
  }
  fclose(in);
  return 0;
}
