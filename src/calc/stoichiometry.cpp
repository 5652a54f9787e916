// stoichiometry.cpp -- masses of reaction participants from one known
// mass, and atom ratios from mass fractions.  Each call runs on one table
// state from its first formula to its last.
#include "formix32.h"
#include "formula/engine.h"
#include "refdata/pinning.h"
#include "refdata/tables.h"

namespace {

using formix::refdata::PinnedTables;

double MolarMassOn(PinnedTables& pin, const char* formula) {
  return formix::formula::MolecularMass(pin, formula, nullptr, nullptr, nullptr, nullptr);
}

// Entry i of the list GetFormula works on: the caller's formula, or the
// symbol of element i when the caller gave no list.
const char* Species(const PinnedTables& pin, const char* const* formulas, int i) {
  if (formulas != nullptr) return formulas[i];
  if (i >= formix::refdata::kMaxElements || pin.get() == nullptr) return nullptr;
  return pin.get()->symbol_list[i];
}

}  // namespace

extern "C" FORMIX32_API void FORMIX32_CALL ChemEqu(const char* const* formulas, const double* coefficients,
                                                   double* masses, int reference, int count) {
  if (formulas == nullptr || coefficients == nullptr || masses == nullptr) return;
  if (reference < 0 || reference >= count) return;
  PinnedTables pin;
  const double factor = masses[reference] / MolarMassOn(pin, formulas[reference]) / coefficients[reference];
  for (int i = 0; i < count; ++i) {
    if (i == reference) continue;
    masses[i] = MolarMassOn(pin, formulas[i]) * factor * coefficients[i];
  }
}

extern "C" FORMIX32_API void FORMIX32_CALL GetFormula(const char* const* formulas, const double* fractions,
                                                      int count, int reference, double total,
                                                      double* ratios) {
  if (fractions == nullptr || ratios == nullptr || count <= 0 || reference >= count) return;
  PinnedTables pin;
  // Without a list the element symbols stand in; they exist only once the
  // tables are loaded.
  if (formulas == nullptr) pin.EnsureLoaded();
  for (int i = 0; i < count; ++i) ratios[i] = fractions[i] / MolarMassOn(pin, Species(pin, formulas, i));
  double scale;
  if (reference >= 0) {
    scale = total / ratios[reference];
  } else {
    double sum = 0.0;
    for (int i = 0; i < count; ++i) sum = MolarMassOn(pin, Species(pin, formulas, i)) * ratios[i] + sum;
    scale = total / sum;
  }
  for (int i = 0; i < count; ++i) {
    if (i != reference) ratios[i] = scale * ratios[i];
  }
}
