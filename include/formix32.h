/* formix32.h -- public interface of the formix32 chemical formula library.
 *
 * formix32 computes molar masses, atom counts, mass shares, reaction masses
 * and atom ratios from chemical formulas written as text (CuSO4*5H2O,
 * K4[Fe(CN)6], Ph2CO).  Element masses and group abbreviations come from two
 * plain-text data files, "mass.elt" and "mass.gps", which the library finds
 * and reads itself on first use and which the host may replace at run time.
 *
 * Text: every string passed in or out is single-byte Windows-1251, NUL
 * terminated.  Messages of the library are Russian Windows-1251 texts.
 *
 * Threads: every function may be called from any number of threads at
 * once.  Each call runs from beginning to end on one state of the tables;
 * a reload (SetNewMassesFile, SetNewGroupsFile) builds the new tables
 * aside and publishes them at once, so that a call sees the tables of
 * before the reload or those of after it, never a mix; calculations take
 * no lock.  The first load happens once, however many threads make their
 * first call together.  SetNotifier installs its two callbacks and context
 * as one unit; a callback is called on the thread whose call spoke.  A
 * notifier (or, on Windows, a window procedure running while a message box
 * is open) may call the library again: each calculation keeps its own
 * working text and its own tables, and a reload made from there takes
 * effect for the calls that start after it.  Results and messages are
 * those a single thread would get.
 *
 * Errors never stop a calculation: an unknown element or group, or a formula
 * that grows too long while group names are expanded, is reported to the user
 * through the notifier (see SetNotifier) and the calculation goes on with
 * what it can use.  Only a mass file that cannot be found while no tables
 * have ever been loaded makes a calculation return 0.
 *
 * Capacities and what happens past them:
 *   - Formula text: 219 bytes.  A longer formula is refused: the library
 *     shows the "too complex formula" message with its first 219 bytes, then
 *     treats the call as one for an empty formula (result 0, per-element
 *     arrays cleared, count and symbols filled).
 *   - Group expansion: a replacement that makes the text 200 bytes or longer
 *     shows the "too complex formula" message and is still made.  A
 *     replacement that would make the text longer than 219 bytes is not made:
 *     the message is shown and the call returns 0 as for an empty formula.
 *     A group that contains itself, directly or through other groups, ends
 *     the same way once its text outgrows 219 bytes; expansion also stops
 *     (message, result 0) after 1000 passes that still replace something.
 *   - Mass file: at most 200 element records; later records are ignored.  A
 *     record whose symbol is longer than 3 bytes or whose mass token is
 *     longer than 19 bytes is skipped whole (the following records stay
 *     aligned).  A last record cut short by the end of the file is dropped.
 *   - Group file: at most 49 group records; later records are ignored.  A
 *     record whose name is longer than 3 bytes or whose formula is longer
 *     than 14 bytes is skipped whole.  A last name without a formula is
 *     dropped.
 *   - A data-file path that names anything but a regular file (a
 *     directory, a FIFO, a device) counts as not found, as does a file the
 *     process may not read.  Reading stops after the 200th element record
 *     or the 49th group record; the rest of the file is not read.
 *   - NULL formula: treated as an empty formula (result 0).
 *   - Numbers: every int is 32-bit signed, every double IEEE 754 binary64.
 *     Divisions by zero that a caller asks for follow IEEE arithmetic.
 */
#ifndef FORMIX32_H
#define FORMIX32_H

#define FORMIX32_VERSION_MAJOR 1
#define FORMIX32_VERSION_MINOR 0
#define FORMIX32_VERSION_PATCH 0

/* FORMIX32_API marks the exported functions; FORMIX32_CALL is their calling
 * convention.  On 32-bit Windows formix32.dll exports every function under
 * its plain name as __stdcall, the usual convention of DLLs called from
 * Windows programs in any language; a DLL built with -DFORMIX_CDECL=ON uses
 * __cdecl, and its callers define FORMIX32_CDECL.  Callers of a static
 * build define FORMIX32_STATIC.  Elsewhere the macro is empty. */
