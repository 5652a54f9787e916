// solution.cpp -- solutions and dilutions (solution.h).
#include "toolkit/bench/solution.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "toolkit/base/base.h"
#include "toolkit/bench/reaction.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Unit {
  const char* text;
  Quantity kind;
  double factor;       // to mol/L, g/L, a fraction, L, g, g/L
  bool alias = false;  // another spelling, not named in messages
};

// Every unit read, in one table.  "µ" is written both ways: the micro sign
// (U+00B5) and the Greek mu (U+03BC); "u" too, as keyboards allow.
constexpr Unit kUnits[] = {
    {"M", Quantity::kAmountConcentration, 1},
    {"mM", Quantity::kAmountConcentration, 1e-3},
    {"\xC2\xB5M", Quantity::kAmountConcentration, 1e-6},
    {"\xCE\xBCM", Quantity::kAmountConcentration, 1e-6, true},
    {"uM", Quantity::kAmountConcentration, 1e-6, true},
    {"nM", Quantity::kAmountConcentration, 1e-9},
    {"pM", Quantity::kAmountConcentration, 1e-12},
    {"mol/L", Quantity::kAmountConcentration, 1},
    {"mmol/L", Quantity::kAmountConcentration, 1e-3},
    {"\xC2\xB5mol/L", Quantity::kAmountConcentration, 1e-6},
    {"\xCE\xBCmol/L", Quantity::kAmountConcentration, 1e-6, true},
    {"umol/L", Quantity::kAmountConcentration, 1e-6, true},
    {"nmol/L", Quantity::kAmountConcentration, 1e-9},
    {"mol dm-3", Quantity::kAmountConcentration, 1, true},
    {"mol/dm3", Quantity::kAmountConcentration, 1},
    {"mol L-1", Quantity::kAmountConcentration, 1, true},
    {"mmol L-1", Quantity::kAmountConcentration, 1e-3, true},
    {"g L-1", Quantity::kMassConcentration, 1, true},
    {"mg L-1", Quantity::kMassConcentration, 1e-3, true},
    {"mg mL-1", Quantity::kMassConcentration, 1, true},
    {"g/L", Quantity::kMassConcentration, 1},
    {"mg/mL", Quantity::kMassConcentration, 1},
    {"mg/L", Quantity::kMassConcentration, 1e-3},
    {"\xC2\xB5g/mL", Quantity::kMassConcentration, 1e-3},
    {"\xCE\xBCg/mL", Quantity::kMassConcentration, 1e-3, true},
    {"ug/mL", Quantity::kMassConcentration, 1e-3, true},
    {"\xC2\xB5g/L", Quantity::kMassConcentration, 1e-6},
    {"\xCE\xBCg/L", Quantity::kMassConcentration, 1e-6, true},
    {"ug/L", Quantity::kMassConcentration, 1e-6, true},
    {"ng/mL", Quantity::kMassConcentration, 1e-6},
    {"% w/v", Quantity::kMassConcentration, 10},
    {"%w/v", Quantity::kMassConcentration, 10, true},
    {"% (w/v)", Quantity::kMassConcentration, 10, true},
    {"%(w/v)", Quantity::kMassConcentration, 10, true},
    {"ppm", Quantity::kMassConcentration, 1e-3},
    {"ppb", Quantity::kMassConcentration, 1e-6},
    {"% w/w", Quantity::kMassFraction, 0.01},
    {"%w/w", Quantity::kMassFraction, 0.01, true},
    {"% (w/w)", Quantity::kMassFraction, 0.01, true},
    {"%(w/w)", Quantity::kMassFraction, 0.01, true},
    {"wt%", Quantity::kMassFraction, 0.01},
    {"wt %", Quantity::kMassFraction, 0.01, true},
    {"L", Quantity::kVolume, 1},
    {"mL", Quantity::kVolume, 1e-3},
    {"\xC2\xB5L", Quantity::kVolume, 1e-6},
    {"\xCE\xBCL", Quantity::kVolume, 1e-6, true},
    {"uL", Quantity::kVolume, 1e-6, true},
    {"nL", Quantity::kVolume, 1e-9},
    {"cm3", Quantity::kVolume, 1e-3},
    {"kg", Quantity::kMass, 1e3},
    {"g", Quantity::kMass, 1},
    {"mg", Quantity::kMass, 1e-3},
    {"\xC2\xB5g", Quantity::kMass, 1e-6},
    {"\xCE\xBCg", Quantity::kMass, 1e-6, true},
    {"ug", Quantity::kMass, 1e-6, true},
    {"ng", Quantity::kMass, 1e-9},
    {"g/mL", Quantity::kDensity, 1e3},
    {"g/cm3", Quantity::kDensity, 1e3},
    {"kg/L", Quantity::kDensity, 1e3},
    {"g mL-1", Quantity::kDensity, 1e3, true},
    {"g cm-3", Quantity::kDensity, 1e3, true},
};

