// stoichiometry.cpp -- masses of reaction participants from one known
// mass, and atom ratios from mass fractions.
#include "formix32.h"
#include "refdata/tables.h"

extern "C" FORMIX32_API void FORMIX32_CALL ChemEqu(const char* const* formulas, const double* coefficients,
                                                   double* masses, int reference, int count) {
  if (formulas == nullptr || coefficients == nullptr || masses == nullptr) return;
  if (reference < 0 || reference >= count) return;
  const double factor = masses[reference] / MolarMass(formulas[reference]) / coefficients[reference];
  for (int i = 0; i < count; ++i) {
    if (i == reference) continue;
    masses[i] = MolarMass(formulas[i]) * factor * coefficients[i];
  }
}

namespace {

// Entry i of the list GetFormula works on: the caller's formula, or the
// symbol of element i when the caller gave no list.
const char* Species(const char* const* formulas, int i) {
  if (formulas != nullptr) return formulas[i];
  return i < formix::refdata::kMaxElements ? formix::refdata::g_tables.symbol_list[i] : nullptr;
}

}  // namespace

extern "C" FORMIX32_API void FORMIX32_CALL GetFormula(const char* const* formulas, const double* fractions,
                                                      int count, int reference, double total,
                                                      double* ratios) {
  if (fractions == nullptr || ratios == nullptr || count <= 0 || reference >= count) return;
  // Without a list the element symbols stand in; they exist only once the
  // tables are loaded.
  if (formulas == nullptr) formix::refdata::EnsureLoaded();
  for (int i = 0; i < count; ++i) ratios[i] = fractions[i] / MolarMass(Species(formulas, i));
  double scale;
  if (reference >= 0) {
    scale = total / ratios[reference];
  } else {
    double sum = 0.0;
    for (int i = 0; i < count; ++i) sum = MolarMass(Species(formulas, i)) * ratios[i] + sum;
    scale = total / sum;
  }
  for (int i = 0; i < count; ++i) {
    if (i != reference) ratios[i] = scale * ratios[i];
  }
}
