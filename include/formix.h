/* formix.h -- the formix toolkit: formulas as chemists write them, read
 * with a report of everything that was done to them.
 *
 * The toolkit stands on the formix32 engine and gives the same numbers for
 * a formula written in the engine's own notation, bit for bit.  It adds
 * what people need on top:
 *   - UTF-8 text in and out;
 *   - a reading layer that rewrites unambiguous notations (middle dots,
 *     subscript digits, typographic spaces and dashes, fractions used as
 *     multipliers), takes charges off the formula (SO4^2-, SO4²⁻, NH4+,
 *     [Fe(CN)6]3-) and reports, with their byte position, everything the
 *     engine would pass over or could have misread;
 *   - no module-wide state: everything lives in a context (its data files)
 *     and in the reading of one formula.  A context is read-only once
 *     made, so any number of threads may read formulas through one context
 *     at once; each reading belongs to its caller.
 *
 * The formix32 library (formix32.h) is untouched by any of this.
 *
 * Data files are those of formix32 ("mass.elt", "mass.gps") and the list of
 * element symbols that are also common abbreviations ("abbrev.txt"), each
 * found as formix32 finds its files: the path as given, then in
 * $FORMIX32_DATA_DIR, then in ../share/formix32 beside the library.
 *
 * No function here throws, aborts or keeps a pointer to its arguments.
 */
#ifndef FORMIX_H
#define FORMIX_H

#include <stddef.h>

#include "formix_limits.h" /* the capacities, shared with formix32 */

#define FORMIX_VERSION_MAJOR 0
#define FORMIX_VERSION_MINOR 1
#define FORMIX_VERSION_PATCH 0

#if defined(_WIN32)
#  if defined(FORMIX_BUILDING)
#    define FORMIX_API __declspec(dllexport)
#  elif defined(FORMIX_STATIC)
#    define FORMIX_API
#  else
#    define FORMIX_API __declspec(dllimport)
#  endif
#else
#  if defined(FORMIX_BUILDING) && defined(__GNUC__)
#    define FORMIX_API __attribute__((visibility("default")))
#  else
#    define FORMIX_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Contexts ----------------------------------------------------------- */

typedef struct formix_context formix_context;

/* Outcomes of formix_context_new. */
enum formix_status {
  FORMIX_OK = 0,
  FORMIX_MASSES_NOT_FOUND = 1,   /* the mass file was found nowhere */
  FORMIX_GROUPS_NOT_FOUND = 2,   /* a group file named explicitly was found nowhere */
  FORMIX_PATH_TOO_LONG = 3,      /* a path of more than FORMIX_MAX_PATH bytes */
  FORMIX_OUT_OF_MEMORY = 4,
  FORMIX_LISTS_NOT_FOUND = 5     /* a folder of lists named explicitly holds none of them */
};

/* A context over the mass file `masses` and the group file `groups` (UTF-8
 * paths, found as formix32 finds its files), and the toolkit's own lists
 * (abbreviations, solvents, isotopes, adducts, residues) in the folder
 * `lists`.  NULL for either file means the default file ("mass.elt",
 * "mass.gps"); a default group file found nowhere gives no groups, while a
 * group file named here must be found.  NULL for `lists` means the lists
 * installed beside the library (the data directory, $FORMIX32_DATA_DIR
 * first); a folder named here must hold at least one of them, and a list
 * it lacks is empty.  Returns NULL and sets *status (when status is not
 * NULL) on failure. */
FORMIX_API formix_context *formix_context_new(const char *masses, const char *groups, const char *lists,
                                              int *status);
FORMIX_API void formix_context_free(formix_context *context);

/* English text of a status code. */
FORMIX_API const char *formix_status_text(int status);

/* The files the context was read from, as opened; "" for no group file. */
FORMIX_API const char *formix_context_masses_file(const formix_context *context);
FORMIX_API const char *formix_context_groups_file(const formix_context *context);

/* The toolkit's own lists ("abbrev.txt", "adducts.txt", "isotopes.txt",
 * "solvents.txt"), one per index from 0: the path as opened, or "" when the
 * list was found nowhere, and its file name into *name (when not NULL);
 * NULL past the last.  They are looked for in $FORMIX32_DATA_DIR, then in
 * the installed data directory beside the library (../share/formix32),
 * never in the working directory: a file there changes nothing. */
FORMIX_API const char *formix_context_list_file(const formix_context *context, size_t index, const char **name);

/* What the context refused in its data files, one English line each
 * ("isotopes.txt:12: the mass 'nan' is no number ...: line not used"): a
 * refused line is not used, and a formula holding an element whose mass
 * is no positive number has no number.  0 when all is well. */
FORMIX_API size_t formix_context_problem_count(const formix_context *context);
FORMIX_API const char *formix_context_problem(const formix_context *context, size_t index);

/* The element table: count, and symbol (UTF-8) and atomic mass of entry
 * i, in file order.  NULL / NaN for an index out of range. */
FORMIX_API int formix_element_count(const formix_context *context);
FORMIX_API const char *formix_element_symbol(const formix_context *context, int index);
FORMIX_API double formix_element_mass(const formix_context *context, int index);

/* The group table: count, and name and formula (UTF-8) of entry i, in file
 * order.  NULL for an index out of range. */
FORMIX_API int formix_group_count(const formix_context *context);
FORMIX_API const char *formix_group_name(const formix_context *context, int index);
FORMIX_API const char *formix_group_formula(const formix_context *context, int index);

/* ---- Reading a formula -------------------------------------------------- */

enum formix_severity {
  FORMIX_NOTE = 0,     /* an unambiguous rewrite, said so */
  FORMIX_WARNING = 1,  /* a number, perhaps not the one meant */
  FORMIX_ERROR = 2     /* no trustworthy number */
};

/* One thing the reader has to say about a formula.  Strings are UTF-8 and
 * live as long as the reading. */
