// ms.h -- the mass spectrometry room's door: exact masses and ions, isotope
// patterns, formulas from an accurate mass.  Over compound, reading,
// context and base.
#ifndef FORMIX_TOOLKIT_MS_DOOR_H
#define FORMIX_TOOLKIT_MS_DOOR_H

#include "toolkit/ms/exact.h"    // IWYU pragma: export
#include "toolkit/ms/find.h"     // IWYU pragma: export
#include "toolkit/ms/pattern.h"  // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_MS_DOOR_H
