// fuzz_find.cpp -- formulas from an accurate mass on arbitrary queries:
// byte 0 chooses the ion, byte 1 the tolerance, bytes 2-3 the m/z, byte 4
// the rules, --explain and --radical, byte 5 the limit; the rest is the
// element ranges, then after '|' the found peaks.  Every candidate listed
// lies within the tolerance and the ranges, the counts add up, and the
// search stays within its step budget.
#include <cmath>
#include <cstdint>
#include <string>

#include "toolkit/ms/ms.h"
#include "toolkit_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  static const char* const kIons[] = {"", "[M+H]+", "[M-H]-", "[M+Na]+", "[M+2H]2+", "[2M+H]+", "[M+H-H2O]+"};
  formix::toolkit::FindQuery q;
  const std::size_t ion = data[0] % 10;
  if (ion < 7) {
    q.adduct = kIons[ion];
  } else {
    q.charge = ion == 7 ? 1 : ion == 8 ? -1 : 2;
  }
  q.ppm = 0.1 * (1 + data[1] % 200);              // 0.1 .. 20 ppm
  if (data[1] >= 200) q.mda = data[1] - 200;      // or 0 .. 55 mDa
  q.mz = 1.0 + (data[2] * 256 + data[3]) / 16.0;  // 1 .. 4097
  q.rules = (data[4] & 1) == 0;
  q.explain = (data[4] & 2) != 0;
  q.radical = (data[4] & 4) != 0 && q.adduct.empty();
  q.limit = 1 + data[5] % 50;
  // The bounds are what is checked (the defaults take seconds under the sanitizers).
  q.max_steps = 2e5;
  q.max_score_work = 2e6;
  const std::string rest(reinterpret_cast<const char*>(data + 6), size - 6);
  const std::size_t bar = rest.find('|');
  q.elements = rest.substr(0, bar);
  if (bar != std::string::npos) {
    std::string error;
    q.peaks = formix::toolkit::ParsePeaks(rest.substr(bar + 1), &error);
    if (!error.empty()) return 0;
  }
  const formix::toolkit::FindResult r = formix::toolkit::FindFormulas(formix::fuzz::ToolkitContext(), q);
  if (!r.error.empty()) {
    if (!r.candidates.empty()) __builtin_trap();
    return 0;
  }
  if (r.steps > q.max_steps * 2 + 1e6) __builtin_trap();
  if (r.candidates.size() > q.limit) __builtin_trap();
  const std::size_t eligible = q.explain ? r.within : r.passed;
  if (r.passed > r.within || r.candidates.size() + r.unlisted != eligible) __builtin_trap();
  for (const auto& c : r.candidates) {
    const double off = std::isnan(q.mda) ? std::fabs(c.ppm) - q.ppm : std::fabs(c.mda) - q.mda;
    if (!(off <= 1e-9)) __builtin_trap();
    if (c.counts.size() != r.ranges.size()) __builtin_trap();
    for (std::size_t i = 0; i < c.counts.size(); ++i) {
      if (c.counts[i] < r.ranges[i].least || c.counts[i] > r.ranges[i].most) __builtin_trap();
    }
    if (!c.broken.empty() && !q.explain) __builtin_trap();
    if (c.score > 100.0 + 1e-9 || (c.score < 0 && c.score != -1.0)) __builtin_trap();
  }
  return 0;
}