typedef struct formix_diagnostic {
  int severity;                /* enum formix_severity */
  size_t offset;               /* first byte concerned, in the text as given */
  size_t length;               /* bytes concerned (0 for the end of the text) */
  const char *code;            /* stable name of the kind, e.g. "ignored" */
  const char *symbol;          /* the element symbol concerned, or "" */
  const char *message;         /* plain English */
  const char *library_caption; /* formix32's own caption and text when the */
  const char *library_message; /* engine spoke, else "" */
  /* Where the text can be read another way than the reading used (a mass
   * number written as a coefficient, a '.' joining parts, an acronym): that
   * reading, as a formula the reader takes as meant, and its molar mass in
   * g/mol (NaN when it has none); "" and NaN for none. */
  const char *other;
  double other_molar_mass;
} formix_diagnostic;

/* One element of a formula. */
typedef struct formix_element_share {
  int index;           /* position in the element table */
  const char *symbol;  /* UTF-8 */
  double atoms;        /* atoms per formula unit (fractional where written so) */
  double mass;         /* mass contributed, g/mol */
  double percent;      /* mass share of the neutral formula, percent */
} formix_element_share;

typedef struct formix_reading formix_reading;

/* Reads the `length` bytes of UTF-8 at `text` (NUL bytes included: a NUL is
 * an error of the formula, not its end) and calculates.  NULL only when
 * memory runs out or context is NULL. */
FORMIX_API formix_reading *formix_read(const formix_context *context, const char *text,
                                       size_t length);
FORMIX_API void formix_reading_free(formix_reading *reading);

/* 1 when the reading has a number (no error), else 0. */
FORMIX_API int formix_reading_has_value(const formix_reading *reading);

/* The molar mass in g/mol: of the ion when the formula carries a charge
 * (the electrons' mass taken off, or added for an anion), NaN when the
 * reading has no number. */
FORMIX_API double formix_reading_molar_mass(const formix_reading *reading);

/* The charge read off the formula (0 for a neutral species). */
FORMIX_API int formix_reading_charge(const formix_reading *reading);

/* The formula as handed to the engine, in its notation (UTF-8; rewritten,
 * charge taken off). */
FORMIX_API const char *formix_reading_text(const formix_reading *reading);

/* The Hill formula (C first, then H, then the other symbols alphabetically;
 * with no carbon, all alphabetically; a count of 1 not written; the charge
 * appended as ^2-), and the empirical formula (the same with whole counts
 * divided by their greatest common divisor, no charge; "" when a count is
 * not whole).  Both "" when the reading has no number. */
FORMIX_API const char *formix_reading_hill(const formix_reading *reading);
FORMIX_API const char *formix_reading_empirical(const formix_reading *reading);

/* The worst severity among the diagnostics, or -1 when there is none. */
FORMIX_API int formix_reading_worst(const formix_reading *reading);

FORMIX_API size_t formix_reading_diagnostic_count(const formix_reading *reading);
FORMIX_API const formix_diagnostic *formix_reading_diagnostic(const formix_reading *reading,
                                                              size_t index);

/* The elements present (atoms other than 0), in element-table order. */
FORMIX_API size_t formix_reading_element_count(const formix_reading *reading);
FORMIX_API const formix_element_share *formix_reading_element(const formix_reading *reading,
                                                              size_t index);
/* The same elements in Hill order: C, H, then by symbol (all by symbol
 * without carbon), as tables of a composition list them. */
FORMIX_API const formix_element_share *formix_reading_element_in_hill_order(const formix_reading *reading,
                                                                            size_t index);

/* The molar mass of the NUL-terminated UTF-8 `text` when it is a plain
 * formula the reader has nothing to say about (ASCII symbols of the table
 * and group names, whole subscripts, brackets, '*' parts: no diagnostic,
 * not even a note, no charge), or NaN for any other text: read it then
 * with formix_read (NaN does not say the reader will speak: `2H2O` is
 * quiet but no plain formula).  The same number as
 * formix_reading_molar_mass, at a fraction of the cost, for the formulas
 * most often met; a text it refuses costs little, and is read in full
 * once, by formix_read. */
FORMIX_API double formix_quiet_molar_mass(const formix_context *context, const char *text);

/* The composition of the NUL-terminated UTF-8 `text` when the reader has
 * nothing to say about the formula, in one call: atoms, mass and percent
 * of each element in turn into `values` (room for `capacity` doubles), the
 * symbols separated by single spaces into `symbols` (room for
 * `symbols_size` bytes).  Returns the number of elements, or -1 when the
 * reader has something to say or the room is too small: read it then with
 * formix_read. */
FORMIX_API long formix_quiet_composition(const formix_context *context, const char *text, double *values,
                                         size_t capacity, char *symbols, size_t symbols_size);

/* Molar masses of `count` formulas at once (UTF-8; lengths[i] bytes at
 * texts[i], or NUL-terminated when lengths is NULL): masses[i] receives
 * what formix_reading_molar_mass would give (NaN for a formula with an
 * error), worst[i] (when worst is not NULL) the worst severity of its
 * diagnostics (-1 for none).  Returns how many have a number. */
FORMIX_API size_t formix_molar_masses(const formix_context *context, const char *const *texts,
                                      const size_t *lengths, size_t count, double *masses, int *worst);

/* formix_molar_masses over `count` NUL-terminated formulas stored one
 * after another in `block` ("H2O\0NaCl\0..."): for callers that hold many
 * formulas as one piece of memory. */
FORMIX_API size_t formix_molar_masses_block(const formix_context *context, const char *block, size_t count,
                                            double *masses, int *worst);

/* ---- Elemental analysis ------------------------------------------------- */

typedef struct formix_analysis formix_analysis;

/* The elemental analysis of the compound `reading` (read over `context`):
 *   elements:  "C,H,N" (symbols separated by commas or spaces), or NULL /
 *              "" for C, H, N and S as far as the compound holds them (the
 *              found values' elements when found values are given);
 *   found:     "C=73.21,H=7.75,N=4.22", or NULL / "";
 *   tolerance: in absolute percent; NaN for FORMIX_DEFAULT_TOLERANCE;
 *   solvents:  0, or 1 or 2: also fit the compound with that many solvents
 *              at once (amounts 0.05 to 2 per formula unit in steps of
 *              0.05) from the solvent list "solvents.txt".
 * Percentages are those of the neutral formula.  NULL only when memory
 * runs out; a request that cannot be calculated (an unknown element, a
 * found value that is no percentage, a reading without a number) gives an
 * analysis whose error is not "". */