const char* KindName(Quantity kind) {
  switch (kind) {
    case Quantity::kAmountConcentration:
      return "an amount concentration";
    case Quantity::kMassConcentration:
      return "a mass concentration";
    case Quantity::kMassFraction:
      return "a mass fraction";
    case Quantity::kVolume:
      return "a volume";
    case Quantity::kMass:
      return "a mass";
    case Quantity::kDensity:
      return "a density";
    default:
      return "a number";
  }
}

// The units a quantity takes, for messages ("M, mM, µM, ..."): one
// spelling each.
std::string UnitsOf(std::initializer_list<Quantity> kinds) {
  std::string list;
  for (const Unit& u : kUnits) {
    bool wanted = false;
    for (Quantity k : kinds) wanted = wanted || k == u.kind;
    if (wanted && !u.alias) list += (list.empty() ? "" : ", ") + std::string(u.text);
  }
  return list;
}

std::string FourFigures(double v) { return SignificantText(v, 4); }

// A value in the unit of its size: 1.248 g, 41.75 mL, 50.00 mM.
std::string Scaled(double v, const char* const* units, const double* scales, int n) {
  int i = 0;
  while (i + 1 < n && v < scales[i] * 0.99995) ++i;
  return FourFigures(v / scales[i]) + " " + units[i];
}
std::string MassText(double g) {
  static const char* const units[] = {"kg", "g", "mg", "\xC2\xB5g", "ng"};
  static const double scales[] = {1e3, 1, 1e-3, 1e-6, 1e-9};
  return Scaled(g, units, scales, 5);
}
std::string VolumeText(double l) {
  static const char* const units[] = {"L", "mL", "\xC2\xB5L", "nL"};
  static const double scales[] = {1, 1e-3, 1e-6, 1e-9};
  return Scaled(l, units, scales, 4);
}
std::string ConcText(double mol_per_l, double g_per_l) {
  if (std::isnan(mol_per_l)) {
    static const char* const units[] = {"g/L", "mg/L", "\xC2\xB5g/L"};
    static const double scales[] = {1, 1e-3, 1e-6};
    return Scaled(g_per_l, units, scales, 3);
  }
  static const char* const units[] = {"M", "mM", "\xC2\xB5M", "nM", "pM"};
  static const double scales[] = {1, 1e-3, 1e-6, 1e-9, 1e-12};
  return Scaled(mol_per_l, units, scales, 5);
}

// The molar mass of `formula`, or the reason it has none.
std::string MolarMassOf(const Context& context, const std::string& formula, double* molar_mass) {
  const Reading r = Read(context, formula.data(), formula.size());
  if (r.has_value && r.molar_mass > 0) {
    *molar_mass = r.molar_mass;
    return "";
  }
  for (const Diagnostic& d : r.diagnostics) {
    if (d.severity == kError) return "the formula '" + formula + "' has no molar mass: " + d.message;
  }
  return "the formula '" + formula + "' has no positive molar mass";
}

bool Usable(double v) { return std::isfinite(v) && v > 0; }

}  // namespace

