// realistic.h -- a seeded generator of 10,000 distinct formulas as chemists
// write them, in the proportions of real use: organics 45 %, salts 20 %,
// group abbreviations 18 %, hydrates 10 %, complexes 7 %.  Each comes with
// a spelling xraylib also parses (round brackets only, hydrate water in
// brackets, group names written out), so that both libraries work on the
// same compounds.
#ifndef FORMIX_BENCH_REALISTIC_H
#define FORMIX_BENCH_REALISTIC_H

#include <random>
#include <set>
#include <string>
#include <vector>

namespace formix::bench {

struct RealisticFormula {
  std::string formula;  // as chemists write it
  std::string plain;    // the same compound, spelled for xraylib
  bool groups = false;  // written with group abbreviations (`plain` has them written out)
};

inline std::vector<RealisticFormula> RealisticFormulas(std::size_t count = 10000) {
  std::mt19937 rng(20261207);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto n = [](int k) { return k == 1 ? std::string() : std::to_string(k); };
  struct Ion {
    const char* text;
    int charge;
    bool group;  // needs brackets when repeated
  };
  static const Ion kCations[] = {{"Na", 1, false}, {"K", 1, false},  {"Li", 1, false}, {"NH4", 1, true},
                                 {"Ca", 2, false}, {"Mg", 2, false}, {"Ba", 2, false}, {"Zn", 2, false},
                                 {"Cu", 2, false}, {"Fe", 3, false}, {"Al", 3, false}, {"Ni", 2, false},
                                 {"Co", 2, false}, {"Mn", 2, false}, {"Cr", 3, false}, {"Ag", 1, false}};
  static const Ion kAnions[] = {{"Cl", 1, false},  {"Br", 1, false},  {"I", 1, false},     {"F", 1, false},
                                {"NO3", 1, true},  {"SO4", 2, true},  {"CO3", 2, true},    {"PO4", 3, true},
                                {"OH", 1, true},   {"ClO4", 1, true}, {"CH3COO", 1, true}, {"HCO3", 1, true},
                                {"C2O4", 2, true}, {"HSO4", 1, true}, {"BF4", 1, true},    {"SCN", 1, true}};
  static const char* const kGroups[][2] = {{"Ph", "C6H5"},    {"Me", "CH3"},      {"Et", "C2H5"},
                                           {"Bu", "C4H9"},    {"Bn", "C7H7"},     {"Bz", "C7H5O"},
                                           {"OAc", "C2H3O2"}, {"Tos", "C7H7SO2"}, {"Cy", "C6H11"},
                                           {"Tf", "CF3SO2"},  {"Ms", "CH3SO2"},   {"Boc", "C5H9O2"}};
  auto salt = [&](std::string* formix, std::string* plain) {
    const Ion& c = kCations[pick(0, 15)];
    const Ion& a = kAnions[pick(0, 15)];
    int x = a.charge, y = c.charge;
    for (int g = 2; g <= 3; ++g) {
      if (x % g == 0 && y % g == 0) x /= g, y /= g;
    }
    std::string s = (c.group && x > 1 ? "(" + std::string(c.text) + ")" : std::string(c.text)) + n(x) +
                    (a.group && y > 1 ? "(" + std::string(a.text) + ")" : std::string(a.text)) + n(y);
    *formix = s;
    *plain = s;
  };
  auto organic = [&]() {
    const int c = pick(1, 40);
    std::string s = "C" + n(c) + "H" + n(pick(c / 2 + 1, 2 * c + 2));
    if (pick(0, 2) > 0) s += "N" + n(pick(1, 4));
    if (pick(0, 4) > 0) s += "O" + n(pick(1, 8));
    if (pick(0, 5) == 0) s += "S" + n(pick(1, 2));
    static const char* const kHalogens[] = {"F", "Cl", "Br", "I"};
    if (pick(0, 4) == 0) s += std::string(kHalogens[pick(0, 3)]) + n(pick(1, 3));
    return s;
  };
  std::set<std::string> seen;
  std::vector<RealisticFormula> out;
  while (out.size() < count) {
    const int kind = pick(0, 99);
    std::string formix, plain;
    bool groups = false;
    if (kind < 45) {
      formix = plain = organic();
    } else if (kind < 65) {
      salt(&formix, &plain);
      if (seen.count(formix)) formix = plain = organic() + "Na";  // salts repeat: an organic salt instead
    } else if (kind < 83) {
      // Group abbreviations: one or two groups on an organic or inorganic core.
      const auto& g = kGroups[pick(0, 11)];
      const int k = pick(1, 3);
      static const char* const kCores[] = {"CO", "OH",  "N", "Cl", "Br", "CH2OH",  "COOH", "NH2",
                                           "SH", "CHO", "P", "Si", "Sn", "B(OH)2", "MgBr"};
      const char* core = kCores[pick(0, 14)];
      groups = true;
      formix = std::string(g[0]) + n(k) + core;
      plain = "(" + std::string(g[1]) + ")" + n(k) + core;
      if (pick(0, 1) == 0) {
        const std::string tail = organic();
        formix += tail;
        plain += tail;
      }
    } else if (kind < 93) {
      std::string s, p;
      salt(&s, &p);
      const int w = pick(1, 12);
      formix = s + "*" + n(w) + "H2O";
      plain = p + "(H2O)" + n(w);
    } else {
      static const char* const kMetals[] = {"Co", "Cr", "Fe", "Pt", "Cu", "Ni", "Ru", "Rh", "Pd", "Ir"};
      static const char* const kLigands[] = {"NH3", "H2O", "CN", "Cl", "CO", "C2H8N2", "C5H5N", "PPh3"};
      static const char* const kLigandsPlain[] = {"NH3", "H2O",    "CN",    "Cl",
                                                  "CO",  "C2H8N2", "C5H5N", "P(C6H5)3"};
      const int l = pick(0, 7), m = pick(0, 9), k = pick(2, 6);
      groups = l == 7;
      const char* counter = pick(0, 1) ? "Cl" : "K";
      const int c = pick(1, 4);
      const std::string inner = std::string(kMetals[m]) + "(" + kLigands[l] + ")" + n(k);
      const std::string inner_plain = std::string(kMetals[m]) + "(" + kLigandsPlain[l] + ")" + n(k);
      if (counter[0] == 'K') {
        formix = "K" + n(c) + "[" + inner + "]";
        plain = "K" + n(c) + "(" + inner_plain + ")";
      } else {
        formix = "[" + inner + "]Cl" + n(c);
        plain = "(" + inner_plain + ")Cl" + n(c);
      }
    }
    if (seen.insert(formix).second) out.push_back({formix, plain, groups});
  }
  return out;
}

}  // namespace formix::bench

#endif  // FORMIX_BENCH_REALISTIC_H