#if defined(_WIN32)
#  if defined(FORMIX32_BUILDING)
#    define FORMIX32_API __declspec(dllexport)
#  elif defined(FORMIX32_STATIC)
#    define FORMIX32_API
#  else
#    define FORMIX32_API __declspec(dllimport)
#  endif
#  if defined(FORMIX32_CDECL)
#    define FORMIX32_CALL __cdecl
#  else
#    define FORMIX32_CALL __stdcall
#  endif
#else
#  if defined(FORMIX32_BUILDING) && defined(__GNUC__)
#    define FORMIX32_API __attribute__((visibility("default")))
#  else
#    define FORMIX32_API
#  endif
#  define FORMIX32_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Formula engine ---------------------------------------------------- */

/* Molar mass of `formula`, with optional per-element results.
 *   contributions: NULL, or an array of 200 doubles; all 200 are set to 0,
 *                  then entry i receives the mass contributed by element i.
 *   atoms:         NULL, or an array with room for the element count
 *                  (200 is always enough); entries 0..count-1 are set to 0,
 *                  then entry i receives the number of atoms of element i
 *                  (fractional where the formula has fractional numbers).
 *   count:         NULL, or receives the number of elements in the table.
 *   symbols:       NULL, or an array of pointers to caller buffers of at
 *                  least 4 bytes each; buffer i receives the symbol of
 *                  element i for every i below the element count.  NULL
 *                  entries are skipped.
 * Loads the data files on first use.  Unknown symbols are reported and
 * count nothing.  When the mass file cannot be found and no tables were ever
 * loaded, returns 0 and fills only `count` and `symbols`.  Element index i
 * is the position of the element's record in the mass file. */
FORMIX32_API double FORMIX32_CALL MolecularMass(const char *formula,
                                                double *contributions,
                                                double *atoms, int *count,
                                                char **symbols);

/* Molar mass of `formula`: MolecularMass(formula, NULL, NULL, NULL, NULL). */
FORMIX32_API double FORMIX32_CALL MolarMass(const char *formula);

/* Index of the first of list[0..count-1] that equals `token` byte for byte
 * (case matters), or -1.  Returns -1 when count <= 0, or list or token is
 * NULL; NULL entries of the list never match.  Never loads the tables. */
FORMIX32_API int FORMIX32_CALL ChemIndex(const char *const *list,
                                         const char *token, int count);

/* ---- Composition ------------------------------------------------------- */

/* Number of atoms of the element `symbol` (compared byte for byte, case
 * matters) in `formula`; fractional where the formula has fractional
 * numbers.  0 when the symbol is not in the element table (a group name is
 * not an element), or when formula or symbol is NULL (then nothing is
 * evaluated).  Loads the tables on first use. */
FORMIX32_API double FORMIX32_CALL NumberOfAtoms(const char *formula,
                                                const char *symbol);

/* Mass share of the element `symbol` in `formula`, in percent: its mass
 * contribution divided by the molar mass, times 100.  The formula is
 * evaluated twice, so its messages come twice when the symbol is found.
 * 0 when the symbol is not in the table, when formula or symbol is NULL,
 * and when the molar mass is 0 (for instance H0).  Loads the tables on
 * first use. */
FORMIX32_API double FORMIX32_CALL PercentOfElement(const char *formula,
                                                   const char *symbol);

/* ---- Stoichiometry ----------------------------------------------------- */

/* Masses of the participants of a balanced reaction from one known mass.
 *   formulas[count], coefficients[count]: participants and their
 *   stoichiometric coefficients; masses[count]: masses[reference] is read,
 *   every other entry receives MolarMass(formulas[i]) * factor *
 *   coefficients[i], where factor = masses[reference] /
 *   MolarMass(formulas[reference]) / coefficients[reference].
 * Does nothing when an array is NULL or reference is not in 0..count-1.
 * A zero coefficient or molar mass of the reference divides by zero as IEEE
 * arithmetic does (infinities, NaN). */