std::string ReadMeasure(const std::string& given, const char* what, std::initializer_list<Quantity> kinds,
                        Measure* m) {
  const std::string text = Trim(given);
  m->text = text;
  double value = 0.0;
  const char* first = text.c_str();
  const char* last = first + text.size();
  const char* end = *first == '+' ? nullptr : ParseNumber(first, last, &value);
  if (end == nullptr || end == first) {
    return std::string(what) + " '" + text + "' does not start with a number (write it as \"50 mM\")";
  }
  if (!std::isfinite(value)) return std::string(what) + " '" + text + "' is not a finite number";
  std::string unit = Trim(std::string(end, last));
  if (unit.empty()) {
    return std::string(what) + " '" + text + "' has no unit; write one of " + UnitsOf(kinds);
  }
  const Unit* found = nullptr;
  for (const Unit& u : kUnits) {
    if (unit == u.text) found = &u;
  }
  if (found == nullptr && unit.back() == 'l') {
    // The litre's other symbol, l (ml, mol/l, mg/ml): it always ends the unit.
    unit.back() = 'L';
    for (const Unit& u : kUnits) {
      if (unit == u.text) found = &u;
    }
    unit.back() = 'l';
  }
  if (found == nullptr && (unit == "%" || unit == "percent")) {
    return std::string(what) + " '" + text +
           "': a percentage alone is ambiguous; write % w/v (g per 100 mL) or % w/w (g per 100 g)";
  }
  if (found == nullptr) {
    return std::string(what) + " '" + text + "': the unit '" + unit + "' is not known; write one of " +
           UnitsOf(kinds);
  }
  if (!(value > 0)) return std::string(what) + " '" + text + "' must be more than 0";
  m->value = value * found->factor;
  m->kind = found->kind;
  if (!Usable(m->value)) return std::string(what) + " '" + text + "' is out of range";
  for (Quantity k : kinds) {
    if (m->kind == k) return "";
  }
  return std::string(what) + " '" + text + "' is " + KindName(m->kind) + "; write one of " + UnitsOf(kinds);
}

namespace {

// The bench's ranges beside its amounts (solution.h): volumes from a picolitre to 1000 m3, and the densities
// of liquids and solids (g/L: the lightest liquid, hydrogen's, 0.07 g/mL; the densest metal, osmium's, 22.6
// g/mL).  A density given in a unit of mass concentration (g/L) is one, within these.
constexpr double kLeastVolume = 1e-12, kMostVolume = 1e6;
constexpr double kLeastDensity = 50, kMostDensity = 25e3;

std::string DensityRange(const Measure& d) {
  if (d.value >= kLeastDensity && d.value <= kMostDensity) return "";
  return "the density '" + d.text + "' is no density of a liquid or solid: give 0.05 to 25 g/mL";
}

// "98 %", "98%" or a fraction "0.98".
std::string ReadPurity(const std::string& given, double* purity) {
  const std::string text = Trim(given);
  double value = 0.0;
  const char* first = text.c_str();
  const char* last = first + text.size();
  const char* end = ParseNumber(first, last, &value);
  const std::string unit = end == nullptr ? "" : Trim(std::string(end, last));
  if (end == nullptr || end == first || (!unit.empty() && unit != "%")) {
    return "the purity '" + text + "' is neither a percentage (98 %) nor a fraction (0.98)";
  }
  if (unit.empty() && value > 1) {
    return "the purity '" + text +
           "' is above 1: write a percentage with its sign (98 %) or a fraction (0.98)";
  }
  if (unit == "%") value /= 100;
  if (!(value > 0 && value <= 1)) return "the purity '" + text + "' must be more than 0 and at most 100 %";
  *purity = value;
  return "";
}

}  // namespace

