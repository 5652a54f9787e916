/* formix_sqlite.c -- formix in SQLite: a loadable extension with the
 * functions
 *
 *   formix_molar_mass(text)        REAL, g/mol (of an ion, electrons counted)
 *   formix_monoisotopic_mass(text) REAL, u
 *   formix_hill(text)              TEXT, the Hill formula (charge appended)
 *   formix_charge(text)            INTEGER
 *   formix_reading(text)           TEXT, the reading as the toolkit's JSON
 *
 * over the toolkit (formix.h) and the shipped data files, one context a
 * connection.  A formula with an error, and any argument that is not text
 * (NULL, a number, a blob), gives NULL; formix_reading says why (for text).
 * A number is right or flagged, and a column cannot carry a flag: a formula
 * read with a warning (perhaps not the number meant: C10H15N.2HBr) gives
 * NULL too, unless the call asks for the number anyway with a second
 * argument that is true: formix_molar_mass('C10H15N.2HBr', 1).  The first
 * four functions take that argument.  Every function is deterministic and innocuous, so
 * indexes on expressions may use them.  Nothing is ever written to
 * standard error: the toolkit has no notifier.
 *
 *   sqlite> .load /usr/lib/x86_64-linux-gnu/formix_sqlite
 *   sqlite> SELECT formix_molar_mass('CuSO4·5H2O');   -- 249.677 */
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <stdlib.h>

#include "formix.h"

/* The context shared by the connection's functions, freed with the last. */
struct shared {
  formix_context* context;
  int users;
};

static void release(void* p) {
  struct shared* s = p;
  if (--s->users == 0) {
    formix_context_free(s->context);
    free(s);
  }
}

/* Whether the call asks for a flagged reading's number: a second argument
 * that is true (a non-zero number). */
static int accepts_warnings(int argc, sqlite3_value** argv) {
  return argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL && sqlite3_value_int(argv[1]) != 0;
}

/* The reading of argument 0, or NULL (the result then set: NULL for a
 * value that is no text, for a reading with a warning unless the call
 * accepts them, an error when memory runs out). */
static formix_reading* reading_of(sqlite3_context* call, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    sqlite3_result_null(call);
    return NULL;
  }
  const struct shared* s = sqlite3_user_data(call);
  const unsigned char* text = sqlite3_value_text(argv[0]);
  const int length = sqlite3_value_bytes(argv[0]);
  if (text == NULL) {
    sqlite3_result_error_nomem(call);
    return NULL;
  }
  formix_reading* r = formix_read(s->context, (const char*)text, (size_t)length);
  if (r == NULL) {
    sqlite3_result_error_nomem(call);
  } else if (argc > 0 && !accepts_warnings(argc, argv) && formix_reading_worst(r) >= FORMIX_WARNING) {
    sqlite3_result_null(call);
    formix_reading_free(r);
    return NULL;
  }
  return r;
}

static void molar_mass(sqlite3_context* call, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    sqlite3_result_null(call);
    return;
  }
  const struct shared* s = sqlite3_user_data(call);
  const char* text = (const char*)sqlite3_value_text(argv[0]);
  const size_t length = (size_t)sqlite3_value_bytes(argv[0]);
  if (text == NULL) {
    sqlite3_result_error_nomem(call);
    return;
  }
  /* The batch call for one: the reading's number without the reading
   * object where the reader has nothing to say (NaN: an error). */
  double mass = 0.0;
  int worst = -1;
  formix_molar_masses(s->context, &text, &length, 1, &mass, &worst);
  if (mass == mass && (worst < FORMIX_WARNING || accepts_warnings(argc, argv))) {
    sqlite3_result_double(call, mass);
  } else {
    sqlite3_result_null(call);
  }
}

static void monoisotopic_mass(sqlite3_context* call, int argc, sqlite3_value** argv) {
  formix_reading* r = reading_of(call, argc, argv);
  if (r == NULL) return;
  const struct shared* s = sqlite3_user_data(call);
  const double mass = formix_monoisotopic_mass(s->context, r);
  if (mass == mass) {
    sqlite3_result_double(call, mass);
  } else {
    sqlite3_result_null(call);
  }
  formix_reading_free(r);
}

static void hill(sqlite3_context* call, int argc, sqlite3_value** argv) {
  formix_reading* r = reading_of(call, argc, argv);
  if (r == NULL) return;
  if (formix_reading_has_value(r)) {
    sqlite3_result_text(call, formix_reading_hill(r), -1, SQLITE_TRANSIENT);
  } else {
    sqlite3_result_null(call);
  }
  formix_reading_free(r);
}

static void charge(sqlite3_context* call, int argc, sqlite3_value** argv) {
  formix_reading* r = reading_of(call, argc, argv);
  if (r == NULL) return;
  if (formix_reading_has_value(r)) {
    sqlite3_result_int(call, formix_reading_charge(r));
  } else {
    sqlite3_result_null(call);
  }
  formix_reading_free(r);
}

static void reading(sqlite3_context* call, int argc, sqlite3_value** argv) {
  (void)argc;
  formix_reading* r = reading_of(call, 0, argv); /* every reading: it says why */
  if (r == NULL) return;
  const char* json = formix_reading_json(r, FORMIX_JSON_ELEMENTS);
  if (json == NULL) {
    sqlite3_result_error_nomem(call);
  } else {
    sqlite3_result_text(call, json, -1, SQLITE_TRANSIENT);
  }
  formix_reading_free(r);
}

#ifdef _WIN32
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
    int sqlite3_formixsqlite_init(sqlite3* db, char** error, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  static const struct {
    const char* name;
    int arguments;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
  } functions[] = {{"formix_molar_mass", 1, molar_mass},
                   {"formix_molar_mass", 2, molar_mass},
                   {"formix_monoisotopic_mass", 1, monoisotopic_mass},
                   {"formix_monoisotopic_mass", 2, monoisotopic_mass},
                   {"formix_hill", 1, hill},
                   {"formix_hill", 2, hill},
                   {"formix_charge", 1, charge},
                   {"formix_charge", 2, charge},
                   {"formix_reading", 1, reading}};
  int status = FORMIX_OK;
  struct shared* s = malloc(sizeof *s);
  if (s == NULL) return SQLITE_NOMEM;
  s->context = formix_context_new(NULL, NULL, NULL, &status);
  if (s->context == NULL) {
    *error = sqlite3_mprintf("formix: the data files: %s", formix_status_text(status));
    free(s);
    return SQLITE_ERROR;
  }
  s->users = 1; /* this function's, released at the end */
  int rc = SQLITE_OK;
  for (size_t i = 0; i < sizeof functions / sizeof functions[0] && rc == SQLITE_OK; ++i) {
    ++s->users;
    rc = sqlite3_create_function_v2(db, functions[i].name, functions[i].arguments,
                                    SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, s,
                                    functions[i].function, NULL, NULL, release);
  }
  release(s);
  return rc;
}
