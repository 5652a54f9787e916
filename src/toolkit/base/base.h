// base.h -- the base room's door: text (UTF-8, code points, Windows-1251),
// numbers as text, the JSON writer.  Over nothing of the toolkit.
#ifndef FORMIX_TOOLKIT_BASE_DOOR_H
#define FORMIX_TOOLKIT_BASE_DOOR_H

#include "toolkit/base/json.h"     // IWYU pragma: export
#include "toolkit/base/numbers.h"  // IWYU pragma: export
#include "toolkit/base/text.h"     // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_BASE_DOOR_H
