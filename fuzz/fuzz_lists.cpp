// fuzz_lists.cpp -- the toolkit's residues, abbreviations and solvents on
// arbitrary bytes (NUL bytes split the input into the three files), whose
// formulas may name each other.  Every entry is read, as a residue, a
// deuterated solvent by name, a formula and a compound standing alone:
// each reading ends, its diagnostics inside its text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::string parts[3];
  for (std::size_t i = 0, k = 0; i < size; ++i) {
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
  int status = 0;
  auto context = formix::toolkit::MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt",
                                              FORMIX_SOURCE_DATA_DIR "/mass.gps", &status);
  if (!pointed || !context) __builtin_trap();
  std::vector<std::string> texts;
  for (const auto& r : context->residues) {
    texts.push_back((r.kind == "protein" ? "peptide([" : r.kind + "([") + r.code + "])");
    texts.push_back(r.formula);
  }
  for (const auto& s : context->solvents) texts.insert(texts.end(), {s.formula, s.name + "-d2"});
  for (const auto& a : context->acronyms) texts.insert(texts.end(), {a.symbol, a.symbol + "*HCl", a.formula});
  for (const std::string& text : texts) {
    const auto r = formix::toolkit::Read(*context, text.data(), text.size());
    for (const auto& d : r.diagnostics) {
      if (d.offset + d.length > text.size()) __builtin_trap();
    }
  }
  return 0;
}
