// bench_formix.cpp -- speed of the library's calls over named corpora, side
// by side with xraylib's CompoundParser and a bare copy-and-scan baseline,
// with the ratios printed from the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "corpora.h"
#include "formix32.h"
#include "realistic.h"

#ifdef FORMIX_HAVE_XRAYLIB
#include <xraylib.h>
#endif

// ---- Heap allocation counting ---------------------------------------------
// Every malloc of the statically linked engine (through --wrap) and every
// operator new of this program is counted.
namespace {
long g_allocations = 0;
}
extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __wrap_malloc(std::size_t size) {
  ++g_allocations;
  return __real_malloc(size);
}
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using formix::bench::EverydayFormulas;

void FORMIX32_CALL Silent(const char*, const char*, void*) {}
void FORMIX32_CALL SilentBeep(void*) {}

struct Corpus {
  std::vector<std::string> formulas;
  std::size_t bytes = 0;
};

const Corpus& GetCorpus(const std::string& name) {
  static std::map<std::string, Corpus> corpora;
  Corpus& c = corpora[name];
  if (!c.formulas.empty()) return c;
  if (name == "everyday") {
    for (const auto& e : EverydayFormulas()) c.formulas.push_back(e.formula);
  } else if (name == "shared") {
    for (const auto& e : EverydayFormulas()) c.formulas.push_back(e.shared);
  } else if (name == "groups") {
    c.formulas = formix::bench::GroupHeavyFormulas();
  } else {
    c.formulas = formix::bench::WorstCaseFormulas();
  }
  for (const std::string& f : c.formulas) c.bytes += f.size();
  return c;
}

void SetUpLibrary() {
  SetNotifier(&Silent, &SilentBeep, nullptr);
  MolarMass("");  // load the tables outside the timed loops
}

