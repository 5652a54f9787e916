// composition.cpp -- atoms and mass share of one element of a formula.
#include <cstring>

#include "formix32.h"
#include "formula/engine.h"
#include "refdata/pinning.h"
#include "refdata/tables.h"

namespace formix::calc {
namespace {

// Runs `formula` through the pipeline on the tables `pin` holds, filling
// `atoms` or `contributions`, and returns the index of the element named
// `symbol`, or -1.
int EvaluateFor(refdata::PinnedTables& pin, const char* formula, const char* symbol, double* contributions,
                double* atoms) {
  int count = 0;
  formula::MolecularMass(pin, formula, contributions, atoms, &count, nullptr);
  if (pin.get() == nullptr) return -1;
  return refdata::FindSymbol(pin.get()->symbol_list, count, symbol, std::strlen(symbol));
}

}  // namespace
}  // namespace formix::calc

extern "C" FORMIX32_API double FORMIX32_CALL NumberOfAtoms(const char* formula, const char* symbol) {
  if (formula == nullptr || symbol == nullptr) return 0.0;
  formix::refdata::PinnedTables pin;
  double atoms[formix::refdata::kMaxElements];
  int i = formix::calc::EvaluateFor(pin, formula, symbol, nullptr, atoms);
  return i < 0 ? 0.0 : atoms[i];
}

extern "C" FORMIX32_API double FORMIX32_CALL PercentOfElement(const char* formula, const char* symbol) {
  if (formula == nullptr || symbol == nullptr) return 0.0;
  formix::refdata::PinnedTables pin;
  double contributions[formix::refdata::kMaxElements];
  int i = formix::calc::EvaluateFor(pin, formula, symbol, contributions, nullptr);
  if (i < 0) return 0.0;
  // The molar mass comes from a second run of the pipeline, on the same tables.
  double molar_mass = formix::formula::MolecularMass(pin, formula, nullptr, nullptr, nullptr, nullptr);
  if (molar_mass == 0.0) return 0.0;
  return contributions[i] / molar_mass * 100.0;
}