FORMIX_API formix_analysis *formix_elemental_analysis(const formix_context *context, const formix_reading *reading,
                                           const char *elements, const char *found, double tolerance,
                                           int solvents);
FORMIX_API void formix_analysis_free(formix_analysis *analysis);

/* Why the analysis could not be made, or "". */
FORMIX_API const char *formix_analysis_error(const formix_analysis *analysis);

/* The elements analysed (Hill order), their calculated percentages and the
 * found ones (NaN where none was given). */
FORMIX_API size_t formix_analysis_element_count(const formix_analysis *analysis);
FORMIX_API const char *formix_analysis_element(const formix_analysis *analysis, size_t index);
FORMIX_API double formix_analysis_calcd(const formix_analysis *analysis, size_t index);
FORMIX_API double formix_analysis_found(const formix_analysis *analysis, size_t index);

/* The tolerance the analysis used, absolute percent. */
FORMIX_API double formix_analysis_tolerance(const formix_analysis *analysis);

/* 1 when every found value is within the tolerance of the calculated one
 * (or none was given), else 0. */
FORMIX_API int formix_analysis_within(const formix_analysis *analysis);

/* The journal's lines: "Anal. Calcd for C20H25NO3: C, 73.37; H, 7.70; N,
 * 4.28." and "Found: C, 73.21; H, 7.75; N, 4.22." ("" without found
 * values).  Percentages to two decimals. */
FORMIX_API const char *formix_analysis_calcd_line(const formix_analysis *analysis);
FORMIX_API const char *formix_analysis_found_line(const formix_analysis *analysis);

/* Solvate fits within the tolerance, best (smallest largest deviation)
 * first, at most 10: the label (C20H25NO3·0.25H2O), the largest deviation,
 * the calculated percentage of each analysed element, the Calcd line. */
FORMIX_API size_t formix_analysis_fit_count(const formix_analysis *analysis);
FORMIX_API const char *formix_analysis_fit_label(const formix_analysis *analysis, size_t fit);
FORMIX_API double formix_analysis_fit_worst(const formix_analysis *analysis, size_t fit);
FORMIX_API double formix_analysis_fit_calcd(const formix_analysis *analysis, size_t fit, size_t index);
FORMIX_API const char *formix_analysis_fit_line(const formix_analysis *analysis, size_t fit);

/* ---- Formulas from found values ----------------------------------------- */

typedef struct formix_ratios formix_ratios;

/* Atom ratios and candidate formulas from an elemental analysis: `count`
 * species (element symbols or formulas, UTF-8) with their percentages or
 * mass fractions; by_difference: a species whose share is the rest to
 * 100 % (NULL for none); total_mass > 0: scale the ratios to a formula unit
 * of that molar mass; else reference (a species, or NULL) with
 * reference_count atoms, else the smallest ratio is 1.  tolerance: percent,
 * for the check of the sum (NaN: FORMIX_DEFAULT_TOLERANCE).  A species that does not read without doubt
 * (lowercase, unknown) is an error, never NaN.  NULL only when memory runs
 * out. */
FORMIX_API formix_ratios *formix_atom_ratios(const formix_context *context, const char *const *species,
                                              const double *fractions, size_t count, const char *by_difference,
                                              double total_mass, const char *reference, double reference_count,
                                              double tolerance);
FORMIX_API void formix_ratios_free(formix_ratios *ratios);
FORMIX_API const char *formix_ratios_error(const formix_ratios *ratios);
/* Warnings: a sum over 100 % plus the tolerance, or under 95 % with no
 * species by difference. */
FORMIX_API size_t formix_ratios_warning_count(const formix_ratios *ratios);
FORMIX_API const char *formix_ratios_warning(const formix_ratios *ratios, size_t index);
/* The species (the one by difference last), their fractions and ratios,
 * and the nearest formula with small whole numbers (the smallest multiplier
 * up to 12 that brings every ratio within 0.1 of a whole number). */
FORMIX_API size_t formix_ratios_count(const formix_ratios *ratios);
FORMIX_API const char *formix_ratios_species(const formix_ratios *ratios, size_t index);
FORMIX_API double formix_ratios_fraction(const formix_ratios *ratios, size_t index);
FORMIX_API double formix_ratios_ratio(const formix_ratios *ratios, size_t index);
FORMIX_API long formix_ratios_whole(const formix_ratios *ratios, size_t index);
FORMIX_API int formix_ratios_multiplier(const formix_ratios *ratios);
FORMIX_API const char *formix_ratios_nearest(const formix_ratios *ratios);
/* Candidate formulas, best (smallest largest deviation of their Calcd
 * values from the found ones) first, at most 5. */
FORMIX_API size_t formix_ratios_candidate_count(const formix_ratios *ratios);
FORMIX_API const char *formix_ratios_candidate(const formix_ratios *ratios, size_t k);
FORMIX_API double formix_ratios_candidate_worst(const formix_ratios *ratios, size_t k);
FORMIX_API double formix_ratios_candidate_mass(const formix_ratios *ratios, size_t k);
FORMIX_API const char *formix_ratios_candidate_line(const formix_ratios *ratios, size_t k);

/* ---- Exact masses -------------------------------------------------------- */

typedef struct formix_exact formix_exact;

/* Exact masses of a reading from the natural isotopes ("isotopes.txt":
 * AME2020 masses, IUPAC 2009 abundances): the monoisotopic mass (each
 * element's most abundant isotope; of an ion, its electrons counted), the
 * nominal mass, and for an ion its m/z; for a neutral formula the m/z of
 * its adduct ions ("adducts.txt"), all of them or those named in `adducts`
 * (names separated by commas, such as "[M+H]+,[M+Na]+").  NULL only when
 * memory runs out; a formula without a number or with an element that has
 * no isotope data gives an error. */
