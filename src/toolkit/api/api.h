// api.h -- the api room's door: every result as the JSON documents every
// front reads.  The C interface (capi.h and its calls) is over these and
// all the rooms below.
#ifndef FORMIX_TOOLKIT_API_DOOR_H
#define FORMIX_TOOLKIT_API_DOOR_H

#include "toolkit/api/documents.h"  // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_API_DOOR_H
