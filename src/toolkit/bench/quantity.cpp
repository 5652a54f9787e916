// quantity.cpp -- the bench's quantities read and written (quantity.h).
#include "toolkit/bench/quantity.h"

#include <cmath>

#include "toolkit/base/base.h"

namespace formix::toolkit {

namespace {

struct Unit {
  const char* text;
  Quantity kind;
  double factor;         // to mol/L, g/L, a fraction, L, g, g/L
  bool alias = false;    // another spelling, not named in messages
  bool printed = false;  // a unit QuantityText writes
};

// Every unit read, in one table.  "µ" is written both ways: the micro sign
// (U+00B5) and the Greek mu (U+03BC); "u" too, as keyboards allow.
constexpr Unit kUnits[] = {
    {"M", Quantity::kAmountConcentration, 1, false, true},
    {"mM", Quantity::kAmountConcentration, 1e-3, false, true},
    {"\xC2\xB5M", Quantity::kAmountConcentration, 1e-6, false, true},
    {"\xCE\xBCM", Quantity::kAmountConcentration, 1e-6, true},
    {"uM", Quantity::kAmountConcentration, 1e-6, true},
    {"nM", Quantity::kAmountConcentration, 1e-9, false, true},
    {"pM", Quantity::kAmountConcentration, 1e-12, false, true},
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
    {"g/L", Quantity::kMassConcentration, 1, false, true},
    {"mg/mL", Quantity::kMassConcentration, 1},
    {"mg/L", Quantity::kMassConcentration, 1e-3, false, true},
    {"\xC2\xB5g/mL", Quantity::kMassConcentration, 1e-3},
    {"\xCE\xBCg/mL", Quantity::kMassConcentration, 1e-3, true},
    {"ug/mL", Quantity::kMassConcentration, 1e-3, true},
    {"\xC2\xB5g/L", Quantity::kMassConcentration, 1e-6, false, true},
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
    {"L", Quantity::kVolume, 1, false, true},
    {"mL", Quantity::kVolume, 1e-3, false, true},
    {"\xC2\xB5L", Quantity::kVolume, 1e-6, false, true},
    {"\xCE\xBCL", Quantity::kVolume, 1e-6, true},
    {"uL", Quantity::kVolume, 1e-6, true},
    {"nL", Quantity::kVolume, 1e-9, false, true},
    {"pL", Quantity::kVolume, 1e-12, false, true},
    {"cm3", Quantity::kVolume, 1e-3},
    {"kg", Quantity::kMass, 1e3, false, true},
    {"g", Quantity::kMass, 1, false, true},
    {"mg", Quantity::kMass, 1e-3, false, true},
    {"\xC2\xB5g", Quantity::kMass, 1e-6, false, true},
    {"\xCE\xBCg", Quantity::kMass, 1e-6, true},
    {"ug", Quantity::kMass, 1e-6, true},
    {"ng", Quantity::kMass, 1e-9, false, true},
    {"pg", Quantity::kMass, 1e-12, false, true},
    {"fg", Quantity::kMass, 1e-15, false, true},
    {"mol", Quantity::kAmount, 1, false, true},
    {"mmol", Quantity::kAmount, 1e-3, false, true},
    {"\xC2\xB5mol", Quantity::kAmount, 1e-6, false, true},
    {"\xCE\xBCmol", Quantity::kAmount, 1e-6, true},
    {"umol", Quantity::kAmount, 1e-6, true},
    {"nmol", Quantity::kAmount, 1e-9, false, true},
    {"pmol", Quantity::kAmount, 1e-12, false, true},
    {"fmol", Quantity::kAmount, 1e-15, false, true},
    {"g/mL", Quantity::kDensity, 1e3},
    {"g/cm3", Quantity::kDensity, 1e3},
    {"kg/L", Quantity::kDensity, 1e3},
    {"g mL-1", Quantity::kDensity, 1e3, true},
    {"g cm-3", Quantity::kDensity, 1e3, true},
};

}  // namespace

const char* QuantityName(Quantity kind) {
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
    case Quantity::kAmount:
      return "an amount";
    case Quantity::kDensity:
      return "a density";
    default:
      return "a number";
  }
}

namespace {

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

bool Usable(double v) { return std::isfinite(v) && v > 0; }

}  // namespace

std::string ReadMeasure(const std::string& given, const char* what, std::initializer_list<Quantity> kinds,
                        Measure* m, const char* bare_unit) {
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
  if (unit.empty() && bare_unit != nullptr) unit = bare_unit;
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
  return std::string(what) + " '" + text + "' is " + QuantityName(m->kind) + "; write one of " +
         UnitsOf(kinds);
}

std::string CheckDensity(const Measure& d) {
  constexpr double kLeastDensity = 50, kMostDensity = 25e3;  // g/L
  if (d.value >= kLeastDensity && d.value <= kMostDensity) return "";
  return "the density '" + d.text + "' is no density of a liquid or solid: give 0.05 to 25 g/mL";
}

std::string ReadDensity(const std::string& text, const char* what, Measure* d) {
  const std::string why =
      ReadMeasure(text, what, {Quantity::kDensity, Quantity::kMassConcentration}, d, "g/mL");
  return why.empty() ? CheckDensity(*d) : why;
}

std::string QuantityText(double value, Quantity kind, int figures) {
  if (!std::isfinite(value)) return "";
  // The printed units of the kind, largest first (the table lists them so);
  // a value that rounds up to the next unit is written in it (0.99999 L:
  // 1.000 L, not 1000 mL).
  const Unit* chosen = nullptr;
  const double round_up = 1 - 0.5 * std::pow(10.0, -figures);
  for (const Unit& u : kUnits) {
    if (u.kind != kind || !u.printed) continue;
    chosen = &u;
    if (std::fabs(value) >= u.factor * round_up) break;
  }
  if (chosen == nullptr) return SignificantText(value, figures);
  return SignificantText(value / chosen->factor, figures) + " " + chosen->text;
}

}  // namespace formix::toolkit
