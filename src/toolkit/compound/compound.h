// compound.h -- the compound room's door: one compound beyond its reading:
// elemental analysis (Calcd/Found, solvates, formulas from found values),
// DBE and the chemical rules.  Over reading, context and base.
#ifndef FORMIX_TOOLKIT_COMPOUND_DOOR_H
#define FORMIX_TOOLKIT_COMPOUND_DOOR_H

#include "toolkit/compound/analysis.h"  // IWYU pragma: export
#include "toolkit/compound/rules.h"     // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_COMPOUND_DOOR_H