FORMIX_API formix_exact *formix_exact_masses(const formix_context *context, const formix_reading *reading,
                                   const char *adducts);
FORMIX_API void formix_exact_free(formix_exact *exact);
/* The monoisotopic mass (u) of a reading (an ion: electrons counted),
 * without the work of the adduct ions; NaN where formix_exact_masses gives
 * an error. */
FORMIX_API double formix_monoisotopic_mass(const formix_context *context, const formix_reading *reading);
FORMIX_API const char *formix_exact_error(const formix_exact *exact);
FORMIX_API double formix_exact_monoisotopic(const formix_exact *exact); /* u */
FORMIX_API double formix_exact_nominal(const formix_exact *exact);
FORMIX_API int formix_exact_charge(const formix_exact *exact);
FORMIX_API double formix_exact_mz(const formix_exact *exact); /* an ion's m/z, else 0 */
/* The adduct ions: name, the ion's Hill formula (no charge), charge, m/z,
 * and whether it can exist (it does not remove atoms M lacks). */
FORMIX_API size_t formix_exact_ion_count(const formix_exact *exact);
FORMIX_API const char *formix_exact_ion_name(const formix_exact *exact, size_t index);
FORMIX_API const char *formix_exact_ion_formula(const formix_exact *exact, size_t index);
FORMIX_API int formix_exact_ion_charge(const formix_exact *exact, size_t index);
FORMIX_API double formix_exact_ion_mz(const formix_exact *exact, size_t index);
FORMIX_API int formix_exact_ion_possible(const formix_exact *exact, size_t index);
/* The journal's line for ion `index` and a found m/z: "HRMS (ESI) m/z:
 * [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911."  The text lives
 * until the next call of this function on the same object. */
FORMIX_API const char *formix_exact_hrms_line(formix_exact *exact, size_t index, double found, const char *source);
/* Compares a found m/z (`ppm`: the window, NaN for FORMIX_DEFAULT_PPM;
 * `source`: the ionization for the HRMS line, NULL for "ESI") with the ion
 * and the possible adduct ions; 1 when one is within the window.  Then:
 * the error of the ion itself and of each adduct ion, (found - m/z) / m/z
 * in ppm and found - m/z in mDa (NaN before a comparison, and for the ion
 * itself of a neutral formula), whether each adduct ion is within the
 * window (one that cannot exist never is), the closest adduct ion within
 * the window (-1: none) and its HRMS line ("" for none). */
FORMIX_API int formix_exact_compare(formix_exact *exact, double found, double ppm, const char *source);
FORMIX_API double formix_exact_error_ppm(const formix_exact *exact);
FORMIX_API double formix_exact_error_mda(const formix_exact *exact);
FORMIX_API double formix_exact_ion_error_ppm(const formix_exact *exact, size_t index);
FORMIX_API double formix_exact_ion_error_mda(const formix_exact *exact, size_t index);
FORMIX_API int formix_exact_ion_within(const formix_exact *exact, size_t index);
FORMIX_API int formix_exact_best(const formix_exact *exact);
FORMIX_API const char *formix_exact_hrms(const formix_exact *exact);

/* ---- Formulas from an accurate mass --------------------------------------- */

typedef struct formix_find formix_find;

/* The ranges searched unless others are given (organic work), and the
 * candidates listed unless another limit is given. */
#define FORMIX_DEFAULT_FIND_ELEMENTS "C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5Br0-3I0-3"
#define FORMIX_DEFAULT_FIND_LIMIT 100
/* Flags: list every formula in the window (no chemical rules); the
 * candidate is an odd-electron ion (EI); keep the candidates a rule
 * removed, naming the rule; the m/z is a formula's, calculated, not a
 * found one (no HRMS line: nothing was found). */
#define FORMIX_FIND_NO_RULES 1
#define FORMIX_FIND_RADICAL 2
#define FORMIX_FIND_EXPLAIN 4
#define FORMIX_FIND_CALCULATED 8
/* The element-ratio limits of the rules: the Seven Golden Rules' common
 * ranges, or none, instead of their extended ranges (docs/find.md). */
#define FORMIX_FIND_COMMON_RATIOS 16
#define FORMIX_FIND_NO_RATIOS 32
/* Rules off by default: the element counts by mass range, as limited by
 * the Dictionary of Natural Products or by the Wiley library (one of the
 * two), and the HNOPS probability check (docs/find.md). */
#define FORMIX_FIND_DNP_LIMITS 64
#define FORMIX_FIND_WILEY_LIMITS 128
#define FORMIX_FIND_HNOPS 256

/* Every formula whose monoisotopic m/z lies within a tolerance of a found
 * `mz`, within element ranges (`elements`: "C0-60H0-120N0-10O0-20S0-4",
 * NULL for FORMIX_DEFAULT_FIND_ELEMENTS; a label such as [13C] or D, any
 * element of isotopes.txt), held to the chemical rules (DBE and its parity
 * with the nitrogen rule, LEWIS and SENIOR, the Seven Golden Rules' element
 * ratios, and those the flags add) unless FORMIX_FIND_NO_RULES.  `adduct`: an adduct ion of
 * adducts.txt ("[M+H]+": the candidates are the neutral M), or `charge`
 * (-100 to 100, not 0: the candidates are the ion itself; a text read by
 * formix_read_charge), or neither (NULL or "", 0) for a neutral
 * monoisotopic mass.  The tolerance is `mda` milli-u when that is
 * not NaN, else `ppm` (NaN: FORMIX_DEFAULT_PPM) of the calculated m/z.
 * With found isotope `peaks` ("328.1911:100,329.1944:22.6"; NULL: none),
 * each candidate's pattern (at `resolving_power`, NaN: the default) is
 * scored against them, as a likelihood under the error models of the found
 * peaks: `intensity_error`, the error of an intensity in percent of it (one
 * sigma, NaN: FORMIX_DEFAULT_INTENSITY_ERROR), and `mass_error`, that of a peak's
 * m/z in ppm (one sigma, NaN: the tolerance / 2.5); the candidates are
 * ranked by it (docs/find.md), else by error.  At most `limit` candidates are listed (0: the default); the
 * search takes bounded time and memory, and says when its list may be
 * incomplete.  `source` names the ionization for the HRMS line (NULL:
 * "ESI").  NULL only when memory runs out. */
