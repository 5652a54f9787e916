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
 * formix_find(mz, adduct, ppm, elements, limit) returns a set: the
 * formulas of a found m/z (docs/sql.md), for a LATERAL join over a feature
 * table.  Nothing is written to the server's standard
 * error: the toolkit has no notifier. */
#include "postgres.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "fmgr.h"
#include "funcapi.h"
#include "mb/pg_wchar.h"
#include "miscadmin.h"
#include "utils/builtins.h"
#include "utils/tuplestore.h"

#include "../find_ion.h"
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

/* The text of argument i, or NULL (a NULL argument). */
static char* OptionalText(FunctionCallInfo fcinfo, int i) {
  return PG_ARGISNULL(i) ? NULL : text_to_cstring(PG_GETARG_TEXT_PP(i));
}

/* formix_find(mz, adduct, ppm, elements, limit): one row a candidate, in
 * rank order: rank, formula (Hill), mz_calc, ppm_error, dbe (NULL for a
 * formula with a metal), error (NULL); a search that cannot be made is one
 * row with only its error, so that a LATERAL join over a table goes on.
 * NULL arguments take the defaults: a neutral mass, 5 ppm, the organic
 * ranges, 5 candidates.  An adduct ion of adducts.txt ("[M+H]+") or a
 * charge ("1+", "2-"). */
PG_FUNCTION_INFO_V1(pg_formix_find);
Datum pg_formix_find(PG_FUNCTION_ARGS) {
  ReturnSetInfo* rsinfo = (ReturnSetInfo*)fcinfo->resultinfo;
  InitMaterializedSRF(fcinfo, 0);
  CHECK_FOR_INTERRUPTS();
  if (PG_ARGISNULL(0)) return (Datum)0; /* no m/z: no row */
  const double mz = PG_GETARG_FLOAT8(0);
  char* ion = OptionalText(fcinfo, 1);
  const double ppm = PG_ARGISNULL(2) ? NAN : PG_GETARG_FLOAT8(2);
  char* elements = OptionalText(fcinfo, 3);
  const int limit = PG_ARGISNULL(4) ? 5 : PG_GETARG_INT32(4);
  Datum values[6];
  bool nulls[6];
  int charge = 0;
  const char* adduct = NULL;
  const char* error = FindIon(ion, &adduct, &charge);
  if (error == NULL && !(limit >= 1 && limit <= 1000))
    error = "the limit must be a whole number from 1 to 1000";
  formix_find* f = NULL;
  if (error == NULL) {
    f = formix_find_formulas(Context(), mz, adduct, charge, ppm, NAN, elements, NULL, NAN, NAN, NAN,
                             (size_t)limit, 0, NULL);
    if (f == NULL) ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("formix: out of memory")));
    if (formix_find_error(f)[0] != '\0') error = formix_find_error(f);
  }
  if (error != NULL) {
    for (int k = 0; k < 6; ++k) nulls[k] = true;
    nulls[5] = false;
    values[5] = CStringGetTextDatum(error);
    tuplestore_putvalues(rsinfo->setResult, rsinfo->setDesc, values, nulls);
  } else {
    const size_t n = formix_find_count(f);
    for (size_t i = 0; i < n; ++i) {
      const double dbe = formix_find_dbe(f, i);
      values[0] = Int32GetDatum((int32)(i + 1));
      values[1] = CStringGetTextDatum(formix_find_hill(f, i));
      values[2] = Float8GetDatum(formix_find_mz(f, i));
      values[3] = Float8GetDatum(formix_find_ppm(f, i));
      values[4] = Float8GetDatum(dbe);
      for (int k = 0; k < 6; ++k) nulls[k] = false;
      nulls[4] = dbe != dbe;
      nulls[5] = true;
      tuplestore_putvalues(rsinfo->setResult, rsinfo->setDesc, values, nulls);
    }
  }
  formix_find_free(f);
  return (Datum)0;
}