Solution MakeSolution(const Context& context, const std::string& formula, const std::string& conc,
                      const std::string& volume, const std::string& mass, const std::string& purity,
                      const std::string& density, const std::string& solvent) {
  Solution s;
  s.formula = Trim(formula);
  s.solvent = solvent.empty() ? "water" : solvent;
  s.density = kNaN;
  s.liquid_volume = kNaN;
  const int given = !conc.empty() + !volume.empty() + !mass.empty();
  if (given != 2) {
    s.error = "give two of the concentration, the volume and the mass (" + std::to_string(given) + " given)";
    return s;
  }
  s.error = MolarMassOf(context, s.formula, &s.molar_mass);
  if (!s.error.empty()) return s;
  if (!purity.empty()) {
    s.error = ReadPurity(purity, &s.purity);
    if (!s.error.empty()) return s;
  }
  Measure c, v, m, d;
  if (!density.empty()) {
    s.error = ReadMeasure(density, "the density", {Quantity::kDensity, Quantity::kMassConcentration}, &d);
    if (s.error.empty()) s.error = DensityRange(d);
    if (!s.error.empty()) return s;
    s.density = d.value;
  }
  if (!conc.empty()) {
    s.error = ReadMeasure(conc, "the concentration",
                          {Quantity::kAmountConcentration, Quantity::kMassConcentration}, &c);
    if (!s.error.empty()) return s;
  }
  if (!volume.empty()) {
    s.error = ReadMeasure(volume, "the volume", {Quantity::kVolume}, &v);
    if (!s.error.empty()) return s;
    s.volume = v.value;
  }
  if (!mass.empty()) {
    // With a density, the reagent may be measured by its volume.
    s.error = density.empty() ? ReadMeasure(mass, "the mass", {Quantity::kMass}, &m)
                              : ReadMeasure(mass, "the mass", {Quantity::kMass, Quantity::kVolume}, &m);
    if (!s.error.empty()) return s;
    s.mass = m.kind == Quantity::kVolume ? m.value * s.density : m.value;
    s.pure_mass = s.mass * s.purity;
  }
  if (mass.empty()) {
    s.solved = "mass";
    s.pure_mass =
        c.kind == Quantity::kAmountConcentration ? c.value * s.volume * s.molar_mass : c.value * s.volume;
    s.mass = s.pure_mass / s.purity;
  } else if (conc.empty()) {
    s.solved = "conc";
  } else {
    s.solved = "volume";
    s.volume = c.kind == Quantity::kAmountConcentration ? s.pure_mass / (s.molar_mass * c.value)
                                                        : s.pure_mass / c.value;
  }
  s.mass_conc = s.pure_mass / s.volume;
  s.conc = s.mass_conc / s.molar_mass;
  if (!std::isnan(s.density)) s.liquid_volume = s.mass / s.density;
  if (!Usable(s.mass) || !Usable(s.conc) || !Usable(s.volume) || !Usable(s.mass_conc)) {
    s.error = "the numbers are out of range: the result would not be a finite positive number";
    return s;
  }
  if (const double moles = s.conc * s.volume; !(moles >= kFewestMoles && moles <= kMostMoles)) {
    s.error = "the solution holds " + GeneralText(moles, 4) +
              " mol, not an amount a bench weighs: give 1e-15 to 1e9 mol";
    return s;
  }
  std::string notes;
  if (s.purity != 1) notes = PlainText(std::stod(FourFigures(s.purity * 100))) + " %, ";  // 98 %, 0.00001 %
  if (!std::isnan(s.density)) notes += PlainText(s.density / 1e3) + " g/mL, ";
  const std::string reagent = s.formula + " (" + notes + MolarMassText(s.molar_mass) + ")";
  const std::string made = " to " + VolumeText(s.volume) + " (" + ConcText(s.conc, s.mass_conc) + ").";
  s.line = std::isnan(s.liquid_volume)
               ? "Dissolve " + MassText(s.mass) + " of " + reagent + " in " + s.solvent + made
               : "Measure " + VolumeText(s.liquid_volume) + " (" + MassText(s.mass) + ") of " + reagent +
                     " and dilute with " + s.solvent + made;
  return s;
}

