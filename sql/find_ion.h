/* find_ion.h -- the ion of formix_find, in SQLite and in PostgreSQL: one
 * text that names an adduct ion ("[M+H]+": the candidates are M) or a
 * charge ("1+", "2-": the candidates are the ion itself), or none (NULL or
 * ""). */
#ifndef FORMIX_SQL_FIND_ION_H
#define FORMIX_SQL_FIND_ION_H

#include "formix.h"

/* Sets *adduct (the text itself, or NULL) and *charge (0 for none);
 * returns NULL, or why the charge cannot be read. */
static inline const char* FindIon(const char* ion, const char** adduct, int* charge) {
  *adduct = NULL;
  *charge = 0;
  if (ion == NULL || ion[0] == '\0') return NULL;
  if (ion[0] == '[') {
    *adduct = ion;
    return NULL;
  }
  const char* why = formix_read_charge(ion, charge);
  return why[0] != '\0' ? why : NULL;
}

#endif /* FORMIX_SQL_FIND_ION_H */
