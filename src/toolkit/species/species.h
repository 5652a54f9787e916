// species.h -- the species room's door: one species beyond its reading:
// elemental analysis (Calcd/Found, solvates, formulas from found values),
// DBE and the chemical rules.  Over reading, context and base.
#ifndef FORMIX_TOOLKIT_SPECIES_DOOR_H
#define FORMIX_TOOLKIT_SPECIES_DOOR_H

#include "toolkit/species/analysis.h"  // IWYU pragma: export
#include "toolkit/species/rules.h"     // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_SPECIES_DOOR_H
