// solution.h -- solutions at the bench: the mass to weigh for a
// concentration and volume (or the concentration or the volume from the
// other two), and dilutions of a stock (C1 V1 = C2 V2), with quantities
// written as people write them: "50 mM", "1.18 g/mL", "37 % w/w".
//
// Units (one table, solution.cpp): amount concentrations M, mM, µM (uM),
// nM, pM, mol/L, mmol/L, µmol/L, nmol/L; mass concentrations g/L, mg/mL,
// mg/L, µg/mL, µg/L, ng/mL, % w/v (g per 100 mL), ppm (mg/L) and ppb
// (µg/L), both of dilute aqueous solutions; mass fractions % w/w and wt%
// (a stock's, with its density); volumes L, mL, µL, nL, cm3; masses kg, g,
// mg, µg, ng; densities g/mL, g/cm3, kg/L, g/L.  A number and its unit may
// stand apart; "µ" is the micro sign or the Greek mu.  A value with no unit,
// a unit of another kind, zero, a negative or a number that is not finite
// is an error naming what is accepted.
#ifndef FORMIX_TOOLKIT_SOLUTION_H
#define FORMIX_TOOLKIT_SOLUTION_H

#include <initializer_list>
#include <string>

#include "toolkit/context/context.h"

namespace formix::toolkit {

// The amounts a bench handles, in mol: a reaction's bench table and a
// solution hold 1e-15 to 1e9 mol.
inline constexpr double kFewestMoles = 1e-15, kMostMoles = 1e9;

enum class Quantity {
  kNone,
  kAmountConcentration,
  kMassConcentration,
  kMassFraction,
  kVolume,
  kMass,
  kDensity
};

// A value in base units: mol/L, g/L, a fraction (0.37), L, g, g/L.
struct Measure {
  double value = 0.0;
  Quantity kind = Quantity::kNone;
  std::string text;  // as given, blanks at the ends trimmed
};

// Reads "50 mM", a quantity of one of `kinds`, into `*m`; "" or why not,
// naming the units of those kinds.  `what` names the quantity in the
// message ("the concentration").
std::string ReadMeasure(const std::string& text, const char* what, std::initializer_list<Quantity> kinds,
                        Measure* m);

// The solution of a formula; exactly two of conc, volume and mass given
// (the others ""), the third worked out.  `purity`: "98 %" or a fraction
// ("0.98"), "" for pure; `density` (of the reagent as supplied, "" for
// none): with it the volume of the liquid to measure is given too, and the
// mass may be given as a volume of the liquid.  `solvent`: "" for water.
struct Solution {
  std::string error;  // "" when worked out
  std::string formula, solvent;
  std::string solved;          // "mass", "conc" or "volume"
  double molar_mass = 0.0;     // g/mol
  double mass = 0.0;           // g of the reagent as supplied (purity counted)
  double pure_mass = 0.0;      // g of the substance itself
  double conc = 0.0;           // mol/L
  double mass_conc = 0.0;      // g/L of the substance
  double volume = 0.0;         // L of solution
  double purity = 1.0;         // fraction
  double density = 0.0;        // g/L of the reagent; NaN for none
  double liquid_volume = 0.0;  // L of the reagent to measure; NaN without a density
  std::string line;            // the bench line
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
};
Dilution MakeDilution(const Context& context, const std::string& formula, const std::string& stock,
                      const std::string& conc, const std::string& volume, const std::string& density,
                      const std::string& solvent);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_SOLUTION_H