Dilution MakeDilution(const Context& context, const std::string& formula, const std::string& stock,
                      const std::string& conc, const std::string& volume, const std::string& density,
                      const std::string& solvent) {
  Dilution x;
  x.formula = Trim(formula);
  x.solvent = solvent.empty() ? "water" : solvent;
  x.molar_mass = x.stock = x.stock_mass_conc = x.conc = x.mass_conc = x.density = kNaN;
  Measure c1, c2, v2, d;
  x.error = ReadMeasure(
      stock, "the stock concentration",
      {Quantity::kAmountConcentration, Quantity::kMassConcentration, Quantity::kMassFraction}, &c1);
  if (x.error.empty())
    x.error = ReadMeasure(conc, "the concentration",
                          {Quantity::kAmountConcentration, Quantity::kMassConcentration}, &c2);
  if (x.error.empty()) x.error = ReadMeasure(volume, "the volume", {Quantity::kVolume}, &v2);
  if (x.error.empty() && !density.empty()) {
    x.error = ReadMeasure(density, "the density", {Quantity::kDensity, Quantity::kMassConcentration}, &d);
    if (x.error.empty()) x.error = DensityRange(d);
    x.density = d.value;
  }
  if (!x.error.empty()) return x;
  if (!x.formula.empty()) {
    x.error = MolarMassOf(context, x.formula, &x.molar_mass);
    if (!x.error.empty()) return x;
  }
  if (c1.kind == Quantity::kMassFraction) {
    if (std::isnan(x.density)) {
      x.error = "a stock in % w/w needs its density (such as 1.18 g/mL)";
      return x;
    }
    if (c1.value > 1) {
      x.error = "the stock concentration '" + c1.text + "' is above 100 % w/w";
      return x;
    }
    c1.value *= x.density;  // g per L of stock
    c1.kind = Quantity::kMassConcentration;
  } else if (!density.empty()) {
    x.error = "a density is needed only for a stock in % w/w";
    return x;
  }
  if (c1.kind != c2.kind && std::isnan(x.molar_mass)) {
    x.error = "the stock and the dilution are given as " + std::string(KindName(c1.kind)) + " and " +
              KindName(c2.kind) + ": converting needs the formula";
    return x;
  }
  // Both in the stock's kind, then both kinds where the molar mass allows.
  const bool amount = c1.kind == Quantity::kAmountConcentration;
  const double target = c2.kind == c1.kind ? c2.value
                        : amount           ? c2.value / x.molar_mass
                                           : c2.value * x.molar_mass;
  if (target > c1.value) {
    x.error = "the concentration '" + c2.text + "' is above the stock's '" + c1.text +
              "': a dilution cannot make a solution stronger than its stock";
    return x;
  }
  x.volume = v2.value;
  x.stock_volume = target / c1.value * x.volume;
  x.solvent_volume = x.volume - x.stock_volume;
  x.stock = amount ? c1.value : c1.value / x.molar_mass;
  x.stock_mass_conc = amount ? c1.value * x.molar_mass : c1.value;
  x.conc = amount ? target : target / x.molar_mass;
  x.mass_conc = amount ? target * x.molar_mass : target;
  if (!Usable(x.stock_volume)) {
    x.error = "the numbers are out of range: the result would not be a finite positive number";
    return x;
  }
  if (!(x.stock_volume >= kLeastVolume && x.volume <= kMostVolume)) {
    x.error = "the dilution takes " + GeneralText(x.stock_volume, 4) + " L of stock to make " +
              GeneralText(x.volume, 4) + " L: give volumes from 1 pL to 1000 m3";
    return x;
  }
  std::string what = "of the " + c1.text + " stock";
  if (!std::isnan(x.density)) what += " (" + PlainText(x.density / 1e3) + " g/mL)";
  if (!x.formula.empty()) what += " of " + x.formula;
  x.line = "Dilute " + VolumeText(x.stock_volume) + " " + what + " with " +
           (x.solvent_volume > 0 ? VolumeText(x.solvent_volume) + " of " : "no ") + x.solvent + " to " +
           VolumeText(x.volume) + " (" + ConcText(x.conc, x.mass_conc) + ").";
  return x;
}

}  // namespace formix::toolkit
