// bench_exact.cpp -- the toolkit's exact masses and isotope patterns: the
// monoisotopic mass of everyday formulas, and the pattern of a peptide-sized
// formula.  bench/peers.sh runs it beside the npm peers and prints ratios.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corpora.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/ms.h"
#include "toolkit/reading/reading.h"

namespace {

const formix::toolkit::Context& TheContext() {
  static std::unique_ptr<formix::toolkit::Context> context = [] {
    int status = 0;
    auto made =
        formix::toolkit::MakeContext(FORMIX_DATA_DIR "/mass.elt", FORMIX_DATA_DIR "/mass.gps", &status);
    return made;
  }();
  return *context;
}

void BM_Monoisotopic(benchmark::State& state) {
  std::vector<std::string> formulas;
  for (const auto& e : formix::bench::EverydayFormulas()) formulas.push_back(e.shared);
  for (auto _ : state) {
    for (const std::string& f : formulas) {
      formix::toolkit::Reading r = formix::toolkit::Read(TheContext(), f.data(), f.size());
      benchmark::DoNotOptimize(formix::toolkit::Exact(TheContext(), r, {"[M+H]+"}).monoisotopic);
    }
  }
  state.counters["per_formula"] =
      benchmark::Counter(static_cast<double>(formulas.size()),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Monoisotopic);

void BM_PeptidePattern(benchmark::State& state) {
  const std::string peptide = "C254H377N65O75S6";
  for (auto _ : state) {
    formix::toolkit::Reading r = formix::toolkit::Read(TheContext(), peptide.data(), peptide.size());
    benchmark::DoNotOptimize(formix::toolkit::IsotopePattern(TheContext(), r, 1e-6, 10000).peaks.size());
  }
}
BENCHMARK(BM_PeptidePattern)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
