// toolkit_context.h -- the toolkit context of the toolkit's fuzz targets:
// the shipped element table with groups that use each other and never stop.
#ifndef FORMIX_FUZZ_TOOLKIT_CONTEXT_H
#define FORMIX_FUZZ_TOOLKIT_CONTEXT_H

#include <memory>
#include <string>

#include "fuzz_input.h"
#include "toolkit/reading/reading.h"

namespace formix::fuzz {

inline const toolkit::Context& ToolkitContext() {
  static std::unique_ptr<toolkit::Context> context = [] {
    int status = 0;
    std::string groups = WriteFile("toolkit.gps", kFuzzGroups);
    auto c = toolkit::MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", groups.c_str(), &status);
    if (!c) __builtin_trap();
    return c;
  }();
  return *context;
}

}  // namespace formix::fuzz

#endif  // FORMIX_FUZZ_TOOLKIT_CONTEXT_H
