/* formix_sqlite.c -- formix in SQLite: a loadable extension with the
 * functions
 *
 *   formix_molar_mass(text)        REAL, g/mol (of an ion, electrons counted)
 *   formix_monoisotopic_mass(text) REAL, u
 *   formix_hill(text)              TEXT, the Hill formula (charge appended)
 *   formix_charge(text)            INTEGER
 *   formix_reading(text)           TEXT, the reading as the toolkit's JSON
 *
 * and the table-valued function formix_find(mz, adduct, ppm, elements,
 * limit): one row a candidate of a found m/z (rank, formula, mz_calc,
 * ppm_error, dbe, error), for a join over a feature table (docs/sql.md).
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

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "../find_ion.h"
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

/* formix_find: an eponymous virtual table whose hidden columns are the
 * arguments.  A search that cannot be made is one row with its error; a
 * NULL m/z gives no row. */
enum { kRank, kFormula, kMzCalc, kPpmError, kDbe, kError, kMz, kAdduct, kPpm, kElements, kLimit };

struct find_table {
  sqlite3_vtab base;
  struct shared* shared;
};
struct find_cursor {
  sqlite3_vtab_cursor base;
  formix_find* found;
  char* error; /* sqlite3_malloc'd */
  sqlite3_int64 row, rows;
};

static int find_connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
                        char** error) {
  (void)argc;
  (void)argv;
  (void)error;
  int rc = sqlite3_declare_vtab(
      db,
      "CREATE TABLE x(rank INTEGER, formula TEXT, mz_calc REAL, ppm_error REAL, dbe REAL, "
      "error TEXT, mz HIDDEN, adduct HIDDEN, ppm HIDDEN, elements HIDDEN, "
      "\"limit\" HIDDEN)");
  if (rc != SQLITE_OK) return rc;
  struct find_table* t = sqlite3_malloc(sizeof *t);
  if (t == NULL) return SQLITE_NOMEM;
  memset(t, 0, sizeof *t);
  t->shared = aux;
  sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
  *out = &t->base;
  return SQLITE_OK;
}

static int find_disconnect(sqlite3_vtab* vtab) {
  sqlite3_free(vtab);
  return SQLITE_OK;
}

/* The arguments given by equality on the hidden columns, in their order;
 * the m/z is needed. */
static int find_best_index(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  (void)vtab;
  int where[5] = {-1, -1, -1, -1, -1};
  for (int i = 0; i < info->nConstraint; ++i) {
    const struct sqlite3_index_constraint* c = &info->aConstraint[i];
    if (c->iColumn < kMz || c->op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
    if (!c->usable) return SQLITE_CONSTRAINT;
    where[c->iColumn - kMz] = i;
  }
  if (where[0] < 0) return SQLITE_CONSTRAINT;
  int mask = 0, next = 1;
  for (int k = 0; k < 5; ++k) {
    if (where[k] < 0) continue;
    mask |= 1 << k;
    info->aConstraintUsage[where[k]].argvIndex = next++;
    info->aConstraintUsage[where[k]].omit = 1;
  }
  info->idxNum = mask;
  info->estimatedCost = 1000;
  info->estimatedRows = 5;
  return SQLITE_OK;
}

static int find_open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
  (void)vtab;
  struct find_cursor* c = sqlite3_malloc(sizeof *c);
  if (c == NULL) return SQLITE_NOMEM;
  memset(c, 0, sizeof *c);
  *out = &c->base;
  return SQLITE_OK;
}

static void find_reset(struct find_cursor* c) {
  formix_find_free(c->found);
  sqlite3_free(c->error);
  c->found = NULL;
  c->error = NULL;
  c->row = c->rows = 0;
}

static int find_close(sqlite3_vtab_cursor* cursor) {
  find_reset((struct find_cursor*)cursor);
  sqlite3_free(cursor);
  return SQLITE_OK;
}