FORMIX_API formix_find *formix_find_formulas(const formix_context *context, double mz, const char *adduct, int charge,
                                             double ppm, double mda, const char *elements, const char *peaks,
                                             double resolving_power, double intensity_error, double mass_error,
                                             size_t limit, int flags, const char *source);
FORMIX_API void formix_find_free(formix_find *find);
/* The role of a feature table's column by its name (case, blanks and
 * quotes aside): FORMIX_COLUMN_MZ for "mz", "m/z", "mzmed", "row m/z";
 * ADDUCT, CHARGE, PPM, PEAKS for those names; 0 for any other column
 * (carried as it is).  The tool's find --table and Python's find_table. */
#define FORMIX_COLUMN_MZ 1
#define FORMIX_COLUMN_ADDUCT 2
#define FORMIX_COLUMN_CHARGE 3
#define FORMIX_COLUMN_PPM 4
#define FORMIX_COLUMN_PEAKS 5
FORMIX_API int formix_feature_column(const char *name);
FORMIX_API const char *formix_find_error(const formix_find *find); /* "" when fine */
/* Candidates within the window, those the rules kept, those beyond the
 * limit, and whether the search finished (else `warning` says so). */
FORMIX_API size_t formix_find_within(const formix_find *find);
FORMIX_API size_t formix_find_passed(const formix_find *find);
FORMIX_API size_t formix_find_unlisted(const formix_find *find);
FORMIX_API int formix_find_complete(const formix_find *find);
FORMIX_API const char *formix_find_warning(const formix_find *find);
/* How the element ranges were read when they were a list of symbols
 * ("CHNO": each within its default range), else "". */
FORMIX_API const char *formix_find_note(const formix_find *find);
/* The journal's line of the formula chosen ("" for none): a line names a
 * formula someone chose, never rank 1 of many.  After the search it is
 * the line of the only candidate the rules keep; formix_find_choose
 * chooses another: the user's own `formula` (the neutral M with an
 * adduct, the ion without its charge with a charge; read with nothing to
 * warn about, listed or not), or else candidate `pick` (1-based).  It
 * returns why there is no line ("" when there is one), valid until the
 * next call on `find`.  formix_find_given: 1 + the index of the listed
 * candidate that is the formula chosen (0: none). */
FORMIX_API const char *formix_find_hrms(const formix_find *find);
FORMIX_API const char *formix_find_choose(formix_find *find, const formix_context *context, const char *formula,
                                          size_t pick);
FORMIX_API size_t formix_find_given(const formix_find *find);
/* The line each listed candidate would have, were it chosen ("" for a
 * neutral mass, and past the first 1000). */
FORMIX_API const char *formix_find_candidate_hrms(const formix_find *find, size_t index);
/* The candidates listed: the formula in the ranges' order and in Hill
 * order (an ion's with its charge), its monoisotopic mass (u), the m/z
 * searched for, the error (found - m/z) / m/z in ppm and in mDa, the DBE (NaN
 * for a formula with an element of no valence, such as a metal),
 * the rule that removed it ("" when none: FORMIX_FIND_EXPLAIN lists those
 * too) and the score against the peaks (0 to 100; -1 without peaks). */
FORMIX_API size_t formix_find_count(const formix_find *find);
FORMIX_API const char *formix_find_formula(const formix_find *find, size_t index);
FORMIX_API const char *formix_find_hill(const formix_find *find, size_t index);
FORMIX_API double formix_find_monoisotopic(const formix_find *find, size_t index);
FORMIX_API double formix_find_mz(const formix_find *find, size_t index);
FORMIX_API double formix_find_ppm(const formix_find *find, size_t index);
FORMIX_API double formix_find_mda(const formix_find *find, size_t index);
FORMIX_API double formix_find_dbe(const formix_find *find, size_t index);
FORMIX_API const char *formix_find_broken(const formix_find *find, size_t index);
FORMIX_API double formix_find_score(const formix_find *find, size_t index);
/* The whole result as JSON (or {"mz": ..., "error": ...}). */
FORMIX_API const char *formix_find_json(formix_find *find);

/* The DBE (rings plus double bonds) of a reading's formula at the elements'
 * lowest common valences; NaN where it has none (an element such as a
 * metal has no valence counted, or a count is not whole). */
FORMIX_API double formix_reading_dbe(const formix_reading *reading);

/* ---- Solutions and sequences ------------------------------------------- */

typedef struct formix_solution formix_solution;

/* A solution of `formula` (UTF-8, read as formix_read reads it; its molar
 * mass is used): exactly two of `conc`, `volume` and `mass` given, the
 * other NULL, and the third worked out.  Quantities are texts with units,
 * as people write them: "50 mM", "100 mL", "1.2484 g" (units: docs/solutions.md).
 * `purity`: "98 %" or a fraction "0.98" (NULL: pure); the mass to weigh is
 * the pure mass divided by it.  `density` ("1.18 g/mL", NULL: none): the
 * reagent is a liquid; the volume of it to measure is given, and `mass` may
 * be a volume of it.  `solvent`: NULL for water (named in the bench line).
 * NULL only when memory runs out; bad input gives an error, never a number. */
FORMIX_API formix_solution *formix_solution_new(const formix_context *context, const char *formula,
                                                const char *conc, const char *volume, const char *mass,
                                                const char *purity, const char *density, const char *solvent);

/* A dilution: the volume of `stock` that makes `volume` of `conc` (C1 V1 =
 * C2 V2), and the solvent added (volumes taken as additive).  `formula`
 * (NULL: none) is needed when the stock and the dilution are given in
 * concentrations of different kinds (mol/L and g/L); a stock in % w/w needs
 * its `density`.  A concentration above the stock's is an error. */
FORMIX_API formix_solution *formix_dilution(const formix_context *context, const char *formula, const char *stock,
                                            const char *conc, const char *volume, const char *density,
                                            const char *solvent);
