// fuzz_reaction.cpp -- the equation reader, the balancer and the amounts on
// arbitrary bytes: the first line is an equation, each further line an
// amount ("g F=A", "e F=N", "d F=D", "c F=C").  A balance found must
// conserve every element and the charge.
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "toolkit/bench/bench.h"
#include "toolkit_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t eol = input.find('\n');
  const std::string equation = input.substr(0, eol);
  for (bool balance : {false, true}) {
    formix::toolkit::Reaction r =
        formix::toolkit::ReadEquation(formix::fuzz::ToolkitContext(), equation, balance, true);
    if (!r.error.empty()) continue;
    if (balance) {
      std::map<std::string, double> net;
      double charge = 0.0;
      for (const auto& p : r.participants) {
        const double sign = p.side == 0 ? 1.0 : -1.0;
        for (const auto& e : p.reading.elements) net[e.symbol] += sign * p.coefficient * e.atoms;
        charge += sign * p.coefficient * p.reading.charge;
        if (!(p.coefficient >= 1.0) || p.coefficient != std::floor(p.coefficient)) __builtin_trap();
      }
      for (const auto& n : net) {
        if (std::fabs(n.second) > 1e-6 * (1.0 + std::fabs(n.second))) __builtin_trap();
      }
      if (std::fabs(charge) > 1e-6) __builtin_trap();
    }
    for (std::size_t from = eol; from != std::string::npos && from < input.size();) {
      const std::size_t next = input.find('\n', from + 1);
      const std::string line =
          input.substr(from + 1, next == std::string::npos ? std::string::npos : next - from - 1);
      if (line.size() > 2) formix::toolkit::SetAmount(r, line.substr(2), line[0]);
      from = next;
    }
    formix::toolkit::SolveAmounts(r);
  }
  return 0;
}
