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

std::string MassText(double g) { return QuantityText(g, Quantity::kMass, 4); }
std::string VolumeText(double l) { return QuantityText(l, Quantity::kVolume, 4); }
std::string ConcText(double mol_per_l, double g_per_l) {
  return std::isnan(mol_per_l) ? QuantityText(g_per_l, Quantity::kMassConcentration, 4)
                               : QuantityText(mol_per_l, Quantity::kAmountConcentration, 4);
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

namespace {

// The bench's volumes beside its amounts (quantity.h): from a picolitre to 1000 m3.
constexpr double kLeastVolume = 1e-12, kMostVolume = 1e6;

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
    s.error = ReadDensity(density, "the density", &d);
    if (!s.error.empty()) return s;
    s.density = d.value;
  }
  if (!conc.empty()) {
    s.error = ReadMeasure(
        conc, "the concentration",
        {Quantity::kAmountConcentration, Quantity::kMassConcentration, Quantity::kVolumeFraction}, &c);
    if (!s.error.empty()) return s;
    if (c.kind == Quantity::kVolumeFraction) {
      // A liquid by volume (70 % v/v: 70 mL in 100 mL of solution): its
      // mass, and so its molarity, need its density.
      if (density.empty()) {
        s.error = "the concentration '" + c.text +
                  "' is a volume of the liquid: its mass and molarity need its density (--density 0.789 g/mL "
                  "for ethanol)";
        return s;
      }
      c.kind = Quantity::kMassConcentration;
      c.value *= s.density;  // g of the liquid per L of solution
    }
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
  for (const Measure* q : {&c, &v, &m, &d}) {
    if (!q->note.empty()) s.notes.push_back(q->note);
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
  if (s.purity != 1)
    notes = PlainText(std::stod(SignificantText(s.purity * 100, 4))) + " %, ";  // 98 %, 0.00001 %
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
  x.error = ReadMeasure(stock, "the stock concentration",
                        {Quantity::kAmountConcentration, Quantity::kMassConcentration,
                         Quantity::kMassFraction, Quantity::kVolumeFraction},
                        &c1);
  if (x.error.empty())
    x.error = ReadMeasure(
        conc, "the concentration",
        {Quantity::kAmountConcentration, Quantity::kMassConcentration, Quantity::kVolumeFraction}, &c2);
  if (x.error.empty()) x.error = ReadMeasure(volume, "the volume", {Quantity::kVolume}, &v2);
  if (x.error.empty() && !density.empty()) {
    x.error = ReadDensity(density, "the density", &d);
    x.density = d.value;
  }
  if (!x.error.empty()) return x;
  for (const Measure* q : {&c1, &c2, &v2, &d}) {
    if (!q->note.empty()) x.notes.push_back(q->note);
  }
  if (!x.formula.empty()) {
    x.error = MolarMassOf(context, x.formula, &x.molar_mass);
    if (!x.error.empty()) return x;
  }
  // A liquid by volume (% v/v: mL of the liquid in 100 mL): from stock to
  // dilution in that kind needs nothing more; to or from another kind, the
  // density of the pure liquid.
  const bool by_volume = c1.kind == Quantity::kVolumeFraction && c2.kind == Quantity::kVolumeFraction;
  const bool liquid_density = c1.kind == Quantity::kVolumeFraction || c2.kind == Quantity::kVolumeFraction;
  if (!by_volume && (c1.kind == Quantity::kVolumeFraction || c2.kind == Quantity::kVolumeFraction)) {
    if (c1.kind == Quantity::kMassFraction) {
      x.error =
          "a stock in % w/w diluted to % v/v needs two densities (the stock's and the pure liquid's): "
          "give the dilution in M or g/L";
      return x;
    }
    if (std::isnan(x.density)) {
      x.error =
          "a volume fraction (% v/v) converts to a mass or molarity with the density of the pure liquid "
          "(--density 0.789 g/mL for ethanol)";
      return x;
    }
    for (Measure* c : {&c1, &c2}) {
      if (c->kind != Quantity::kVolumeFraction) continue;
      c->kind = Quantity::kMassConcentration;
      c->value *= x.density;  // g of the liquid per L
    }
  } else if (c1.kind == Quantity::kMassFraction) {
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
  } else if (!density.empty() && !by_volume) {
    x.error = "a density is needed only for a stock in % w/w or a volume fraction (% v/v)";
    return x;
  }
  if (c1.kind != c2.kind && std::isnan(x.molar_mass)) {
    x.error = "the stock and the dilution are given as " + std::string(QuantityName(c1.kind)) + " and " +
              QuantityName(c2.kind) + ": converting needs the formula";
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
  if (by_volume) {  // masses only with the pure liquid's density
    x.stock_mass_conc = c1.value * x.density;
    x.mass_conc = target * x.density;
    x.stock = x.stock_mass_conc / x.molar_mass;
    x.conc = x.mass_conc / x.molar_mass;
  }
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
  if (!std::isnan(x.density) && !liquid_density) what += " (" + PlainText(x.density / 1e3) + " g/mL)";
  if (!x.formula.empty()) what += " of " + x.formula;
  if (!std::isnan(x.density) && liquid_density)
    what += " (the pure liquid " + PlainText(x.density / 1e3) + " g/mL)";
  x.line = "Dilute " + VolumeText(x.stock_volume) + " " + what + " with " +
           (x.solvent_volume > 0 ? VolumeText(x.solvent_volume) + " of " : "no ") + x.solvent + " to " +
           VolumeText(x.volume) + " (" +
           (by_volume ? QuantityText(target, Quantity::kVolumeFraction, 4) : ConcText(x.conc, x.mass_conc)) +
           ").";
  return x;
}

}  // namespace formix::toolkit
