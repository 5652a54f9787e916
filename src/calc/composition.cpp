// composition.cpp -- atoms and mass share of one element of a formula.
#include <cstring>

#include "formix32.h"
#include "formula/engine.h"
#include "refdata/tables.h"

namespace formix::calc {
namespace {

// Runs `formula` through the pipeline, filling `atoms` or `contributions`,
// and returns the index of the element named `symbol`, or -1.
int EvaluateFor(const char* formula, const char* symbol, double* contributions, double* atoms) {
  int count = 0;
  formula::MolecularMass(formula, contributions, atoms, &count, nullptr);
  return refdata::FindSymbol(refdata::g_tables.symbol_list, count, symbol, std::strlen(symbol));
}

}  // namespace
}  // namespace formix::calc

extern "C" FORMIX32_API double FORMIX32_CALL NumberOfAtoms(const char* formula, const char* symbol) {
  if (formula == nullptr || symbol == nullptr) return 0.0;
  double atoms[formix::refdata::kMaxElements];
  int i = formix::calc::EvaluateFor(formula, symbol, nullptr, atoms);
  return i < 0 ? 0.0 : atoms[i];
}

extern "C" FORMIX32_API double FORMIX32_CALL PercentOfElement(const char* formula, const char* symbol) {
  if (formula == nullptr || symbol == nullptr) return 0.0;
  double contributions[formix::refdata::kMaxElements];
  int i = formix::calc::EvaluateFor(formula, symbol, contributions, nullptr);
  if (i < 0) return 0.0;
  // The molar mass comes from a second run of the pipeline.
  double molar_mass = MolarMass(formula);
  if (molar_mass == 0.0) return 0.0;
  return contributions[i] / molar_mass * 100.0;
}
