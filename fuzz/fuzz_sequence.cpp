// fuzz_sequence.cpp -- sequences and bench quantities on arbitrary input:
// byte 0 chooses.  Even: the rest is a sequence of the kind byte 0 / 2
// names, with the options of byte 1; a chain has a formula or an error
// inside the text, and the notation peptide(...) reads with every
// diagnostic inside the text.  Odd: the rest is '|'-separated quantities
// for a solution and a dilution; each has an error or finite positive
// results and its bench line.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/bench/bench.h"
#include "toolkit_context.h"

namespace {

bool Positive(double v) { return std::isfinite(v) && v > 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const formix::toolkit::Context& context = formix::fuzz::ToolkitContext();
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  if (data[0] % 2 == 0) {
    static const char* const kKinds[] = {"protein", "dna", "rna"};
    const char* kind = kKinds[(data[0] / 2) % 3];
    formix::toolkit::ChainOptions options;
    options.acetyl = (data[1] & 1) != 0;
    options.amide = (data[1] & 2) != 0;
    options.five_phosphate = (data[1] & 4) != 0;
    options.disulfides = (data[1] >> 3) % 4;
    const int charge = static_cast<int>(data[1] >> 5) - 3;
    const auto m = formix::toolkit::MassesOfChain(context, kind, rest.data(), rest.size(), options, charge,
                                                  (data[1] & 0x80) != 0 && charge == 0 ? "[M+Na]+" : "");
    const auto& c = m.chain;
    if (c.error.empty() == c.formula.empty()) __builtin_trap();
    if (c.error_offset + c.error_length > rest.size()) __builtin_trap();
    if (m.error.empty() && (!Positive(m.monoisotopic) || (charge != 0 && !Positive(m.mz)))) __builtin_trap();
    const std::string notation = std::string(data[0] % 3 == 0 ? "peptide(" : "dna(") + rest + ")";
    const auto r = formix::toolkit::Read(context, notation.data(), notation.size());
    for (const auto& d : r.diagnostics) {
      if (d.offset + d.length > notation.size()) __builtin_trap();
    }
    return 0;
  }
  std::vector<std::string> f;
  std::size_t from = 0;
  for (std::size_t bar; (bar = rest.find('|', from)) != std::string::npos && f.size() < 6; from = bar + 1) {
    f.push_back(rest.substr(from, bar - from));
  }
  f.push_back(rest.substr(from));
  f.resize(7);
  const std::string formula = (data[1] & 1) != 0 ? "NaCl" : f[6];
  const auto s = formix::toolkit::MakeSolution(context, formula, f[0], f[1], f[2], f[3], f[4], "");
  if (s.error.empty() && (!Positive(s.mass) || !Positive(s.conc) || !Positive(s.volume) || s.line.empty()))
    __builtin_trap();
  const auto d =
      formix::toolkit::MakeDilution(context, (data[1] & 2) != 0 ? "" : formula, f[0], f[1], f[2], f[4], "");
  if (d.error.empty() && (!Positive(d.stock_volume) || !(d.solvent_volume >= 0) || d.line.empty()))
    __builtin_trap();
  return 0;
}
