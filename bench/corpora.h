// corpora.h -- named sets of formulas for the benchmarks.
#ifndef FORMIX32_BENCH_CORPORA_H
#define FORMIX32_BENCH_CORPORA_H

#include <string>
#include <vector>

namespace formix::bench {

// Formulas of everyday chemistry: salts, acids, hydrates, complexes,
// organics.  `shared` is the same compound in a spelling that parsers
// without '*', [] and {} also read (the hydrate water in round brackets).
struct Everyday {
  const char* formula;
  const char* shared;
};

inline const std::vector<Everyday>& EverydayFormulas() {
  static const std::vector<Everyday> k = {
      {"NaCl", "NaCl"},
      {"KCl", "KCl"},
      {"CaCO3", "CaCO3"},
      {"Na2CO3", "Na2CO3"},
      {"NaHCO3", "NaHCO3"},
      {"KMnO4", "KMnO4"},
      {"K2Cr2O7", "K2Cr2O7"},
      {"AgNO3", "AgNO3"},
      {"BaSO4", "BaSO4"},
      {"Ca3(PO4)2", "Ca3(PO4)2"},
      {"(NH4)2SO4", "(NH4)2SO4"},
      {"NH4NO3", "NH4NO3"},
      {"Al2(SO4)3", "Al2(SO4)3"},
      {"Fe2O3", "Fe2O3"},
      {"Fe3O4", "Fe3O4"},
      {"H2SO4", "H2SO4"},
      {"HNO3", "HNO3"},
      {"H3PO4", "H3PO4"},
      {"HCl", "HCl"},
      {"CH3COOH", "CH3COOH"},
      {"HClO4", "HClO4"},
      {"H2O", "H2O"},
      {"NaOH", "NaOH"},
      {"Ca(OH)2", "Ca(OH)2"},
      {"Mg(OH)2", "Mg(OH)2"},
      {"CuSO4*5H2O", "CuSO4(H2O)5"},
      {"Na2CO3*10H2O", "Na2CO3(H2O)10"},
      {"MgSO4*7H2O", "MgSO4(H2O)7"},
      {"CaSO4*2H2O", "CaSO4(H2O)2"},
      {"FeSO4*7H2O", "FeSO4(H2O)7"},
      {"KAl(SO4)2*12H2O", "KAl(SO4)2(H2O)12"},
      {"CoCl2*6H2O", "CoCl2(H2O)6"},
      {"Na2B4O7*10H2O", "Na2B4O7(H2O)10"},
      {"K4[Fe(CN)6]", "K4Fe(CN)6"},
      {"K3[Fe(CN)6]", "K3Fe(CN)6"},
      {"[Cu(NH3)4]SO4", "Cu(NH3)4SO4"},
      {"[Co(NH3)6]Cl3", "Co(NH3)6Cl3"},
      {"K2[PtCl6]", "K2PtCl6"},
      {"Na3[Co(NO2)6]", "Na3Co(NO2)6"},
      {"{Ag(NH3)2}Cl", "Ag(NH3)2Cl"},
      {"C6H12O6", "C6H12O6"},
      {"C12H22O11", "C12H22O11"},
      {"C2H5OH", "C2H5OH"},
      {"C6H6", "C6H6"},
      {"C8H10N4O2", "C8H10N4O2"},
      {"C9H8O4", "C9H8O4"},
      {"CH3(CH2)16COOH", "CH3(CH2)16COOH"},
      {"C6H5NO2", "C6H5NO2"},
      {"(CH3)2CO", "(CH3)2CO"},
      {"C3H5(OH)3", "C3H5(OH)3"},
  };
  return k;
}

// Formulas that lean on the shipped group abbreviations.
inline const std::vector<std::string>& GroupHeavyFormulas() {
  static const std::vector<std::string> k = {
      "Ph2CO", "PPh3",     "Pd(PPh3)4",    "Et3N",         "Bu4NBr",   "MeOH",  "EtOAc",   "PhMe",
      "BnOH",  "Cu(OAc)2", "TMSCl",        "[Co(en)3]Cl3", "Fe(Cp)2",  "TosCl", "BocNHMe", "Ph3CCl",
      "MesBr", "CyNH2",    "[Ru(py)6]Cl2", "PhCOOEt",      "Me3SiOTf", "BzCl",  "AdOH",    "Tr2O",
  };
  return k;
}

// Formulas at the working text's limit.
inline const std::vector<std::string>& WorstCaseFormulas() {
  static const std::vector<std::string> k = [] {
    std::string nesting = std::string(72, '(') + "H";
    for (int i = 0; i < 72; ++i) nesting += ")2";
    std::string stars;
    for (int i = 0; i < 54; ++i) stars += "*2(";
    stars += "H2O";
    std::string symbols;
    while (symbols.size() + 3 <= 219) symbols += "CH2";
    std::string mixed;
    while (mixed.size() + 11 <= 219) mixed += "Cu(SO4)2*5H";
    return std::vector<std::string>{nesting, stars, symbols, mixed};
  }();
  return k;
}

}  // namespace formix::bench

#endif  // FORMIX32_BENCH_CORPORA_H
