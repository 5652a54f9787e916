/* golden_line.h -- one line of expected results for a formula: the bits of
 * its molar mass and of every non-zero atom count and mass contribution.
 * Shared by the program that writes the expected file on Linux and by the
 * Windows host that checks the DLL against it. */
#ifndef FORMIX32_TESTS_GOLDEN_LINE_H
#define FORMIX32_TESTS_GOLDEN_LINE_H

#include <stdio.h>
#include <string.h>

#include "formix32.h"

typedef double(FORMIX32_CALL *GoldenMolecularMassFn)(const char *, double *, double *, int *,
                                                    char **);

static unsigned long long golden_bits(double value) {
  unsigned long long bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

/* A notifier that drops the library's reports: the expected file records
 * results only. */
static void FORMIX32_CALL golden_quiet_message(const char *text, const char *caption,
                                               void *context) {
  (void)text;
  (void)caption;
  (void)context;
}
static void FORMIX32_CALL golden_quiet_beep(void *context) { (void)context; }

/* Writes the line for `formula` (without its newline) into `out`. */
static void golden_line(GoldenMolecularMassFn molecular_mass, const char *formula, char *out,
                        size_t size) {
  double contributions[200];
  double atoms[200];
  int count = 0;
  int i;
  size_t used;
  double mass = molecular_mass(formula, contributions, atoms, &count, NULL);
  used = (size_t)snprintf(out, size, "%s\t%016llx\t", formula, golden_bits(mass));
  for (i = 0; i < count && used < size; ++i) {
    if (atoms[i] == 0.0 && contributions[i] == 0.0) continue;
    used += (size_t)snprintf(out + used, size - used, " %d:%016llx:%016llx", i,
                             golden_bits(atoms[i]), golden_bits(contributions[i]));
  }
}

#endif /* FORMIX32_TESTS_GOLDEN_LINE_H */