// Per-formula and per-byte time, items and bytes per second.
void Report(benchmark::State& state, const Corpus& c) {
  auto n = static_cast<double>(c.formulas.size());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * c.formulas.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
  state.counters["per_formula"] =
      benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["per_byte"] =
      benchmark::Counter(static_cast<double>(c.bytes),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Heap allocations of one pass over the corpus, per call.
template <typename Call>
void CountAllocations(benchmark::State& state, const Corpus& c, Call call) {
  long before = g_allocations;
  for (const std::string& f : c.formulas) call(f);
  state.counters["allocs_per_call"] =
      static_cast<double>(g_allocations - before) / static_cast<double>(c.formulas.size());
}

void BM_MolarMass(benchmark::State& state, const char* corpus) {
  SetUpLibrary();
  const Corpus& c = GetCorpus(corpus);
  for (auto _ : state) {
    for (const std::string& f : c.formulas) benchmark::DoNotOptimize(MolarMass(f.c_str()));
  }
  Report(state, c);
  CountAllocations(state, c, [](const std::string& f) { MolarMass(f.c_str()); });
}
BENCHMARK_CAPTURE(BM_MolarMass, everyday, "everyday");
BENCHMARK_CAPTURE(BM_MolarMass, shared, "shared");
BENCHMARK_CAPTURE(BM_MolarMass, groups, "groups");
BENCHMARK_CAPTURE(BM_MolarMass, worst, "worst");

// The everyday corpus from one thread and from two at once: the library
// takes no lock on a calculation's path, so two threads on two cores should
// give twice the throughput.
void BM_MolarMassThreads(benchmark::State& state) {
  if (state.thread_index() == 0) SetUpLibrary();
  const Corpus& c = GetCorpus("everyday");
  for (auto _ : state) {
    for (const std::string& f : c.formulas) benchmark::DoNotOptimize(MolarMass(f.c_str()));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * c.formulas.size()));
}
BENCHMARK(BM_MolarMassThreads)->Threads(1)->Threads(2)->UseRealTime();

void BM_MolecularMassAllOutputs(benchmark::State& state, const char* corpus) {
  SetUpLibrary();
  const Corpus& c = GetCorpus(corpus);
  static double contributions[200], atoms[200];
  static char buffers[200][4];
  static char* symbols[200];
  for (int i = 0; i < 200; ++i) symbols[i] = buffers[i];
  int count = 0;
  auto call = [&](const std::string& f) {
    return MolecularMass(f.c_str(), contributions, atoms, &count, symbols);
  };
  for (auto _ : state) {
    for (const std::string& f : c.formulas) benchmark::DoNotOptimize(call(f));
  }
  Report(state, c);
  CountAllocations(state, c, call);
}
BENCHMARK_CAPTURE(BM_MolecularMassAllOutputs, everyday, "everyday");
BENCHMARK_CAPTURE(BM_MolecularMassAllOutputs, groups, "groups");
BENCHMARK_CAPTURE(BM_MolecularMassAllOutputs, worst, "worst");

// One element of each everyday formula: NumberOfAtoms or PercentOfElement.
void BM_ElementQuery(benchmark::State& state, double(FORMIX32_CALL* query)(const char*, const char*)) {
  SetUpLibrary();
  const Corpus& c = GetCorpus("everyday");
  for (auto _ : state) {
    for (const std::string& f : c.formulas) benchmark::DoNotOptimize(query(f.c_str(), "O"));
  }
  Report(state, c);
}
BENCHMARK_CAPTURE(BM_ElementQuery, NumberOfAtoms, &NumberOfAtoms);
BENCHMARK_CAPTURE(BM_ElementQuery, PercentOfElement, &PercentOfElement);

void BM_ChemEqu(benchmark::State& state) {
  SetUpLibrary();
  const char* formulas[] = {"C6H12O6", "O2", "CO2", "H2O"};
  const double coefficients[] = {1, 6, 6, 6};
  double masses[4] = {180.0, 0, 0, 0};
  for (auto _ : state) {
    ChemEqu(formulas, coefficients, masses, 0, 4);
    benchmark::DoNotOptimize(masses[1]);
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ChemEqu);

void BM_GetFormula(benchmark::State& state, int reference) {
  SetUpLibrary();
  const char* formulas[] = {"C", "H", "O", "N"};
  const double fractions[] = {49.48, 5.19, 16.48, 28.85};
  double ratios[4];
  for (auto _ : state) {
    GetFormula(formulas, fractions, 4, reference, 194.19, ratios);
    benchmark::DoNotOptimize(ratios[0]);
  }
}
BENCHMARK_CAPTURE(BM_GetFormula, to_total_mass, -1);
BENCHMARK_CAPTURE(BM_GetFormula, to_reference, 0);

void BM_ReloadMassFile(benchmark::State& state) {
  SetUpLibrary();
  for (auto _ : state) benchmark::DoNotOptimize(SetNewMassesFile(FORMIX_DATA_DIR "/mass.elt"));
}
BENCHMARK(BM_ReloadMassFile);

// The formix tool's batch path: one process over a file of formulas.
void BM_FormixBatch(benchmark::State& state) {
  const Corpus& c = GetCorpus("everyday");
  const std::string input = "/tmp/formix-bench-batch.txt";
  std::size_t formulas = 0, bytes = 0;
  {
    std::ofstream out(input);
    while (formulas < 20000) {
      for (const std::string& f : c.formulas) {
        out << f << '\n';
        ++formulas;
        bytes += f.size();
      }
    }
  }
  const std::string command = std::string(FORMIX_TOOL) + " mass < " + input + " > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("formix failed");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * formulas));
  state.counters["per_formula"] =
      benchmark::Counter(static_cast<double>(formulas),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["per_byte"] =
      benchmark::Counter(static_cast<double>(bytes),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FormixBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// A floor for any parser: copy each formula and look at every byte once.
void BM_Baseline(benchmark::State& state) {
  const Corpus& c = GetCorpus("shared");
  char buffer[256];
  for (auto _ : state) {
    for (const std::string& f : c.formulas) {
      std::strcpy(buffer, f.c_str());
      unsigned sum = 0;
      for (const char* p = buffer; *p != '\0'; ++p) sum += static_cast<unsigned char>(*p);
      benchmark::DoNotOptimize(sum);
    }
  }
  Report(state, c);
}
BENCHMARK(BM_Baseline);

// ---- The realistic corpus: 10,000 distinct formulas ----------------------

const std::vector<formix::bench::RealisticFormula>& Realistic() {
  static const std::vector<formix::bench::RealisticFormula> corpus = formix::bench::RealisticFormulas();
  return corpus;
}

void ReportRealistic(benchmark::State& state) {
  state.counters["per_formula"] =
      benchmark::Counter(static_cast<double>(Realistic().size()),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RealisticMolarMass(benchmark::State& state) {
  SetUpLibrary();
  const auto& corpus = Realistic();
  for (auto _ : state) {
    for (const auto& f : corpus) benchmark::DoNotOptimize(MolarMass(f.formula.c_str()));
  }
  ReportRealistic(state);
}
BENCHMARK(BM_RealisticMolarMass);

// The formulas written with group abbreviations, against the same
// compounds with the groups written out.
void BM_RealisticGroups(benchmark::State& state, bool written_out) {
  SetUpLibrary();
  std::vector<const char*> texts;
  for (const auto& f : Realistic()) {
    if (f.groups) texts.push_back(written_out ? f.plain.c_str() : f.formula.c_str());
  }
  for (auto _ : state) {
    for (const char* text : texts) benchmark::DoNotOptimize(MolarMass(text));
  }
  state.counters["per_formula"] =
      benchmark::Counter(static_cast<double>(texts.size()),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_RealisticGroups, abbreviated, false);
BENCHMARK_CAPTURE(BM_RealisticGroups, written_out, true);

// The floor: copy into a stack buffer, one pass of symbols, digits and
// brackets summing table look-ups.  No groups, no '*', no checks: what any
// evaluator must at least do.
struct FloorTable {
  double mass[26][27] = {};
};

const FloorTable& Floor() {
  static const FloorTable table = [] {
    FloorTable t;
    std::ifstream in(FORMIX_DATA_DIR "/mass.elt");
    std::string number, symbol;
    double mass;
    while (in >> number >> symbol >> mass) {
      if (symbol.size() <= 2) t.mass[symbol[0] - 'A'][symbol.size() == 2 ? symbol[1] - 'a' + 1 : 0] = mass;
    }
    return t;
  }();
  return table;
}

double FloorMolarMass(const FloorTable& t, const char* formula) {
  char buffer[256];
  const std::size_t length = strnlen(formula, sizeof buffer - 1);
  std::memcpy(buffer, formula, length);
  buffer[length] = '\0';
  double stack[32] = {0.0};
  int depth = 0;
  double last = 0.0;
  for (const char* p = buffer; *p != '\0';) {
    const char c = *p;
    if (c >= 'A' && c <= 'Z') {
      const int a = c - 'A';
      int b = 0;
      if (*++p >= 'a' && *p <= 'z') b = *p++ - 'a' + 1;
      while (*p >= 'a' && *p <= 'z') ++p;
      last = t.mass[a][b];
      stack[depth] += last;
    } else if (c >= '0' && c <= '9') {
      int k = 0;
      while (*p >= '0' && *p <= '9') k = k * 10 + (*p++ - '0');
      stack[depth] += last * (k - 1);
    } else if (c == '(' || c == '[') {
      if (depth < 31) stack[++depth] = 0.0;
      last = 0.0;
      ++p;
    } else if (c == ')' || c == ']') {
      last = depth > 0 ? stack[depth--] : 0.0;
      stack[depth] += last;
      ++p;
    } else {
      ++p;
    }
  }
  return stack[0];
}

void BM_RealisticFloor(benchmark::State& state) {
  const FloorTable& t = Floor();
  const auto& corpus = Realistic();
  for (auto _ : state) {
    for (const auto& f : corpus) benchmark::DoNotOptimize(FloorMolarMass(t, f.formula.c_str()));
  }
  ReportRealistic(state);
}
BENCHMARK(BM_RealisticFloor);

#ifdef FORMIX_HAVE_XRAYLIB
void BM_Xraylib(benchmark::State& state) {
  const Corpus& c = GetCorpus("shared");
  for (const std::string& f : c.formulas) {
    struct compoundData* d = CompoundParser(f.c_str(), nullptr);
    if (d == nullptr) {
      state.SkipWithError(("xraylib cannot parse " + f).c_str());
      return;
    }
    FreeCompoundData(d);
  }
  for (auto _ : state) {
    for (const std::string& f : c.formulas) {
      struct compoundData* d = CompoundParser(f.c_str(), nullptr);
      benchmark::DoNotOptimize(d->molarMass);
      FreeCompoundData(d);
    }
  }
  Report(state, c);
}
BENCHMARK(BM_Xraylib);

void BM_RealisticXraylib(benchmark::State& state) {
  const auto& corpus = Realistic();
  for (const auto& f : corpus) {
    struct compoundData* d = CompoundParser(f.plain.c_str(), nullptr);
    if (d == nullptr) {
      state.SkipWithError(("xraylib cannot parse " + f.plain).c_str());
      return;
    }
    FreeCompoundData(d);
  }
  for (auto _ : state) {
    for (const auto& f : corpus) {
      struct compoundData* d = CompoundParser(f.plain.c_str(), nullptr);
      benchmark::DoNotOptimize(d->molarMass);
      FreeCompoundData(d);
    }
  }
  ReportRealistic(state);
}
BENCHMARK(BM_RealisticXraylib);
#endif

// Console output plus the ratios of the side-by-side runs: medians over the
// repetitions, which the machine's noise moves least.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration) {
        times_[run.run_name.str()].push_back(run.GetAdjustedRealTime());
        auto rate = run.counters.find("items_per_second");
        if (rate != run.counters.end()) rates_[run.run_name.str()].push_back(rate->second.value);
      } else if (run.aggregate_name == "median") {
        medians_[run.run_name.str()] = run.GetAdjustedRealTime();
        auto rate = run.counters.find("items_per_second");
        if (rate != run.counters.end()) median_rates_[run.run_name.str()] = rate->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double formix = Median("BM_MolarMass/shared"), xraylib = Median("BM_Xraylib"),
           baseline = Median("BM_Baseline");
    std::size_t n = EverydayFormulas().size();
    std::printf("\nshared everyday formulas (%zu), same process, medians of the repetitions:\n", n);
    if (formix > 0) std::printf("  formix    %8.1f ns per formula\n", formix / n);
    if (xraylib > 0) std::printf("  xraylib   %8.1f ns per formula\n", xraylib / n);
    if (baseline > 0) std::printf("  baseline  %8.1f ns per formula\n", baseline / n);
    if (formix > 0 && xraylib > 0) std::printf("  xraylib / formix  = %.1f\n", xraylib / formix);
    if (formix > 0 && baseline > 0) std::printf("  formix / baseline = %.1f\n", formix / baseline);
    const double rf = Median("BM_RealisticMolarMass"), rfloor = Median("BM_RealisticFloor"),
                 rx = Median("BM_RealisticXraylib");
    const double m = static_cast<double>(Realistic().size());
    if (rf > 0) {
      std::printf("\nrealistic corpus, %zu distinct formulas, same process, medians:\n", Realistic().size());
      std::printf("  formix    %8.1f ns per formula\n", rf / m);
      if (rfloor > 0) std::printf("  floor     %8.1f ns per formula\n", rfloor / m);
      if (rx > 0) std::printf("  xraylib   %8.1f ns per formula\n", rx / m);
      if (rfloor > 0) std::printf("  formix / floor    = %.2f\n", rf / rfloor);
      if (rx > 0) std::printf("  xraylib / formix  = %.1f\n", rx / rf);
    }
    const double ga = Median("BM_RealisticGroups/abbreviated"), gw = Median("BM_RealisticGroups/written_out");
    if (ga > 0 && gw > 0) {
      std::printf("  group abbreviations / written out = %.2f\n", ga / gw);
    }
    double one = MedianRate("BM_MolarMassThreads/real_time/threads:1");
    double two = MedianRate("BM_MolarMassThreads/real_time/threads:2");
    if (one > 0 && two > 0) {
      std::printf(
          "\nMolarMass throughput, everyday corpus: one thread %.2f M/s, two threads %.2f M/s (%.2fx)\n",
          one / 1e6, two / 1e6, two / one);
    }
  }

 private:
  double Median(const std::string& name) {
    if (medians_.count(name) != 0) return medians_[name];
    std::vector<double> v = times_[name];
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
  double MedianRate(const std::string& name) {
    if (median_rates_.count(name) != 0) return median_rates_[name];
    std::vector<double> v = rates_[name];
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
  std::map<std::string, std::vector<double>> times_, rates_;
  std::map<std::string, double> medians_, median_rates_;
};

}  // namespace

int main(int argc, char** argv) {
  // The counter must see a malloc made here, or its zeros mean nothing.
  long before = g_allocations;
  void* probe = std::malloc(16);
  benchmark::DoNotOptimize(probe);
  std::free(probe);
  if (g_allocations == before) {
    std::fprintf(stderr, "heap allocation counting does not work in this build\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
