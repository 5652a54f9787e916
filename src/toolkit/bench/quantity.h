// quantity.h -- the bench's one quantity grammar and its one writer:
// quantities written as people write them ("50 mM", "1.18 g/mL",
// "37 % w/w", "4.96 µmol") read into base units, and amounts written back
// in the unit of their size with units of the same table, so that any
// quantity printed reads back.
//
// Units (one table, quantity.cpp): amount concentrations M, mM, µM (uM),
// nM, pM, mol/L, mmol/L, µmol/L, nmol/L; mass concentrations g/L, mg/mL,
// mg/L, µg/mL, µg/L, ng/mL, % w/v (g per 100 mL), ppm (mg/L) and ppb
// (µg/L), both of dilute aqueous solutions; mass fractions % w/w and wt%
// (a stock's, with its density); the volume fraction % v/v (a liquid's,
// with its density); volumes L, mL, µL, nL, pL, cm3; masses
// kg, g, mg, µg, ng, pg, fg; amounts mol, mmol, µmol, nmol, pmol, fmol;
// densities g/mL, g/cm3, kg/L, g/L.  A number and its unit may stand
// apart; "µ" is the micro sign or the Greek mu; the litre is L or l.  A
// value with no unit (where the quantity has no default unit), a unit of
// another kind, zero, a negative or a number that is not finite is an
// error naming what is accepted.
#ifndef FORMIX_TOOLKIT_QUANTITY_H
#define FORMIX_TOOLKIT_QUANTITY_H

#include <initializer_list>
#include <string>

namespace formix::toolkit {

// The amounts a bench handles, in mol: a reaction's bench table and a
// solution hold 1e-15 to 1e9 mol.
inline constexpr double kFewestMoles = 1e-15, kMostMoles = 1e9;

enum class Quantity {
  kNone,
  kAmountConcentration,
  kMassConcentration,
  kMassFraction,
  kVolumeFraction,
  kVolume,
  kMass,
  kAmount,
  kDensity
};

// A value in base units: mol/L, g/L, a fraction (0.37), L, g, mol, g/L.
struct Measure {
  double value = 0.0;
  Quantity kind = Quantity::kNone;
  std::string text;  // as given, blanks at the ends trimmed
  std::string note;  // what the reading did that the reader should know ("" for nothing)
};

// Reads "50 mM", a quantity of one of `kinds`, into `*m`; "" or why not,
// naming the units of those kinds.  A decimal comma is read as a point,
// with a note in `m->note` ("0,5 M"), where it cannot separate thousands:
// a comma followed by three digits ("1,000 mL") is refused as ambiguous.  `what` names the quantity in the
// message ("the concentration").  `bare_unit`: the unit of a number
// written without one (nullptr: a unit is required).
std::string ReadMeasure(const std::string& text, const char* what, std::initializer_list<Quantity> kinds,
                        Measure* m, const char* bare_unit = nullptr);

// Whether `unit` is a unit the grammar knows, as typed ("mM", "mg mL-1",
// "% w/v", "ml"; or one it refuses with its reason, "N").
bool IsUnit(const std::string& unit);

// "" for a density of a liquid or solid, 0.05 to 25 g/mL (the lightest
// liquid, hydrogen's, 0.07 g/mL; the densest metal, osmium's, 22.6 g/mL),
// else why not.  A density given in a unit of mass concentration (g/L) is
// one, within these.
std::string CheckDensity(const Measure& density);

// A density as every command takes it: a density or a mass concentration
// unit, g/mL when no unit is written, within CheckDensity's range.
std::string ReadDensity(const std::string& text, const char* what, Measure* density);

// "an amount concentration", "a volume", ...: the kind named in messages.
const char* QuantityName(Quantity kind);

// A quantity of `kind` in base units written to `figures` significant
// figures in the largest printed unit of the table not above it (1.248 g,
// 41.75 mL, 4.96 µmol; "" for a number that is not finite).
std::string QuantityText(double value, Quantity kind, int figures);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_QUANTITY_H
