// fuzz_reading.cpp -- the toolkit's reading layer on arbitrary bytes, over
// the shipped tables with groups that use each other and never stop: every
// diagnostic lies inside the text, a reading has a number exactly when it
// has no error, and reading again gives the same bits.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "toolkit/reading/reading.h"
#include "toolkit_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& context = formix::fuzz::ToolkitContext();
  const char* text = reinterpret_cast<const char*>(data);
  formix::toolkit::Reading r = formix::toolkit::Read(context, text, size);
  for (const auto& d : r.diagnostics) {
    if (d.offset > size || d.length > size - d.offset || d.severity < 0 || d.severity > 2) __builtin_trap();
  }
  if (r.has_value != (r.Worst() < formix::toolkit::kError)) __builtin_trap();
  if (!r.has_value && !std::isnan(r.molar_mass)) __builtin_trap();
  for (const auto& e : r.elements) {
    // A natural element indexes the table; an isotope label lies past it.
    const bool natural = e.mass_number == 0;
    if (e.index < 0 || natural != (e.index < context.tables.element_count)) __builtin_trap();
  }
  formix::toolkit::Reading again = formix::toolkit::Read(context, text, size);
  if (std::memcmp(&r.molar_mass, &again.molar_mass, sizeof r.molar_mass) != 0 &&
      !(std::isnan(r.molar_mass) && std::isnan(again.molar_mass))) {
    __builtin_trap();
  }
  if (again.diagnostics.size() != r.diagnostics.size()) __builtin_trap();
  return 0;
}
