// bench.h -- the bench room's door: reactions, solutions and dilutions,
// a chain's masses and ions.  Over ms, reading, context and base.
#ifndef FORMIX_TOOLKIT_BENCH_DOOR_H
#define FORMIX_TOOLKIT_BENCH_DOOR_H

#include "toolkit/bench/quantity.h"  // IWYU pragma: export
#include "toolkit/bench/reaction.h"  // IWYU pragma: export
#include "toolkit/bench/sequence.h"  // IWYU pragma: export
#include "toolkit/bench/solution.h"  // IWYU pragma: export

#endif  // FORMIX_TOOLKIT_BENCH_DOOR_H