static int find_filter(sqlite3_vtab_cursor* cursor, int mask, const char* unused, int argc,
                       sqlite3_value** argv) {
  (void)unused;
  struct find_cursor* c = (struct find_cursor*)cursor;
  const struct find_table* t = (const struct find_table*)cursor->pVtab;
  find_reset(c);
  sqlite3_value* args[5] = {NULL, NULL, NULL, NULL, NULL};
  for (int k = 0, i = 0; k < 5 && i < argc; ++k) {
    if (mask & (1 << k)) args[k] = argv[i++];
  }
  if (args[0] == NULL || sqlite3_value_type(args[0]) == SQLITE_NULL) return SQLITE_OK; /* no m/z: no row */
  const double mz = sqlite3_value_double(args[0]);
  const char* ion = args[1] != NULL ? (const char*)sqlite3_value_text(args[1]) : NULL;
  const double ppm =
      args[2] != NULL && sqlite3_value_type(args[2]) != SQLITE_NULL ? sqlite3_value_double(args[2]) : NAN;
  const char* elements = args[3] != NULL ? (const char*)sqlite3_value_text(args[3]) : NULL;
  const sqlite3_int64 limit =
      args[4] != NULL && sqlite3_value_type(args[4]) != SQLITE_NULL ? sqlite3_value_int64(args[4]) : 5;
  int charge = 0;
  const char* adduct = NULL;
  const char* why = FindIon(ion, &adduct, &charge);
  if (why == NULL && !(limit >= 1 && limit <= 1000)) why = "the limit must be a whole number from 1 to 1000";
  if (why == NULL) {
    c->found = formix_find_formulas(t->shared->context, mz, adduct, charge, ppm, NAN, elements, NULL, NAN,
                                    NAN, NAN, (size_t)limit, 0, NULL);
    if (c->found == NULL) return SQLITE_NOMEM;
    if (formix_find_error(c->found)[0] != '\0') why = formix_find_error(c->found);
  }
  if (why != NULL) {
    c->error = sqlite3_mprintf("%s", why);
    if (c->error == NULL) return SQLITE_NOMEM;
    c->rows = 1;
  } else {
    c->rows = (sqlite3_int64)formix_find_count(c->found);
  }
  return SQLITE_OK;
}

static int find_next(sqlite3_vtab_cursor* cursor) {
  ++((struct find_cursor*)cursor)->row;
  return SQLITE_OK;
}

static int find_eof(sqlite3_vtab_cursor* cursor) {
  const struct find_cursor* c = (const struct find_cursor*)cursor;
  return c->row >= c->rows;
}

static int find_column(sqlite3_vtab_cursor* cursor, sqlite3_context* call, int column) {
  const struct find_cursor* c = (const struct find_cursor*)cursor;
  const size_t i = (size_t)c->row;
  if (c->error != NULL) {
    if (column == kError) {
      sqlite3_result_text(call, c->error, -1, SQLITE_TRANSIENT);
    } else {
      sqlite3_result_null(call);
    }
    return SQLITE_OK;
  }
  switch (column) {
    case kRank:
      sqlite3_result_int64(call, c->row + 1);
      break;
    case kFormula:
      sqlite3_result_text(call, formix_find_hill(c->found, i), -1, SQLITE_TRANSIENT);
      break;
    case kMzCalc:
      sqlite3_result_double(call, formix_find_mz(c->found, i));
      break;
    case kPpmError:
      sqlite3_result_double(call, formix_find_ppm(c->found, i));
      break;
    case kDbe: {
      const double dbe = formix_find_dbe(c->found, i);
      if (dbe != dbe) {
        sqlite3_result_null(call);
      } else {
        sqlite3_result_double(call, dbe);
      }
      break;
    }
    default:
      sqlite3_result_null(call);
  }
  return SQLITE_OK;
}

static int find_rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
  *rowid = ((const struct find_cursor*)cursor)->row;
  return SQLITE_OK;
}

static const sqlite3_module find_module = {
    .iVersion = 0,
    .xConnect = find_connect,
    .xBestIndex = find_best_index,
    .xDisconnect = find_disconnect,
    .xOpen = find_open,
    .xClose = find_close,
    .xFilter = find_filter,
    .xNext = find_next,
    .xEof = find_eof,
    .xColumn = find_column,
    .xRowid = find_rowid,
};

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
  if (rc == SQLITE_OK) {
    ++s->users;
    rc = sqlite3_create_module_v2(db, "formix_find", &find_module, s, release);
  }
  release(s);
  return rc;
}
