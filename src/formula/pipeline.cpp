// pipeline.cpp -- where a formula enters the library: copy into the working
// text, preparation, group expansion, evaluation.
#include <cstring>

#include "formix32.h"
#include "formula/engine.h"
#include "refdata/pinning.h"
#include "refdata/tables.h"

namespace formix::formula {
namespace {

// The caller's formula, or an empty one when it is NULL or does not fit the
// working text (then reported with its first kMaxTextLength bytes).
const char* Admit(const char* formula) {
  if (formula == nullptr) return "";
  if (strnlen(formula, kWorkingTextSize) <= kMaxTextLength) return formula;
  char head[kWorkingTextSize];
  std::memcpy(head, formula, kMaxTextLength);
  head[kMaxTextLength] = '\0';
  ReportTooComplex(head);
  return "";
}

}  // namespace

// The stages run in this order: admission of the text, loading of the
// tables, preparation (normalisation, spaces, bond marks), group expansion,
// evaluation.  Preparation reports nothing and does not depend on the
// tables, so running it after the load changes nothing.
//
// The working text lives on the stack of the call, not in the module: a
// host whose notifier, or whose window procedure while a message box is
// open, calls the library again gets a calculation of its own, and the
// call in progress keeps its text.
namespace {

// The pipeline's body, inlined into both entries: a call that pins its own
// tables pays for one frame, not two.
__attribute__((always_inline)) inline double Run(refdata::PinnedTables& pin, const char* formula,
                                                 double* contributions, double* atoms, int* count,
                                                 char** symbols) {
  double molar_mass = 0.0;
  // Without a caller's array the contributions are of no use to anyone.
  const auto clear = [contributions] {
    if (contributions != nullptr) std::memset(contributions, 0, sizeof(double) * refdata::kMaxElements);
  };
  // Most formulas are evaluated as they stand, in one pass that reports
  // nothing and gives up on anything the stages below would change or
  // report, a formula too long among them.  Most of the others, written
  // with group names, are expanded in one pass that gives up likewise;
  // the rest take the stages in order.
  const refdata::Tables* loaded = pin.get();
  bool done = false;
  if (loaded != nullptr && formula != nullptr) {
    clear();
    done = EvaluateAsItStands(*loaded, formula, atoms, contributions, &molar_mass);
  }
  if (!done) {
    char text[kWorkingTextSize];
    ModuleObserver observer;
    const refdata::Tables* t = nullptr;
    if (loaded != nullptr && formula != nullptr && ExpandInOnePass(*loaded, formula, text)) {
      t = loaded;
    } else {
      formula = Admit(formula);
      if (pin.EnsureLoaded()) {
        t = pin.get();
        clear();
        PrepareText(formula, text, observer);
        if (!ExpandAllGroups(*t, text, observer)) text[0] = '\0';
      }
    }
    const bool lean = atoms == nullptr && contributions == nullptr;
    if (t != nullptr && (!lean || !EvaluatePrepared(*t, text, &molar_mass))) {
      molar_mass = EvaluateFormula(*t, text, atoms, contributions, observer);
    }
  }
  const refdata::Tables* t = pin.get();
  const int element_count = t != nullptr ? t->element_count : 0;
  if (count != nullptr) *count = element_count;
  if (symbols != nullptr) {
    for (int i = 0; i < element_count; ++i) {
      if (symbols[i] != nullptr) std::memcpy(symbols[i], t->symbols[i], refdata::kSymbolSize);
    }
  }
  return molar_mass;
}

}  // namespace

double MolecularMass(refdata::PinnedTables& pin, const char* formula, double* contributions, double* atoms,
                     int* count, char** symbols) {
  return Run(pin, formula, contributions, atoms, count, symbols);
}

double MolecularMass(const char* formula, double* contributions, double* atoms, int* count, char** symbols) {
  refdata::PinnedTables pin;
  return Run(pin, formula, contributions, atoms, count, symbols);
}

double MolarMass(const char* formula) {
  refdata::PinnedTables pin;
  return Run(pin, formula, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace formix::formula
