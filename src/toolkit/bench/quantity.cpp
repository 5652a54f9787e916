// quantity.cpp -- the bench's quantities read and written (quantity.h).
#include "toolkit/bench/quantity.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "toolkit/base/base.h"

namespace formix::toolkit {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Unit {
  const char* text;
  Quantity kind;
  double factor;         // to mol/L, g/L, a fraction, L, g, mol, g/L
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
    {"mol/dm3", Quantity::kAmountConcentration, 1},
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
    {"g/dL", Quantity::kMassConcentration, 10},
    {"mg/dL", Quantity::kMassConcentration, 1e-2},
    {"\xC2\xB5g/dL", Quantity::kMassConcentration, 1e-5},
    {"\xCE\xBCg/dL", Quantity::kMassConcentration, 1e-5, true},
    {"ug/dL", Quantity::kMassConcentration, 1e-5, true},
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
    {"% v/v", Quantity::kVolumeFraction, 0.01, false, true},
    {"%v/v", Quantity::kVolumeFraction, 0.01, true},
    {"% (v/v)", Quantity::kVolumeFraction, 0.01, true},
    {"%(v/v)", Quantity::kVolumeFraction, 0.01, true},
    {"vol%", Quantity::kVolumeFraction, 0.01, true},
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
};

}  // namespace

const char* QuantityName(Quantity kind) {
  switch (kind) {
    case Quantity::kAmountConcentration:
      return "an amount concentration";
    case Quantity::kMassConcentration:
      return "a mass concentration";
    case Quantity::kVolumeFraction:
      return "a volume fraction";
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

// A unit as people type it, in the table's spelling: products with a
// middle dot, a dot operator or a space, SI exponents written after a
// caret or as superscripts (mmol L-1, mg·mL⁻¹, g cm^-3), the minus sign
// for '-'; "A B-1" is "A/B", "A B-3" "A/B3".
std::string CanonicalUnit(const std::string& unit) {
  static const std::pair<const char*, const char*> kSpellings[] = {
      {"\xC2\xB7", " "}, {"\xE2\x8B\x85", " "}, {"\xE2\x81\xBB", "-"}, {"\xE2\x88\x92", "-"},
      {"\xC2\xB9", "1"}, {"\xC2\xB2", "2"},     {"\xC2\xB3", "3"},     {"^", ""}};
  std::string u = unit;
  for (const auto& [from, to] : kSpellings) {
    for (std::size_t at = u.find(from); at != std::string::npos; at = u.find(from, at + std::strlen(to))) {
      u.replace(at, std::strlen(from), to);
    }
  }
  // Blanks around a slash go; runs of blanks are one.
  std::string out;
  for (std::size_t i = 0; i < u.size(); ++i) {
    const bool blank = u[i] == ' ';
    if (blank &&
        (out.empty() || out.back() == ' ' || out.back() == '/' || (i + 1 < u.size() && u[i + 1] == '/')))
      continue;
    out += u[i];
  }
  const std::size_t space = out.find(' ');
  if (space == std::string::npos || out.find(' ', space + 1) != std::string::npos ||
      out.find('/') != std::string::npos)
    return out;
  // "A B-n": the second factor with a negative exponent.
  const std::string second = out.substr(space + 1);
  const std::size_t minus = second.rfind('-');
  if (minus == std::string::npos || minus == 0 || minus + 2 != second.size() || second[minus + 1] < '1' ||
      second[minus + 1] > '3') {
    return out;
  }
  const std::string power = second[minus + 1] == '1' ? "" : second.substr(minus + 1);
  return out.substr(0, space) + "/" + second.substr(0, minus) + power;
}

// Units that name no one quantity, refused with why: normality depends on
// the reaction.
const char* RefusedUnit(const std::string& unit) {
  const std::string litre =
      !unit.empty() && unit.back() == 'l' ? unit.substr(0, unit.size() - 1) + "L" : unit;
  for (const char* u : {"N", "mN", "eq/L", "Eq/L", "meq/L", "mEq/L"}) {
    if (litre == u) {
      return "normality (equivalents per litre) depends on the reaction the solution is for: give the amount "
             "concentration instead (0.1 N H2SO4 as a diprotic acid is 0.05 M)";
    }
  }
  return nullptr;
}

const Unit* FindUnit(std::string unit) {
  for (const Unit& u : kUnits) {
    if (unit == u.text) return &u;
  }
  if (!unit.empty() && unit.back() == 'l') {
    // The litre's other symbol, l (ml, mol/l, mg/ml): it always ends the unit.
    unit.back() = 'L';
    for (const Unit& u : kUnits) {
      if (unit == u.text) return &u;
    }
  }
  return nullptr;
}

}  // namespace

std::string ReadMeasure(const std::string& given, const char* what, std::initializer_list<Quantity> kinds,
                        Measure* m, const char* bare_unit) {
  const std::string text = Trim(given);
  m->text = text;
  m->note.clear();
  // A decimal comma: digits, one comma, digits (not three: 1,000 may be
  // a thousand).
  std::string number = text;
  std::size_t digits = 0;
  while (digits < text.size() && IsDigit(text[digits])) ++digits;
  if (digits > 0 && digits < text.size() && text[digits] == ',') {
    std::size_t after = digits + 1;
    while (after < text.size() && IsDigit(text[after])) ++after;
    const std::size_t decimals = after - digits - 1;
    if (decimals == 3 || (after < text.size() && (text[after] == ',' || text[after] == '.'))) {
      return std::string(what) + " '" + text + "': the comma may separate thousands (" +
             text.substr(0, digits) + text.substr(digits + 1, decimals) + ") or decimals (" +
             text.substr(0, digits) + "." + text.substr(digits + 1, decimals) +
             "); write the number without a comma, with a point for decimals";
    }
    if (decimals > 0) {
      number[digits] = '.';
      m->note = std::string(what) + " '" + text + "' read with a decimal comma: " + number;
    }
  }
  double value = 0.0;
  const char* first = number.c_str();
  const char* last = first + number.size();
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
  unit = CanonicalUnit(unit);
  const Unit* found = FindUnit(unit);
  if (const char* why = found == nullptr ? RefusedUnit(unit) : nullptr) {
    return std::string(what) + " '" + text + "': " + why + "; write one of " + UnitsOf(kinds);
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

bool IsUnit(const std::string& unit) {
  const std::string canonical = CanonicalUnit(Trim(unit));
  return FindUnit(canonical) != nullptr || RefusedUnit(canonical) != nullptr;
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
