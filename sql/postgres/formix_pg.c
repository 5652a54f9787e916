/* formix_pg.c -- formix in PostgreSQL: the functions of the extension
 * "formix" (formix--0.1.0.sql declares them IMMUTABLE PARALLEL SAFE
 * STRICT): formix_molar_mass, formix_monoisotopic_mass, formix_hill,
 * formix_charge and formix_reading, each of a text.  One toolkit context a
 * server process, over the data files of the extension's share directory
 * (<sharedir>/extension/formix32).  A formula with an error gives NULL;
 * formix_reading says why.  A formula read with a warning (perhaps not the
 * number meant) gives NULL too, as a column cannot carry the flag, unless
 * the call asks for the number anyway: the first four functions take a
 * second argument, accept_warnings boolean (formix_molar_mass(f, true)).
 * Nothing is written to the server's standard
 * error: the toolkit has no notifier. */
#include "postgres.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "fmgr.h"
#include "mb/pg_wchar.h"
#include "miscadmin.h"
#include "utils/builtins.h"

#include "formix.h"

PG_MODULE_MAGIC;

static formix_context* context;

/* The process's context, made on first use. */
static formix_context* Context(void) {
  if (context == NULL) {
    /* Texts are read and written as UTF-8 (CREATE EXTENSION refuses
     * another encoding; a dump restored into one lands here). */
    if (GetDatabaseEncoding() != PG_UTF8)
      ereport(ERROR, (errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
                      errmsg("formix needs a UTF-8 database; this one is %s", GetDatabaseEncodingName())));
    char share[MAXPGPATH], masses[MAXPGPATH + 64], groups[MAXPGPATH + 64], lists[MAXPGPATH + 64];
    int status = FORMIX_OK;
    get_share_path(my_exec_path, share);
    snprintf(lists, sizeof lists, "%s/extension/formix32", share);
    snprintf(masses, sizeof masses, "%s/mass.elt", lists);
    snprintf(groups, sizeof groups, "%s/mass.gps", lists);
    /* The toolkit's own lists (isotopes, adducts, residues) from there too. */
    context = formix_context_new(masses, groups, lists, &status);
    if (context == NULL)
      ereport(ERROR, (errcode(ERRCODE_CONFIG_FILE_ERROR),
                      errmsg("formix: the data files in %s: %s", lists, formix_status_text(status))));
  }
  return context;
}

/* Whether the call asks for a flagged reading's number (argument 1). */
static int AcceptsWarnings(FunctionCallInfo fcinfo) { return PG_NARGS() > 1 && PG_GETARG_BOOL(1); }

/* The reading of argument 0 (never NULL: the functions are STRICT). */
static formix_reading* Read(FunctionCallInfo fcinfo) {
  text* formula = PG_GETARG_TEXT_PP(0);
  formix_context* c = Context();
  formix_reading* r = formix_read(c, VARDATA_ANY(formula), VARSIZE_ANY_EXHDR(formula));
  if (r == NULL) ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("formix: out of memory")));
  return r;
}

/* Whether the reading gives a value to this call: one with no error, and
 * no warning unless the call accepts them. */
static int Usable(FunctionCallInfo fcinfo, const formix_reading* r) {
  return formix_reading_has_value(r) && (formix_reading_worst(r) < FORMIX_WARNING || AcceptsWarnings(fcinfo));
}

PG_FUNCTION_INFO_V1(pg_formix_molar_mass);
Datum pg_formix_molar_mass(PG_FUNCTION_ARGS) {
  text* formula = PG_GETARG_TEXT_PP(0);
  const char* data = VARDATA_ANY(formula);
  const size_t length = VARSIZE_ANY_EXHDR(formula);
  double mass = 0.0;
  int worst = -1;
  /* The batch call for one: the reading's number without the reading
   * object where the reader has nothing to say (NaN: an error). */
  formix_molar_masses(Context(), &data, &length, 1, &mass, &worst);
  if (mass != mass || (worst >= FORMIX_WARNING && !AcceptsWarnings(fcinfo))) PG_RETURN_NULL();
  PG_RETURN_FLOAT8(mass);
}

PG_FUNCTION_INFO_V1(pg_formix_monoisotopic_mass);
Datum pg_formix_monoisotopic_mass(PG_FUNCTION_ARGS) {
  formix_reading* r = Read(fcinfo);
  const double mass = Usable(fcinfo, r) ? formix_monoisotopic_mass(Context(), r) : NAN;
  formix_reading_free(r);
  if (mass != mass) PG_RETURN_NULL();
  PG_RETURN_FLOAT8(mass);
}

PG_FUNCTION_INFO_V1(pg_formix_hill);
Datum pg_formix_hill(PG_FUNCTION_ARGS) {
  formix_reading* r = Read(fcinfo);
  text* hill = Usable(fcinfo, r) ? cstring_to_text(formix_reading_hill(r)) : NULL;
  formix_reading_free(r);
  if (hill == NULL) PG_RETURN_NULL();
  PG_RETURN_TEXT_P(hill);
}

PG_FUNCTION_INFO_V1(pg_formix_charge);
Datum pg_formix_charge(PG_FUNCTION_ARGS) {
  formix_reading* r = Read(fcinfo);
  const int has_value = Usable(fcinfo, r);
  const int charge = formix_reading_charge(r);
  formix_reading_free(r);
  if (!has_value) PG_RETURN_NULL();
  PG_RETURN_INT32(charge);
}

PG_FUNCTION_INFO_V1(pg_formix_reading);
Datum pg_formix_reading(PG_FUNCTION_ARGS) {
  formix_reading* r = Read(fcinfo);
  const char* json = formix_reading_json(r, FORMIX_JSON_ELEMENTS);
  text* out = json != NULL ? cstring_to_text(json) : NULL;
  formix_reading_free(r);
  if (out == NULL) ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("formix: out of memory")));
  PG_RETURN_TEXT_P(out);
}
