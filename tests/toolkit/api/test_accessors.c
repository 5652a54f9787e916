/* The C interface's accessors as a C host calls them, for those no front
 * calls (the tool, Python, npm and SQL reach the rest): each against a value
 * worked by hand.  Standard atomic weights: H 1.008, C 12.011, N 14.007,
 * O 15.999, Na 22.990, Cl 35.45. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "formix.h"

static int failures = 0;

static void near(const char* what, double got, double want, double within) {
  if (!(fabs(got - want) <= within)) {
    printf("%s: %.10g, not %.10g (within %g)\n", what, got, want, within);
    ++failures;
  }
}

static void same(const char* what, const char* got, const char* want) {
  if (got == NULL || strcmp(got, want) != 0) {
    printf("%s: '%s', not '%s'\n", what, got ? got : "(null)", want);
    ++failures;
  }
}

static formix_reading* read_text(const formix_context* c, const char* text) {
  return formix_read(c, text, strlen(text));
}

int main(void) {
  int status = -1;
  formix_context* c =
      formix_context_new(FORMIX_SOURCE_DATA_DIR "/mass.elt", NULL, FORMIX_SOURCE_DATA_DIR, &status);
  if (c == NULL) {
    printf("no context: %s\n", formix_status_text(status));
    return 1;
  }

  /* A reading: the engine's text, each element within bounds. */
  formix_reading* r = read_text(c,
                                "CuSO4\xC2\xB7"
                                "5H2O");
  same("reading text", formix_reading_text(r), "CuSO4*5H2O");
  double atoms = 0;
  for (size_t i = 0; i < formix_reading_element_count(r); ++i) atoms += formix_reading_element(r, i)->atoms;
  near("atoms of CuSO4.5H2O", atoms, 1 + 1 + 4 + 5 * 3, 0);
  if (formix_reading_element(r, formix_reading_element_count(r)) != NULL)
    ++failures, printf("element past the end\n");
  formix_reading_free(r);

  /* A solution: 0.5 M NaCl, 200 mL: 0.1 mol x 58.44 g/mol. */
  formix_solution* s = formix_solution_new(c, "NaCl", "0.5 M", "200 mL", NULL, NULL, NULL, NULL);
  near("NaCl mass (g)", formix_solution_mass(s), 5.844, 0.001);
  near("conc (mol/L)", formix_solution_conc(s), 0.5, 1e-12);
  near("volume (L)", formix_solution_volume(s), 0.2, 1e-12);
  formix_solution_free(s);
  /* A dilution: 50 mL of 100 mM from 1 M: 5 mL of stock, 45 mL of water. */
  s = formix_dilution(c, NULL, "1 M", "100 mM", "50 mL", NULL, NULL);
  near("stock volume (L)", formix_solution_stock_volume(s), 0.005, 1e-12);
  near("solvent volume (L)", formix_solution_solvent_volume(s), 0.045, 1e-12);
  formix_solution_free(s);

  /* A pattern gives back what it used. */
  r = read_text(c, "CH4");
  formix_pattern* p = formix_isotope_pattern(c, r, 0.001, 20000);
  near("threshold", formix_pattern_threshold(p), 0.001, 0);
  near("resolving power", formix_pattern_resolving_power(p), 20000, 0);
  near("pruned", formix_pattern_pruned(p), 0, 0.001);
  formix_pattern_free(p);
  formix_reading_free(r);

  /* Elemental analysis of C20H25NO3 with found values of its hemihydrate
   * (M 336.43: C 71.40, H 7.79, N 4.16): the half water fits best. */
  r = read_text(c, "C20H25NO3");
  formix_analysis* a = formix_elemental_analysis(c, r, NULL, "C=71.40,H=7.79,N=4.16", 0.3, 1);
  near("tolerance", formix_analysis_tolerance(a), 0.3, 0);
  same("best fit", formix_analysis_fit_count(a) > 0 ? formix_analysis_fit_label(a, 0) : "",
       "C20H25NO3\xC2\xB7"
       "0.5H2O");
  for (size_t i = 0; i < formix_analysis_element_count(a); ++i) {
    const char* e = formix_analysis_element(a, i);
    const double want = strcmp(e, "C") == 0 ? 71.40 : strcmp(e, "H") == 0 ? 7.79 : 4.16;
    near(e, formix_analysis_fit_count(a) > 0 ? formix_analysis_fit_calcd(a, 0, i) : NAN, want, 0.01);
  }
  formix_analysis_free(a);

  /* Exact masses: [M+H]+ of C20H25NO3, 328.1907, is the ion a found 328.1911 matches. */
  formix_exact* x = formix_exact_masses(c, r, "[M+Na]+,[M+H]+,[M-H]-");
  int mh = -1, mmh = -1;
  for (size_t i = 0; i < formix_exact_ion_count(x); ++i) {
    if (strcmp(formix_exact_ion_name(x, i), "[M+H]+") == 0) mh = (int)i;
    if (strcmp(formix_exact_ion_name(x, i), "[M-H]-") == 0) mmh = (int)i;
  }
  near("charge of [M+H]+", mh < 0 ? 0 : formix_exact_ion_charge(x, (size_t)mh), 1, 0);
  near("charge of [M-H]-", mmh < 0 ? 0 : formix_exact_ion_charge(x, (size_t)mmh), -1, 0);
  formix_exact_compare(x, 328.1911, NAN, NULL);
  near("best ion", formix_exact_best(x), mh, 0);
  same("the line of [M+H]+", mh < 0 ? "" : formix_exact_hrms_line(x, (size_t)mh, 328.1911, NULL),
       "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.");
  formix_exact_free(x);
  formix_reading_free(r);

  /* Formulas from that m/z: one candidate, complete, with its line. */
  formix_find* f = formix_find_formulas(c, 328.1911, "[M+H]+", 0, NAN, NAN, "C0-30H0-50N0-3O0-6", NULL, NAN,
                                        NAN, NAN, 0, 0, NULL);
  near("complete", formix_find_complete(f), 1, 0);
  same("formula", formix_find_formula(f, 0), "C20H25NO3");
  same("candidate's line", formix_find_candidate_hrms(f, 0),
       "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.");
  formix_find_free(f);
  /* A charge as an integer: tetramethylammonium, C4H12N+, 4 x 12 + 12 x
   * 1.00782503 + 14.00307401 - e = 74.09643. */
  f = formix_find_formulas(c, 74.0964, NULL, 1, NAN, NAN, "C0-9H0-30N0-2", NULL, NAN, NAN, NAN, 0, 0, NULL);
  same("the cation", formix_find_count(f) > 0 ? formix_find_formula(f, 0) : "", "C4H12N^+");
  formix_find_free(f);

  /* Figures and the bench's quantities: at a unit's boundary the figures
   * asked for, in the larger unit. */
  char text[64];
  same("0.99999 to 4 figures", formix_significant(0.99999, 4, text, sizeof text), "1.000");
  same("0.00025 to 3 figures", formix_significant(0.00025, 3, text, sizeof text), "0.000250");
  same("0.99999 L", formix_quantity_text(0.99999, FORMIX_QUANTITY_VOLUME, 4, text, sizeof text), "1.000 L");
  same("4.96 umol", formix_quantity_text(4.96e-6, FORMIX_QUANTITY_AMOUNT, 3, text, sizeof text),
       "4.96 \xC2\xB5mol");
  same("10 ug", formix_quantity_text(1e-5, FORMIX_QUANTITY_MASS, 3, text, sizeof text), "10.0 \xC2\xB5g");
  same("0.5 mL", formix_quantity_text(5e-4, FORMIX_QUANTITY_VOLUME, 3, text, sizeof text), "500 \xC2\xB5L");

  formix_context_free(c);
  if (failures == 0) printf("every accessor as worked by hand\n");
  return failures == 0 ? 0 : 1;
}
