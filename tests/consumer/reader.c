#include <stdio.h>
#include <string.h>

#include <formix.h>

int main(void) {
  const char *formulas[] = {"CuSO4·5H₂O", "[Fe(CN)6]3-", "co(NO3)2"};
  static const char *const severities[] = {"note", "warning", "error"};
  formix_context *context = formix_context_new(NULL, NULL, NULL, NULL);
  if (context == NULL) return 1;
  for (int i = 0; i < 3; ++i) {
    formix_reading *r = formix_read(context, formulas[i], strlen(formulas[i]));
    printf("%s %.4f charge %d\n", formulas[i], formix_reading_molar_mass(r), formix_reading_charge(r));
    for (size_t k = 0; k < formix_reading_diagnostic_count(r); ++k) {
      const formix_diagnostic *d = formix_reading_diagnostic(r, k);
      printf("  byte %zu: %s: %s\n", d->offset, severities[d->severity], d->message);
    }
    formix_reading_free(r);
  }
  formix_context_free(context);
  return 0;
}