FORMIX_API void formix_solution_free(formix_solution *solution);
FORMIX_API const char *formix_solution_error(const formix_solution *solution); /* "" when fine */
/* Base units: g, mol/L, L; NaN where not known or not asked (a dilution has
 * no mass; its concentrations in mol/L need the formula when given in g/L). */
FORMIX_API double formix_solution_mass(const formix_solution *solution);
FORMIX_API double formix_solution_conc(const formix_solution *solution);
FORMIX_API double formix_solution_volume(const formix_solution *solution);
FORMIX_API double formix_solution_stock_volume(const formix_solution *solution);
FORMIX_API double formix_solution_solvent_volume(const formix_solution *solution);
/* The bench line: "Dissolve 1.248 g of CuSO4·5H2O (249.68 g/mol) in water
 * to 100.0 mL (50.00 mM)." */
FORMIX_API const char *formix_solution_line(const formix_solution *solution);
/* What reading the quantities did that the reader should know (a decimal
 * comma read as a point), one note a line, each ending in a line break;
 * "" for none.  Valid until the next call on `solution`. */
FORMIX_API const char *formix_solution_notes(formix_solution *solution);
FORMIX_API const char *formix_solution_json(formix_solution *solution);

typedef struct formix_sequence formix_sequence;

#define FORMIX_SEQUENCE_ACETYL 1        /* N-acetyl (protein) */
#define FORMIX_SEQUENCE_AMIDE 2         /* C-amide (protein) */
#define FORMIX_SEQUENCE_5PHOSPHATE 4    /* 5'-phosphate (dna, rna) */

/* The formula and masses of a peptide or a single nucleic acid strand:
 * `kind` "protein", "dna" or "rna"; `sequence` one-letter codes,
 * three-letter codes (protein: Ala-Gly-Ser) or [bracketed] longer codes of
 * the context's residues.txt, with "H-"/"Ac-" and "-OH"/"-NH2" for a
 * peptide's termini and a leading "p" for a 5'-phosphate (docs/sequences.md);
 * `disulfides` bridges between cysteines.  With `charge` z != 0 the ion
 * [M+zH]z+ (z protons added; z < 0: removed), or with `adduct` (NULL: none)
 * an adduct ion of adducts.txt; not both.  NULL only when memory runs out;
 * an unknown code is an error at its position. */
FORMIX_API formix_sequence *formix_sequence_read(const formix_context *context, const char *kind,
                                                 const char *sequence, int flags, long disulfides, int charge,
                                                 const char *adduct);
FORMIX_API void formix_sequence_free(formix_sequence *sequence);
FORMIX_API const char *formix_sequence_error(const formix_sequence *sequence); /* "" when fine */
/* The byte offset and length in the sequence of the error (0, 0: none). */
FORMIX_API size_t formix_sequence_error_offset(const formix_sequence *sequence);
FORMIX_API size_t formix_sequence_error_length(const formix_sequence *sequence);
FORMIX_API const char *formix_sequence_formula(const formix_sequence *sequence); /* Hill */
/* The chain as read with its ends: "Ac-ACDE-NH2", "H-ACDE-OH", "5'-pACGT-3'";
 * several chains joined by "//". */
FORMIX_API const char *formix_sequence_text(const formix_sequence *sequence);
FORMIX_API size_t formix_sequence_residues(const formix_sequence *sequence);
FORMIX_API double formix_sequence_molar_mass(const formix_sequence *sequence);
FORMIX_API double formix_sequence_monoisotopic(const formix_sequence *sequence);
/* The ion asked for ("" and 0 without): its name, Hill formula and m/z. */
FORMIX_API const char *formix_sequence_ion(const formix_sequence *sequence);
FORMIX_API double formix_sequence_mz(const formix_sequence *sequence);
/* What the reading decided that the sequence does not say (a mass shift
 * read as the modification of the table it matches), one note a line, each
 * ending in a line break; "" for none.  Valid until the next call on
 * `sequence`. */
FORMIX_API const char *formix_sequence_notes(formix_sequence *sequence);
FORMIX_API const char *formix_sequence_json(formix_sequence *sequence);

/* ---- Isotope patterns ---------------------------------------------------- */

typedef struct formix_pattern formix_pattern;

/* The isotope pattern of a reading from the natural isotopes: the
 * isotopologues (fine structure resolved to a tenth of the peak width at
 * the resolving power; 1e-6 u at the finest), pruned below `threshold`
 * (relative abundance, 0 < threshold < 1; NaN: FORMIX_DEFAULT_THRESHOLD),
 * and the pattern centroided at `resolving_power` (m/Δm, FWHM; NaN:
 * FORMIX_DEFAULT_RESOLVING_POWER).  Intensities in percent of
 * the most intense peak; masses are m/z for an ion.  Any formula finishes
 * in bounded time and memory (at most 4000 peaks are kept at any step; the
 * probability dropped is reported); more than 10,000,000 atoms of one
 * element, or fractional counts, are an error. */
FORMIX_API formix_pattern *formix_isotope_pattern(const formix_context *context, const formix_reading *reading,
                                                  double threshold, double resolving_power);
FORMIX_API void formix_pattern_free(formix_pattern *pattern);
FORMIX_API const char *formix_pattern_error(const formix_pattern *pattern);
/* The threshold and the resolving power used (the defaults filled in). */
FORMIX_API double formix_pattern_threshold(const formix_pattern *pattern);
FORMIX_API double formix_pattern_resolving_power(const formix_pattern *pattern);
/* The total probability dropped by pruning: an upper bound of the error. */
FORMIX_API double formix_pattern_pruned(const formix_pattern *pattern);
/* Said when the pattern may be off by more than its digits show (the
 * probability dropped beyond 0.1 %), else "". */
