// shipped_context.h -- the toolkit context over the data files shipped
// in data/, which the toolkit tests work on.
#ifndef FORMIX_TESTS_TOOLKIT_SHIPPED_CONTEXT_H
#define FORMIX_TESTS_TOOLKIT_SHIPPED_CONTEXT_H

#include <memory>

#include "toolkit/context.h"

namespace formix::toolkit {

// Null when the shipped files cannot be read.
inline std::unique_ptr<Context> ShippedContext() {
  int status = 0;
  return MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", FORMIX_SOURCE_DATA_DIR "/mass.gps", &status);
}

}  // namespace formix::toolkit

#endif