FORMIX32_API void FORMIX32_CALL ChemEqu(const char *const *formulas,
                                        const double *coefficients,
                                        double *masses, int reference,
                                        int count);

/* Atom ratios from an elemental analysis.
 *   formulas[count]: the species (element symbols or any formulas), or NULL
 *     for the element table itself (entry i is element i; the tables are
 *     loaded first);
 *   fractions[count]: mass fraction or percentage of each entry;
 *   ratios[count]: receives fractions[i] / MolarMass(formulas[i]), scaled.
 * With reference < 0 every ratio is scaled so that the formula unit has the
 * molar mass `total`.  With reference >= 0 every other ratio is scaled so
 * that the reference entry would stand at `total`, and ratios[reference]
 * keeps its unscaled value.  Does nothing when fractions or ratios is NULL,
 * count <= 0 or reference >= count.  Divisions by zero follow IEEE
 * arithmetic. */
FORMIX32_API void FORMIX32_CALL GetFormula(const char *const *formulas,
                                           const double *fractions, int count,
                                           int reference, double total,
                                           double *ratios);

/* ---- Tables and configuration ------------------------------------------ */

/* Number of elements / groups in the tables as they stand (0 before the
 * first load).  Never load the tables. */
FORMIX32_API int FORMIX32_CALL ElementsInTable(void);
FORMIX32_API int FORMIX32_CALL GroupsInTable(void);

/* Copies the symbol of element `index` into `buffer` (at least 4 bytes) and
 * returns `buffer`.  Indexes from the element count to 199 give an empty
 * string or a symbol left by an earlier, longer mass file; an index outside
 * 0..199, or any index before the first load, gives an empty string.
 * Returns NULL for a NULL buffer.  Never loads the tables. */
FORMIX32_API char *FORMIX32_CALL GetElement(char *buffer, int index);

/* Copy the mass / group file path setting (initially "mass.elt" and
 * "mass.gps") into `buffer` (at least 256 bytes) and return `buffer`, or
 * NULL for a NULL buffer.  Never load the tables. */
FORMIX32_API char *FORMIX32_CALL GetMassesFile(char *buffer);
FORMIX32_API char *FORMIX32_CALL GetGroupsFile(char *buffer);

/* Replace the mass / group file path setting and reload both tables at
 * once.  Return 1 when the mass file was read, 0 when it was found nowhere
 * (message shown; the new path stays set; tables loaded before stay in
 * use).  A group file found nowhere still gives 1, with 0 groups.  A NULL
 * path or one of 256 bytes or more is refused: 0, setting and tables
 * unchanged, nothing read. */
FORMIX32_API int FORMIX32_CALL SetNewMassesFile(const char *path);
FORMIX32_API int FORMIX32_CALL SetNewGroupsFile(const char *path);

/* ---- Notifications ----------------------------------------------------- */

/* The library reports problems with three messages (Windows-1251 texts):
 *   caption "Внимание!": the mass file cannot be opened;
 *   caption "Ошибка анализа брутто-формулы": a formula too long or complex;
 *   caption "Ошибка при вводе": an unknown element, after two beeps.
 * SetNotifier replaces how they reach the user.  `on_message` receives the
 * text and caption as the library's Windows-1251 bytes, unchanged;
 * `on_beep` is called for each beep; both receive `context`.  A NULL
 * callback restores the default for that operation.  Defaults on Linux: one
 * line "formix32: CAPTION: TEXT" on standard error, converted to UTF-8; a
 * beep writes BEL to standard error when it is a terminal.  Callbacks must
 * return; the calculation continues after them.  The callbacks use the
 * library's calling convention (FORMIX32_CALL). */
typedef void (FORMIX32_CALL *FormixMessageFn)(const char *text,
                                             const char *caption,
                                             void *context);
typedef void (FORMIX32_CALL *FormixBeepFn)(void *context);

FORMIX32_API void FORMIX32_CALL SetNotifier(FormixMessageFn on_message,
                                            FormixBeepFn on_beep,
                                            void *context);

#ifdef __cplusplus
}
#endif

#endif /* FORMIX32_H */