FORMIX_API const char *formix_pattern_warning(const formix_pattern *pattern);
/* The m/z of the most abundant isotopologue. */
FORMIX_API double formix_pattern_most_abundant(const formix_pattern *pattern);
FORMIX_API size_t formix_pattern_fine_count(const formix_pattern *pattern);
FORMIX_API double formix_pattern_fine_mz(const formix_pattern *pattern, size_t index);
FORMIX_API double formix_pattern_fine_intensity(const formix_pattern *pattern, size_t index);
FORMIX_API size_t formix_pattern_peak_count(const formix_pattern *pattern);
FORMIX_API double formix_pattern_peak_mz(const formix_pattern *pattern, size_t index);
FORMIX_API double formix_pattern_peak_intensity(const formix_pattern *pattern, size_t index);

/* ---- Reactions ----------------------------------------------------------- */

typedef struct formix_reaction formix_reaction;

/* The masses of all participants of a balanced reaction (`count` UTF-8
 * formulas with their coefficients) from the mass of participant `known`,
 * as formix32's ChemEqu works them out, over the one context: masses[i] =
 * M(i) x (mass / M(known) / coefficients[known]) x coefficients[i], and
 * masses[known] = mass.  NaN where a formula has no number (every
 * other when the known one has no positive molar mass or coefficient).
 * Returns the worst severity of the formulas' readings (-1 for none), or
 * FORMIX_ERROR when `known` >= `count`. */
FORMIX_API int formix_reaction_masses(const formix_context *context, const char *const *formulas,
                                      const double *coefficients, size_t count, size_t known, double mass,
                                      double *masses);

/* Reads an equation: sides at "=", "->", "→" or "⇌" (between spaces, or
 * without spaces when the text holds no other '='), participants at '+'
 * (between spaces, or right before a digit, capital or bracket: a '+'
 * ending a species, as in NH4+, is its charge), a leading number or
 * fraction the coefficient.  balance: find the smallest whole coefficients
 * (exact rational arithmetic; an equation whose numbers outgrow 64 bits, or
 * with no balance or more than one, is an error).  check: an equation that
 * does not balance in every element and the charge is an error naming each
 * difference.  NULL only when memory runs out. */
FORMIX_API formix_reaction *formix_react(const formix_context *context, const char *equation, int balance,
                                         int check);
FORMIX_API void formix_reaction_free(formix_reaction *reaction);

/* Why the equation or the amounts cannot be used, or "". */
FORMIX_API const char *formix_reaction_error(const formix_reaction *reaction);
/* What reading the amounts did that the reader should know (a decimal
 * comma), one note a line; "" for none.  Valid until the next call on
 * `reaction`. */
FORMIX_API const char *formix_reaction_notes(formix_reaction *reaction);

/* The equation with its coefficients ("2 H2 + O2 = 2 H2O"). */
FORMIX_API const char *formix_reaction_equation(const formix_reaction *reaction);

/* Sets an amount, FORMULA (as written in the equation) = VALUE: kind 'g'
 * given amount (units g (default), mg, kg, mmol, mol), 'e' equivalents of
 * a reactant relative to the limiting reagent, 'd' density in g/mL, 'c'
 * concentration in mol/L.  1 on success, 0 with the error set. */
FORMIX_API int formix_reaction_set_amount(formix_reaction *reaction, const char *assignment, char kind);

/* Works out every amount: the limiting reagent is the given reactant with
 * the fewest moles per coefficient; reactants with equivalents have that
 * many times its moles; the rest follow the coefficients (products: the
 * theoretical yield).  1 on success, 0 with the error set. */
FORMIX_API int formix_reaction_solve(formix_reaction *reaction);

/* The participants, in equation order. */
FORMIX_API size_t formix_reaction_count(const formix_reaction *reaction);
FORMIX_API const formix_reading *formix_reaction_reading(const formix_reaction *reaction, size_t index);
FORMIX_API const char *formix_reaction_formula(const formix_reaction *reaction, size_t index);
FORMIX_API int formix_reaction_side(const formix_reaction *reaction, size_t index); /* 0 reactant, 1 product */
FORMIX_API double formix_reaction_coefficient(const formix_reaction *reaction, size_t index);
FORMIX_API int formix_reaction_given(const formix_reaction *reaction, size_t index);
/* After formix_reaction_solve (NaN where unknown): mol, g, mL, equivalents. */
FORMIX_API double formix_reaction_moles(const formix_reaction *reaction, size_t index);
FORMIX_API double formix_reaction_mass(const formix_reaction *reaction, size_t index);
FORMIX_API double formix_reaction_volume(const formix_reaction *reaction, size_t index);
FORMIX_API double formix_reaction_equiv(const formix_reaction *reaction, size_t index);
/* Reactants: the moles beyond what the limiting reagent consumes. */
FORMIX_API double formix_reaction_excess(const formix_reaction *reaction, size_t index);
/* The index of the limiting reagent, or -1. */
FORMIX_API int formix_reaction_limiting(const formix_reaction *reaction);

/* A number as a chemist writes it, to `digits` significant figures, into
 * `buffer` of `size` bytes ("0.000250", never "0.0002"); returns buffer. */
FORMIX_API char *formix_significant(double value, int digits, char *buffer, size_t size);

/* Quantities as the bench writes them: `value` in base units of `kind`
 * written to `figures` significant figures (1 to 17) in the unit of its size
 * ("1.248 g", "4.96 mmol", "250 mL"; micro as the micro sign, UTF-8), a unit that the
 * toolkit's quantity grammar reads back; "" for a number that is not
 * finite.  Into `buffer` of `size` bytes (64 hold any); returns buffer.
 * A reaction's bench table uses FORMIX_BENCH_FIGURES. */
#define FORMIX_QUANTITY_MASS 1      /* g */
#define FORMIX_QUANTITY_AMOUNT 2    /* mol */
#define FORMIX_QUANTITY_VOLUME 3    /* L */
#define FORMIX_QUANTITY_CONC 4      /* mol/L */
#define FORMIX_QUANTITY_MASS_CONC 5 /* g/L */
#define FORMIX_BENCH_FIGURES 3
/* 1 when `text` is a unit the quantity grammar knows ("mM", "mg mL-1",
 * "% w/v"; also one it refuses with its reason: "N"), else 0: a front may
 * join a number and its unit given apart. */
