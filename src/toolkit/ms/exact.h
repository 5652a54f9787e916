// exact.h -- exact masses: monoisotopic and nominal masses from the natural
// isotopes, ions and their m/z, adduct ions, and the journal's HRMS line.
#ifndef FORMIX_TOOLKIT_EXACT_H
#define FORMIX_TOOLKIT_EXACT_H

#include <map>
#include <string>
#include <vector>

#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

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

// The index of the adduct named `name` in the context's list, or the
// list's size when there is none; and the message for that case.
std::size_t AdductIndex(const Context& context, const std::string& name);
std::string UnknownAdduct(const std::string& name);

// The counts of the context's adducts (one entry each), read on first use.
const std::vector<AdductCounts>& AdductCountsOf(const Context& context);

// The exact masses of the species itself (monoisotopic, nominal, an ion's
// m/z), no adduct ion.
ExactMasses SpeciesExact(const Context& context, const Reading& reading);

// Exact masses of a reading; `adducts`: names from the context's list to
// calculate, all of them when empty (charged species get none).
ExactMasses Exact(const Context& context, const Reading& reading, const std::vector<std::string>& adducts);

// A found m/z against one calculated: (found - mz) / mz x 1e6 and
// (found - mz) x 1000, and whether it lies within the window.
struct MzError {
  double ppm = 0.0, mda = 0.0;
  bool within = false;
};

// A found m/z against the exact masses: its error against the ion itself
// (a charged species) and against each adduct ion (an ion that cannot
// exist is never within), the closest possible adduct ion within `ppm`
// (-1: none), whether anything is within, and the journal's line for the
// closest.
struct FoundComparison {
  double found = 0.0, ppm = 0.0;
  MzError ion;                   // of the ion itself
  std::vector<MzError> adducts;  // of each adduct ion
  int best = -1;
  bool within = false;
  std::string hrms;    // "" without a closest adduct ion
  std::string source;  // the ionization of the HRMS lines
};
FoundComparison CompareFound(const ExactMasses& exact, double found, double ppm, const std::string& source);

// "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911."
std::string HrmsLine(const std::string& source, const AdductIon& ion, double found);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_EXACT_H
