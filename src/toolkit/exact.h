// exact.h -- exact masses: monoisotopic and nominal masses from the natural
// isotopes, ions and their m/z, adduct ions, and the journal's HRMS line.
#ifndef FORMIX_TOOLKIT_EXACT_H
#define FORMIX_TOOLKIT_EXACT_H

#include <string>
#include <vector>

#include "toolkit/context.h"
#include "toolkit/reading.h"

namespace formix::toolkit {

struct AdductIon {
  std::string name;     // [M+H]+
  std::string formula;  // the ion's Hill formula, no charge (C20H26NO3)
  int charge = 0;
  double mz = 0.0;       // monoisotopic
  bool possible = true;  // false when it removes atoms M does not have
};

struct ExactMasses {
  std::string error;          // why there are none ("" when fine)
  double monoisotopic = 0.0;  // u, of the species as read (an ion: electrons counted)
  double nominal = 0.0;       // the most abundant isotopes' mass numbers
  int charge = 0;
  double mz = 0.0;                 // an ion's m/z (monoisotopic)
  std::vector<AdductIon> adducts;  // of the neutral formula
};

// Exact masses of a reading; `adducts`: names from the context's list to
// calculate, all of them when empty (charged species get none).
ExactMasses Exact(const Context& context, const Reading& reading, const std::vector<std::string>& adducts);

// "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911."
std::string HrmsLine(const std::string& source, const AdductIon& ion, double found);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_EXACT_H
