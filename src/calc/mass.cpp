// mass.cpp -- the molar mass of a formula, with its per-element results,
// and the notifier the module's messages go to.
#include "formix32.h"
#include "formula/engine.h"
#include "platform/platform.h"

extern "C" FORMIX32_API double FORMIX32_CALL MolecularMass(const char* formula, double* contributions,
                                                           double* atoms, int* count, char** symbols) {
  return formix::formula::MolecularMass(formula, contributions, atoms, count, symbols);
}

extern "C" FORMIX32_API double FORMIX32_CALL MolarMass(const char* formula) {
  return formix::formula::MolarMass(formula);
}

extern "C" FORMIX32_API void FORMIX32_CALL SetNotifier(FormixMessageFn on_message, FormixBeepFn on_beep,
                                                       void* context) {
  formix::platform::SetNotifier(on_message, on_beep, context);
}
