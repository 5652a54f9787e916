// fuzz_pattern.cpp -- exact masses and isotope patterns of arbitrary text:
// the first two bytes choose the threshold and the resolving power, the
// rest is a formula.  Every pattern is finite, normalised and bounded.
#include <cmath>
#include <cstdint>
#include <string>

#include "toolkit/ms/ms.h"
#include "toolkit_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const double threshold = std::pow(10.0, -1.0 - data[0] % 9);  // 1e-1 .. 1e-9
  const double resolution = std::pow(10.0, 1.0 + data[1] % 8);  // 10 .. 1e8
  const char* text = reinterpret_cast<const char*>(data + 2);
  const auto& context = formix::fuzz::ToolkitContext();
  formix::toolkit::Reading r = formix::toolkit::Read(context, text, size - 2);
  formix::toolkit::Exact(context, r, {});
  formix::toolkit::Pattern p = formix::toolkit::IsotopePattern(context, r, threshold, resolution);
  if (!p.error.empty()) return 0;
  if (p.fine.size() > formix::toolkit::kMaxFinePeaks || p.peaks.empty()) __builtin_trap();
  double top = 0.0;
  for (const auto& peak : p.peaks) {
    if (!std::isfinite(peak.mass) || !(peak.abundance >= 0.0 && peak.abundance <= 100.0)) __builtin_trap();
    top = std::max(top, peak.abundance);
  }
  if (top != 100.0) __builtin_trap();
  return 0;
}
