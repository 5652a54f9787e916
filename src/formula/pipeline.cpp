// pipeline.cpp -- where a formula enters the library: copy into the working
// text, preparation, group expansion, evaluation.
#include <cstring>

#include "formix32.h"
#include "formula/engine.h"
#include "refdata/tables.h"

namespace formix::formula {
namespace {

// Module-wide state of the pipeline.
char g_working_text[kWorkingTextSize];                 // formula of the call
double g_internal_contributions[refdata::kMaxElements];  // when the caller gives none

// Copies `formula` into the working text.  A formula that does not fit is
// reported with its first kMaxTextLength bytes and replaced by an empty one.
void CopyIn(const char* formula) {
  if (formula == nullptr) formula = "";
  std::size_t length = strnlen(formula, kWorkingTextSize);
  if (length > kMaxTextLength) {
    std::memcpy(g_working_text, formula, kMaxTextLength);
    g_working_text[kMaxTextLength] = '\0';
    ReportTooComplex(g_working_text);
    length = 0;
  }
  std::memcpy(g_working_text, formula, length);
  g_working_text[length] = '\0';
}

// Runs expansion passes until one replaces nothing.  Returns false when the
// expansion outgrew the working text or would not end.
bool ExpandAllGroups(char* text) {
  for (int pass = 0;; ++pass) {
    int replaced = ExpandGroups(text);
    if (replaced == 0) return true;
    if (replaced == kExpansionOverflow) return false;
    if (pass == kMaxExpansionPasses) {
      ReportTooComplex(text);
      return false;
    }
  }
}

}  // namespace

const char* WorkingText() { return g_working_text; }

double MolecularMass(const char* formula, double* contributions, double* atoms, int* count,
                     char** symbols) {
  refdata::Tables& t = refdata::g_tables;
  double molar_mass = 0.0;
  CopyIn(formula);
  NormalizeText(g_working_text);
  double* sums = contributions != nullptr ? contributions : g_internal_contributions;
  if (refdata::EnsureLoaded()) {
    std::memset(sums, 0, sizeof(double) * refdata::kMaxElements);
    RemoveChar(g_working_text, ' ');
    RemoveBondMarks(g_working_text);
    if (!ExpandAllGroups(g_working_text)) g_working_text[0] = '\0';
    molar_mass = EvaluateFormula(g_working_text, t.symbol_list, t.masses, t.element_count,
                                 atoms, sums);
  }
  if (count != nullptr) *count = t.element_count;
  if (symbols != nullptr) {
    for (int i = 0; i < t.element_count; ++i) {
      if (symbols[i] != nullptr) std::memcpy(symbols[i], t.symbols[i], refdata::kSymbolSize);
    }
  }
  return molar_mass;
}

}  // namespace formix::formula

extern "C" FORMIX32_API double FORMIX32_CALL MolecularMass(const char* formula,
                                                           double* contributions, double* atoms,
                                                           int* count, char** symbols) {
  return formix::formula::MolecularMass(formula, contributions, atoms, count, symbols);
}

extern "C" FORMIX32_API double FORMIX32_CALL MolarMass(const char* formula) {
  return formix::formula::MolecularMass(formula, nullptr, nullptr, nullptr, nullptr);
}
