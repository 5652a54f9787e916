// solution.h -- solutions at the bench: the mass to weigh for a
// concentration and volume (or the concentration or the volume from the
// other two), and dilutions of a stock (C1 V1 = C2 V2), with quantities
// written as people write them: "50 mM", "1.18 g/mL", "37 % w/w".

// (Quantities: quantity.h.)
#ifndef FORMIX_TOOLKIT_SOLUTION_H
#define FORMIX_TOOLKIT_SOLUTION_H

#include <string>
#include <vector>

#include "toolkit/bench/quantity.h"
#include "toolkit/context/context.h"

namespace formix::toolkit {

// The solution of a formula; exactly two of conc, volume and mass given
// (the others ""), the third worked out.  `purity`: "98 %" or a fraction
// ("0.98"), "" for pure; `density` (of the reagent as supplied, "" for
// none): with it the volume of the liquid to measure is given too, and the
// mass may be given as a volume of the liquid.  `solvent`: "" for water.
struct Solution {
  std::string error;  // "" when worked out
  std::string formula, solvent;
  std::string solved;              // "mass", "conc" or "volume"
  double molar_mass = 0.0;         // g/mol
  double mass = 0.0;               // g of the reagent as supplied (purity counted)
  double pure_mass = 0.0;          // g of the substance itself
  double conc = 0.0;               // mol/L
  double mass_conc = 0.0;          // g/L of the substance
  double volume = 0.0;             // L of solution
  double purity = 1.0;             // fraction
  double density = 0.0;            // g/L of the reagent; NaN for none
  double liquid_volume = 0.0;      // L of the reagent to measure; NaN without a density
  std::string line;                // the bench line
  std::vector<std::string> notes;  // what reading the quantities did (a decimal comma)
};
Solution MakeSolution(const Context& context, const std::string& formula, const std::string& conc,
                      const std::string& volume, const std::string& mass, const std::string& purity,
                      const std::string& density, const std::string& solvent);

// A dilution: the volume of `stock` that makes `volume` of `conc`, and the
// solvent added.  Concentrations of different kinds are converted through
// the formula's molar mass (`formula` "" when none is needed); a stock in
// % w/w needs its density.
struct Dilution {
  std::string error;
  std::string formula, solvent;
  double molar_mass = 0.0;       // g/mol; NaN without a formula
  double stock = 0.0;            // mol/L; NaN when unknown (no formula)
  double stock_mass_conc = 0.0;  // g/L; NaN when unknown
  double conc = 0.0;             // mol/L; NaN when unknown
  double mass_conc = 0.0;        // g/L; NaN when unknown
  double volume = 0.0;           // L of the dilution
  double stock_volume = 0.0;     // L of stock
  double solvent_volume = 0.0;   // L of solvent (volumes taken as additive)
  double density = 0.0;          // g/L of the stock; NaN for none
  std::string line;
  std::vector<std::string> notes;
};
Dilution MakeDilution(const Context& context, const std::string& formula, const std::string& stock,
                      const std::string& conc, const std::string& volume, const std::string& density,
                      const std::string& solvent);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_SOLUTION_H