FORMIX_API int formix_is_unit(const char *text);
FORMIX_API char *formix_quantity_text(double value, int kind, int figures, char *buffer, size_t size);

/* A charge given on its own, as every command and front takes it: "2",
 * "-1", "+2", "2+", "++" (2+), "-"; a whole number from 1 to 100 with its
 * sign.  Returns "" and sets `*charge`, or why the text is no charge (and
 * `*charge` 0), valid until the next call in the thread. */
FORMIX_API const char *formix_read_charge(const char *text, int *charge);

/* A charge as the toolkit writes it ("2-", "1+": "ion, charge 2-") into
 * `buffer` of `size` bytes (16 hold any); returns buffer. */
FORMIX_API char *formix_charge_text(int charge, char *buffer, size_t size);

/* The shortest decimal that reads back as `value`, as the toolkit's
 * messages write numbers: plain decimals from 1e-4 up to 1e15 ("0.0001",
 * "249.677", "1000000"), scientific notation beyond ("1e-05", "2e+20"),
 * "nan", "inf", "-inf"; into `buffer` of `size` bytes (32 hold any);
 * returns buffer. */
FORMIX_API char *formix_shortest(double value, char *buffer, size_t size);

/* Reads the NUL-terminated `text` as one decimal number (an optional sign,
 * digits with an optional point, an optional exponent; no spaces, no
 * locale).  1 and `*value` set when the whole text is such a number and it
 * is finite, neither too large nor a non-zero number too small for a
 * double; 0 (and `*value` unchanged) otherwise. */
FORMIX_API int formix_parse_number(const char *text, double *value);
/* `text` (UTF-8) as a JSON string, quoted and escaped as the documents write
 * strings; valid until the next call in the thread ("" when memory runs
 * out). */
FORMIX_API const char *formix_json_string(const char *text);

/* The byte length of the well-formed UTF-8 sequence at the start of
 * `length` bytes at `text`, or 0 when none starts there (a stray
 * continuation byte, an overlong form, a surrogate, past U+10FFFF, cut
 * short). */
FORMIX_API size_t formix_utf8_sequence(const char *text, size_t length);

/* ---- Documents ---------------------------------------------------------
 *
 * Each result as one JSON object, the parts the tool's --json documents,
 * the npm package and the Python package are made of (members as
 * docs/formix-json.schema.json describes them, layout version
 * FORMIX_JSON_FORMAT): UTF-8 text owned by the object, valid until it is
 * freed or the same call is made on it again.  NULL only when memory runs
 * out.  Numbers are the shortest decimals that read back as the same
 * doubles; a number that does not exist is null. */
#define FORMIX_JSON_FORMAT 1

/* A reading: formula (as given), molar_mass, charge (ions), hill,
 * diagnostics; with FORMIX_JSON_TEXT the engine's text, with
 * FORMIX_JSON_ELEMENTS empirical and elements (Hill order); with
 * FORMIX_JSON_STRICT a warning withholds the number as an error does. */
#define FORMIX_JSON_TEXT 1
#define FORMIX_JSON_ELEMENTS 2
#define FORMIX_JSON_STRICT 4
FORMIX_API const char *formix_reading_json(formix_reading *reading, int parts);
/* formix_reading_json(reading, 0) of `length` bytes of UTF-8 at `text`
 * without a reading object, when it is a plain formula (as for
 * formix_quiet_molar_mass), into `buffer` (`size` bytes, NUL-terminated,
 * cut short when too small).  Returns the length of the whole text (call
 * again with more room when it is `size` or more), or 0 for any other
 * text: read it then with formix_read. */
FORMIX_API size_t formix_quiet_json(const formix_context *context, const char *text, size_t length, char *buffer,
                                    size_t size);
/* An elemental analysis (or {"error": ...}). */
FORMIX_API const char *formix_analysis_json(formix_analysis *analysis);
/* Atom ratios and candidate formulas, with warnings (or {"error": ...}). */
FORMIX_API const char *formix_ratios_json(formix_ratios *ratios);
/* Exact masses, with the errors against a found m/z and the HRMS line
 * after formix_exact_compare (or formula, error and diagnostics). */
FORMIX_API const char *formix_exact_json(formix_exact *exact);
/* An isotope pattern: centroids, or with `fine` the isotopologues. */
FORMIX_API const char *formix_pattern_json(formix_pattern *pattern, int fine);
/* A reaction: the equation and its participants, with amounts after
 * formix_reaction_solve (or equation, error and each participant's
 * diagnostics). */
FORMIX_API const char *formix_reaction_json(formix_reaction *reaction);
/* A part of a context into `buffer` (`size` bytes, NUL-terminated, cut
 * short when too small): FORMIX_JSON_DATA_FILES the files as opened,
 * FORMIX_JSON_ELEMENTS_TABLE the element table, FORMIX_JSON_GROUPS_TABLE the
 * group table with each group's molar mass.  Returns the length of the
 * whole text (call again with more room when it is `size` or more); 0 when
 * memory runs out. */
#define FORMIX_JSON_DATA_FILES 0
#define FORMIX_JSON_ELEMENTS_TABLE 1
#define FORMIX_JSON_GROUPS_TABLE 2
FORMIX_API size_t formix_context_json(const formix_context *context, int part, char *buffer, size_t size);

/* The molar mass of the electron, g/mol (CODATA 2022). */
#define FORMIX_ELECTRON_MOLAR_MASS 5.485799090441e-4

/* The defaults of every front (the calls take NaN for them): the allowed
 * difference of an elemental analysis, absolute percent (the journals'
 * usual); the resolving power (m/Δm, FWHM) and the relative threshold of
 * an isotope pattern; the window of a found m/z, ppm. */
#define FORMIX_DEFAULT_TOLERANCE 0.4
#define FORMIX_DEFAULT_RESOLVING_POWER 20000.0
#define FORMIX_DEFAULT_THRESHOLD 1e-6
#define FORMIX_DEFAULT_PPM 5.0
#define FORMIX_DEFAULT_INTENSITY_ERROR 5.0

#ifdef __cplusplus
}
#endif

#endif /* FORMIX_H */
