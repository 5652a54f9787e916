// formula_generator.h -- formulas built out of the pieces the formula rules
// care about, for the differential tests.
#ifndef FORMIX32_TESTS_FORMULA_GENERATOR_H
#define FORMIX32_TESTS_FORMULA_GENERATOR_H

#include <random>
#include <string>
#include <vector>

namespace formix::test {

// Builds formulas out of the pieces the rules care about, and `extra`
// pieces (the names of a group file's own groups).
inline std::string RandomFormula(std::mt19937& rng, const std::vector<std::string>& extra = {}) {
  static const char* const
      kPieces[] = {"H",    "C",    "O",     "N",    "S",    "Cu",   "Fe",  "Na",
                   "Cl",   "K",    "Pt",    "U",    "Og",                  // elements
                   "Xx",   "Qq",   "Hex",   "Eta",  "h",    "o",    "x",   // unknown, small
                   "Ph",   "Me",   "Et",    "Bz",   "OAc",  "Tol",  "Hx",  // groups
                   "2",    "3",    "10",    "0.5",  ".5",   "1,5",  "2e1", "3E-1",
                   "5.",   ".",    "0",     "007",  // numbers
                   "(",    ")",    "[",     "]",    "{",    "}",    "(",   ")",
                   "*",    "*",    "-",     "=",    " ",    "  ",   "\t",         // structure
                   "\xD1", "\xF1", "\xD1u", "\xC0", "\xE0", "\xFF", "+",   ";"};  // other bytes
  constexpr int kCount = sizeof kPieces / sizeof kPieces[0];
  std::uniform_int_distribution<int> piece(0, kCount - 1 + static_cast<int>(extra.size()));
  std::uniform_int_distribution<int> length(0, 24);
  int pieces = length(rng);
  if (std::uniform_int_distribution<int>(0, 200)(rng) == 0) pieces = 120;  // past the limits
  // Groups that expand without end are rare: each fills the text to its limit.
  static const char* const kEndless[] = {"Sf", "Aa", "Bb", "Dd"};
  std::uniform_int_distribution<int> endless(0, 1199);
  std::string out;
  for (int i = 0; i < pieces; ++i) {
    int e = endless(rng);
    const int k = piece(rng);
    out += e < 4 ? kEndless[e] : k < kCount ? kPieces[k] : extra[k - kCount].c_str();
  }
  return out;
}

}  // namespace formix::test

#endif  // FORMIX32_TESTS_FORMULA_GENERATOR_H
