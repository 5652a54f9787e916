// fuzz_lists.cpp -- the toolkit's lists of residues, abbreviations and
// solvents on arbitrary bytes (NUL bytes split the input into the three
// files), whose formulas may name each other: a residue written as a
// sequence of itself, a solvent that is a peptide, an abbreviation that
// holds another.  A context is made over them and every entry is read:
// as a residue of a sequence, a deuterated solvent by name, a solvent's
// and an abbreviation's formula, a compound standing alone.  Each reading
// ends, with its diagnostics inside the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "toolkit/context.h"
#include "toolkit/reading.h"

namespace {

void Check(const formix::toolkit::Context& context, const std::string& text) {
  const auto r = formix::toolkit::Read(context, text.data(), text.size());
  for (const auto& d : r.diagnostics) {
    if (d.offset + d.length > text.size()) __builtin_trap();
  }
  if (r.has_value && !(r.molar_mass == r.molar_mass)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::vector<std::string> parts(3);
  std::size_t k = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && k < 2) {
      ++k;
    } else {
      parts[k] += static_cast<char>(data[i]);
    }
  }
  formix::fuzz::WriteFile("residues.txt", parts[0]);
  formix::fuzz::WriteFile("abbrev.txt", parts[1]);
  formix::fuzz::WriteFile("solvents.txt", parts[2]);
  static const bool pointed = setenv("FORMIX32_DATA_DIR", formix::fuzz::ScratchDir().c_str(), 1) == 0;
  if (!pointed) __builtin_trap();
  int status = 0;
  auto context = formix::toolkit::MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt",
                                              FORMIX_SOURCE_DATA_DIR "/mass.gps", &status);
  if (!context) __builtin_trap();
  std::string codes;
  for (const auto& r : context->residues) {
    codes += "[" + r.code + "]";
    Check(*context, (r.kind == "protein" ? "peptide([" : r.kind + "([") + r.code + "])");
    Check(*context, r.formula);
  }
  Check(*context, "peptide(" + codes + ")");
  for (const auto& s : context->solvents) {
    Check(*context, s.formula);
    Check(*context, s.name + "-d2");
  }
  for (const auto& a : context->acronyms) {
    Check(*context, a.symbol);
    Check(*context, a.symbol + "*HCl");
    Check(*context, a.formula);
  }
  return 0;
}
