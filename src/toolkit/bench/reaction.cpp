// reaction.cpp -- reading chemical equations, their balance (checked, or
// found exactly with checked rational arithmetic), and bench amounts.
#include "toolkit/bench/reaction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>

#include "refdata/bytes.h"
#include "toolkit/base/base.h"
#include "toolkit/bench/solution.h"

namespace formix::toolkit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using bytes::IsBlank;
using bytes::IsCapital;
using bytes::IsDigit;
using bytes::IsOpening;
bool StartsParticipant(char c) { return IsDigit(c) || IsCapital(c) || IsOpening(c); }

// Where the sides part: the start and length of the separator, or npos.
std::pair<std::size_t, std::size_t> FindSeparator(const std::string& text, std::string* error) {
  static const char* const kArrows[] = {"->", "\xE2\x86\x92", "\xE2\x87\x8C", "="};  // -> → ⇌ =
  std::vector<std::pair<std::size_t, std::size_t>> spaced, arrows, equals;
  for (const char* sep : kArrows) {
    const std::size_t n = std::strlen(sep);
    for (std::size_t at = text.find(sep); at != std::string::npos; at = text.find(sep, at + n)) {
      if (sep[0] == '=' && at > 0 && (text[at - 1] == '<' || text[at - 1] == '-')) continue;
      const bool left = at > 0 && IsBlank(text[at - 1]);
      const bool right = at + n < text.size() && IsBlank(text[at + n]);
      if (left && right) spaced.emplace_back(at, n);
      (sep[0] == '=' ? equals : arrows).emplace_back(at, n);
    }
  }
  if (spaced.size() == 1) return spaced[0];
  if (spaced.size() > 1) {
    *error = "the equation has more than one '=', '->', '\xE2\x86\x92' or '\xE2\x87\x8C' between spaces";
  } else if (arrows.size() == 1) {
    return arrows[0];
  } else if (arrows.empty() && equals.size() == 1) {
    return equals[0];
  } else if (arrows.empty() && equals.empty()) {
    *error = "the equation needs '=', '->', '\xE2\x86\x92' or '\xE2\x87\x8C' between its sides";
  } else {
    *error = "which '=' parts the sides? Put spaces around it (a '=' inside a formula is a bond)";
  }
  return {std::string::npos, 0};
}

// The participants of one side: split at '+' between spaces, or at a '+'
// that a digit, capital or bracket follows (a '+' ending a species, as in
// NH4+, is its charge).
std::vector<std::string> SplitSide(const std::string& side) {
  std::vector<std::string> out;
  std::string current;
  for (std::size_t i = 0; i < side.size(); ++i) {
    if (side[i] == '+' && (i == 0 || side[i - 1] != '^')) {
      std::size_t j = i + 1;
      while (j < side.size() && IsBlank(side[j])) ++j;
      const bool spaced = i > 0 && IsBlank(side[i - 1]) && j > i + 1;
      if (i > 0 && IsBlank(side[i - 1]) && j == side.size()) {  // "H2 + ": nothing after the '+'
        out.push_back(current);
        current.clear();
        break;
      }
      if ((spaced || j == i + 1) && j < side.size() && StartsParticipant(side[j]) && !Trim(current).empty()) {
        out.push_back(current);
        current.clear();
        continue;
      }
    }
    current += side[i];
  }
  out.push_back(current);
  return out;
}

// ---- Exact rationals with checked arithmetic --------------------------------

struct Fraction {
  std::int64_t num = 0, den = 1;
};

// Reduces to lowest terms with a positive denominator; false when that
// does not fit (a zero denominator, or INT64_MIN, which has no negation).
bool Normalize(Fraction& f) {
  if (f.den == 0 || f.num == INT64_MIN || f.den == INT64_MIN) return false;
  if (f.den < 0) {
    f.num = -f.num;
    f.den = -f.den;
  }
  std::int64_t g = std::gcd(f.num < 0 ? -f.num : f.num, f.den);
  if (g > 1) f.num /= g, f.den /= g;
  return true;
}

bool Mul(Fraction a, Fraction b, Fraction* out) {
  Fraction r;
  if (__builtin_mul_overflow(a.num, b.num, &r.num) || __builtin_mul_overflow(a.den, b.den, &r.den))
    return false;
  *out = r;
  return Normalize(*out);
}

bool Sub(Fraction a, Fraction b, Fraction* out) {
  std::int64_t x, y, d;
  if (__builtin_mul_overflow(a.num, b.den, &x) || __builtin_mul_overflow(b.num, a.den, &y) ||
      __builtin_sub_overflow(x, y, &x) || __builtin_mul_overflow(a.den, b.den, &d)) {
    return false;
  }
  *out = {x, d};
  return Normalize(*out);
}

bool Div(Fraction a, Fraction b, Fraction* out) {
  if (b.num == 0) return false;
  return Mul(a, {b.den, b.num}, out);
}

enum class BalanceOutcome { kOne, kNone, kSeveral, kOverflow, kNotPositive };

// The one balance of matrix `m` (rows: elements and charge; columns:
// participants, products negative): its smallest whole positive
// coefficients.
BalanceOutcome FindBalance(std::vector<std::vector<Fraction>> m, std::size_t columns,
                           std::vector<std::int64_t>* coefficients) {
  const std::size_t rows = m.size();
  std::vector<std::size_t> pivot_column;
  std::size_t r = 0;
  for (std::size_t c = 0; c < columns && r < rows; ++c) {
    std::size_t p = r;
    while (p < rows && m[p][c].num == 0) ++p;
    if (p == rows) continue;
    std::swap(m[p], m[r]);
    const Fraction pivot = m[r][c];
    for (std::size_t k = 0; k < columns; ++k) {
      if (!Div(m[r][k], pivot, &m[r][k])) return BalanceOutcome::kOverflow;
    }
    for (std::size_t i = 0; i < rows; ++i) {
      if (i == r || m[i][c].num == 0) continue;
      const Fraction factor = m[i][c];
      for (std::size_t k = 0; k < columns; ++k) {
        Fraction t;
        if (!Mul(factor, m[r][k], &t) || !Sub(m[i][k], t, &m[i][k])) return BalanceOutcome::kOverflow;
      }
    }
    pivot_column.push_back(c);
    ++r;
  }
  const std::size_t rank = r;
  if (columns - rank == 0) return BalanceOutcome::kNone;
  if (columns - rank > 1) return BalanceOutcome::kSeveral;
  std::size_t free_column = 0;
  for (std::size_t c = 0, k = 0; c < columns; ++c) {
    if (k < pivot_column.size() && pivot_column[k] == c) {
      ++k;
    } else {
      free_column = c;
    }
  }
  // x_free = 1; x_pivot = -m[row][free].
  std::vector<Fraction> x(columns);
  x[free_column] = {1, 1};
  for (std::size_t i = 0; i < rank; ++i) {
    Fraction v = m[i][free_column];
    if (v.num == INT64_MIN) return BalanceOutcome::kOverflow;
    x[pivot_column[i]] = {-v.num, v.den};
  }
  std::int64_t lcm = 1;
  for (const Fraction& f : x) {
    std::int64_t g = std::gcd(lcm, f.den);
    if (__builtin_mul_overflow(lcm / g, f.den, &lcm)) return BalanceOutcome::kOverflow;
  }
  coefficients->assign(columns, 0);
  std::int64_t g = 0;
  for (std::size_t c = 0; c < columns; ++c) {
    std::int64_t v;
    if (__builtin_mul_overflow(x[c].num, lcm / x[c].den, &v) || v == INT64_MIN)
      return BalanceOutcome::kOverflow;
    (*coefficients)[c] = v;
    g = std::gcd(g, v < 0 ? -v : v);
  }
  bool positive = true, negative = true;
  for (std::int64_t& v : *coefficients) {
    v /= (g == 0 ? 1 : g);
    positive = positive && v > 0;
    negative = negative && v < 0;
  }
  if (negative) {
    for (std::int64_t& v : *coefficients) v = -v;
  } else if (!positive) {
    return BalanceOutcome::kNotPositive;
  }
  return BalanceOutcome::kOne;
}

std::map<std::string, double> Atoms(const Reading& r) {
  std::map<std::string, double> out;
  for (const ElementShare& e : r.elements) out[e.symbol] += e.atoms;
  return out;
}

std::string Equation(const std::vector<Participant>& ps) {
  std::string out;
  for (std::size_t i = 0; i < ps.size(); ++i) {
    if (i > 0) out += ps[i].side != ps[i - 1].side ? " = " : " + ";
    if (ps[i].coefficient != 1.0) out += PlainText(ps[i].coefficient) + " ";
    out += ps[i].formula;
  }
  return out;
}

}  // namespace

Reaction ReadEquation(const Context& context, const std::string& text, bool balance, bool check) {
  Reaction reaction;
  const auto [at, length] = FindSeparator(text, &reaction.error);
  if (at == std::string::npos) return reaction;
  const std::string sides[2] = {text.substr(0, at), text.substr(at + length)};
  for (int side = 0; side < 2; ++side) {
    for (const std::string& raw : SplitSide(sides[side])) {
      std::string part = Trim(raw);
      if (part.empty()) {
        reaction.error =
            std::string("the ") + (side == 0 ? "left" : "right") + " side has an empty participant";
        return reaction;
      }
      Participant p;
      p.side = side;
      p.moles = p.mass = p.volume = p.equiv = p.excess = p.given_moles = p.given_mass = p.given_volume =
          p.equiv_given = p.density = p.conc = kNaN;
      std::size_t n = 0;
      while (n < part.size() && (IsDigit(part[n]) || part[n] == '.' || part[n] == '/')) ++n;
      if (n == part.size()) {
        reaction.error = "'" + part + "' is a coefficient with no formula";
        return reaction;
      }
      if (n > 0 && n < part.size() && (IsBlank(part[n]) || !IsDigit(part[n]))) {
        const std::string number = part.substr(0, n);
        const std::size_t slash = number.find('/');
        double value = 0.0, denominator = 1.0;
        const char* numerator_end = number.data() + (slash == std::string::npos ? n : slash);
        bool ok = ParseNumber(number.data(), numerator_end, &value) == numerator_end;
        if (ok && slash != std::string::npos) {
          ok = ParseNumber(number.data() + slash + 1, number.data() + n, &denominator) == number.data() + n &&
               denominator != 0.0;
        }
        if (!ok || !(value / denominator > 0.0) || !std::isfinite(value / denominator)) {
          reaction.error = "'" + number + "' is no coefficient";
          return reaction;
        }
        p.coefficient = value / denominator;
        part = Trim(part.substr(n));
      }
      if (part.empty()) {
        reaction.error = "a participant has a coefficient and no formula";
        return reaction;
      }
      p.formula = part;
      p.reading = Read(context, part.data(), part.size());
      reaction.participants.push_back(std::move(p));
    }
  }
  for (const Participant& p : reaction.participants) {
    if (!p.reading.has_value) {
      reaction.error = "'" + p.formula + "' cannot be read as a formula";
      reaction.balanced = Equation(reaction.participants);
      return reaction;
    }
  }

  // Elements and charge of each participant, products counted negative.
  std::vector<std::map<std::string, double>> atoms;
  std::vector<std::string> symbols;
  bool charged = false;
  for (const Participant& p : reaction.participants) {
    atoms.push_back(Atoms(p.reading));
    for (const auto& a : atoms.back()) {
      if (std::find(symbols.begin(), symbols.end(), a.first) == symbols.end()) symbols.push_back(a.first);
    }
    charged = charged || p.reading.charge != 0;
  }
  const std::size_t n = reaction.participants.size();
  if (balance) {
    std::vector<std::vector<Fraction>> m;
    for (std::size_t row = 0; row < symbols.size() + (charged ? 1 : 0); ++row) {
      std::vector<Fraction> line(n);
      for (std::size_t j = 0; j < n; ++j) {
        const Participant& p = reaction.participants[j];
        double v = row < symbols.size() ? (atoms[j].count(symbols[row]) ? atoms[j].at(symbols[row]) : 0.0)
                                        : static_cast<double>(p.reading.charge);
        if (v != std::floor(v) || std::fabs(v) > 1e15) {
          reaction.error =
              "'" + p.formula + "' has a fractional count of atoms: only whole formulas can be balanced";
          return reaction;
        }
        line[j] = {static_cast<std::int64_t>(p.side == 0 ? v : -v), 1};
      }
      m.push_back(line);
    }
    std::vector<std::int64_t> c;
    switch (FindBalance(m, n, &c)) {
      case BalanceOutcome::kOne: {
        // The coefficients, and each element's atoms on a side, must be
        // whole numbers a double holds exactly (up to 2^53): else the
        // coefficients given back would be rounded, and the balance with
        // them wrong.
        constexpr std::int64_t kExact = std::int64_t{1} << 53;
        bool exact = true;
        for (std::size_t j = 0; j < n; ++j) exact = exact && c[j] <= kExact;
        for (const std::vector<Fraction>& line : m) {
          std::int64_t total = 0;
          for (std::size_t j = 0; j < n && exact; ++j) {
            std::int64_t term = 0;
            const std::int64_t count = line[j].num < 0 ? -line[j].num : line[j].num;
            exact = !__builtin_mul_overflow(count, c[j], &term) &&
                    !__builtin_add_overflow(total, term, &total) && total <= kExact;
          }
        }
        if (!exact) {
          reaction.error =
              "the coefficients of this equation outgrow the whole numbers a double holds exactly (2^53): "
              "not "
              "balanced";
          return reaction;
        }
        for (std::size_t j = 0; j < n; ++j) reaction.participants[j].coefficient = static_cast<double>(c[j]);
        break;
      }
      case BalanceOutcome::kNone:
        reaction.error =
            "the equation cannot be balanced: no coefficients conserve every element and the charge";
        return reaction;
      case BalanceOutcome::kSeveral:
        reaction.error =
            "the equation has more than one independent balance: write it as separate reactions, or give its "
            "coefficients";
        return reaction;
      case BalanceOutcome::kOverflow:
        reaction.error = "the coefficients of this equation outgrow 64-bit whole numbers: not balanced";
        return reaction;
      case BalanceOutcome::kNotPositive:
        reaction.error =
            "the equation balances only with a participant on the other side or with none of it: check the "
            "sides";
        return reaction;
    }
  } else if (check) {
    std::string differences;
    auto add = [&](const std::string& what, double left, double right) {
      const double scale = std::max({1.0, std::fabs(left), std::fabs(right)});
      if (std::fabs(left - right) <= 1e-9 * scale) return;
      differences += (differences.empty() ? "" : "; ") + what + " " + PlainText(left) + " on the left, " +
                     PlainText(right) + " on the right";
    };
    for (const std::string& s : symbols) {
      double left = 0.0, right = 0.0;
      for (std::size_t j = 0; j < n; ++j) {
        auto a = atoms[j].find(s);
        if (a == atoms[j].end()) continue;
        (reaction.participants[j].side == 0 ? left : right) +=
            reaction.participants[j].coefficient * a->second;
      }
      add(s, left, right);
    }
    double left = 0.0, right = 0.0;
    for (const Participant& p : reaction.participants)
      (p.side == 0 ? left : right) += p.coefficient * p.reading.charge;
    add("charge", left, right);
    if (!differences.empty()) {
      reaction.error = "the equation does not balance: " + differences;
      reaction.balanced = Equation(reaction.participants);
      return reaction;
    }
  }
  reaction.balanced = Equation(reaction.participants);
  return reaction;
}

bool SetAmount(Reaction& reaction, const std::string& assignment, char kind) {
  const char* what = kind == 'g'   ? "the amount"
                     : kind == 'e' ? "the equivalents"
                     : kind == 'd' ? "the density"
                                   : "the concentration";
  const std::size_t eq = assignment.rfind('=');
  if (eq == std::string::npos || eq == 0) {
    reaction.error = std::string("expected FORMULA=VALUE for ") + what + ", got '" + assignment + "'";
    return false;
  }
  const std::string name = Trim(assignment.substr(0, eq));
  std::string value_text = Trim(assignment.substr(eq + 1));
  Participant* p = nullptr;
  for (Participant& q : reaction.participants) {
    if (q.formula == name) p = &q;
  }
  if (p == nullptr) {
    reaction.error = "'" + name + "' is not a participant of the equation (" + what + ")";
    return false;
  }
  if (kind == 'g') {
    if (p->given) {
      reaction.error = "the amount of " + name + " is given twice";
      return false;
    }
    // A mass (g when no unit is written), an amount, or a volume of a
    // liquid whose density is given (its mass worked out when solved).
    Measure m;
    const std::string why = ReadMeasure(value_text, ("the amount of " + name).c_str(),
                                        {Quantity::kMass, Quantity::kAmount, Quantity::kVolume}, &m, "g");
    if (!why.empty()) {
      reaction.error = why;
      return false;
    }
    if (!m.note.empty()) reaction.notes.push_back(m.note);
    if (m.kind == Quantity::kVolume) {
      p->given_volume = m.value * 1000.0;  // mL
    } else if (m.kind == Quantity::kAmount) {
      p->given_moles = m.value;
    } else {
      p->given_mass = m.value;
      p->given_moles = m.value / p->reading.molar_mass;
    }
    // A bench table's amounts: from a femtomole to a billion moles (every
    // other amount follows within the ratios of molar masses and
    // equivalents).
    if (m.kind != Quantity::kVolume && !(p->given_moles >= kFewestMoles && p->given_moles <= kMostMoles)) {
      reaction.error = "the amount of " + name + " (" + value_text +
                       ") is not one a bench table shows: give 1e-15 to 1e9 mol";
      return false;
    }
    p->given = true;
    return true;
  }
  if (kind == 'd' || kind == 'c') {
    // Densities (g/mL when no unit is written) and concentrations (mol/L).
    Measure m;
    std::string why = kind == 'd' ? ReadDensity(value_text, ("the density of " + name).c_str(), &m)
                                  : ReadMeasure(value_text, ("the concentration of " + name).c_str(),
                                                {Quantity::kAmountConcentration}, &m, "M");
    if (why.empty() && kind == 'c' && m.value > 1000.0) {
      why = "the concentration of " + name + " is " + value_text + ": at most 1000 mol/L";
    }
    if (!why.empty()) {
      reaction.error = why;
      return false;
    }
    if (!m.note.empty()) reaction.notes.push_back(m.note);
    if (kind == 'd') {
      p->density = m.value / 1000.0;  // g/mL
    } else {
      p->conc = m.value;
    }
    return true;
  }
  double value = 0.0;
  const char* text_end = value_text.data() + value_text.size();
  const char* number_end = ParseNumber(value_text.data(), text_end, &value);
  if (number_end == nullptr || !(value > 0.0) || !std::isfinite(value)) {
    reaction.error =
        std::string(what) + " for " + name + " needs a positive number, got '" + value_text + "'";
    return false;
  }
  if (!Trim(std::string(number_end, text_end)).empty()) {
    reaction.error = std::string(what) + " of " + name + " is a plain number, not '" + value_text + "'";
    return false;
  }
  // Equivalents as they are.
  if (value > 1e6) {
    reaction.error = std::string(what) + " of " + name + " is " + value_text + ": at most " + PlainText(1e6);
    return false;
  }
  if (kind == 'e') {
    if (p->side != 0) {
      reaction.error = "equivalents are for reactants; " + name + " is a product";
      return false;
    }
    p->equiv_given = value;
  }
  return true;
}

namespace {

// Moles per unit of coefficient that the given amount of `p` allows: for a
// mass, in the order the classic ChemEqu divides (mass / molar mass /
// coefficient), so that the masses it gives agree to the bit.
double Extent(const Participant& p) {
  if (!std::isnan(p.given_mass)) return p.given_mass / p.reading.molar_mass / p.coefficient;
  return p.given_moles / p.coefficient;
}

}  // namespace

std::vector<double> ReactionMasses(const Context& context, const std::vector<std::string>& formulas,
                                   const std::vector<double>& coefficients, std::size_t known, double mass,
                                   std::vector<Reading>* readings) {
  readings->clear();
  for (const std::string& f : formulas) readings->push_back(Read(context, f.data(), f.size()));
  std::vector<double> masses(formulas.size(), kNaN);
  if (known >= formulas.size() || coefficients.size() != formulas.size()) return masses;
  masses[known] = mass;
  // Nothing to scale by: a known participant of no positive molar mass or
  // coefficient gives the others no number.
  if (!((*readings)[known].molar_mass > 0.0) || !(coefficients[known] > 0.0)) return masses;
  const double factor = mass / (*readings)[known].molar_mass / coefficients[known];
  for (std::size_t i = 0; i < formulas.size(); ++i) {
    masses[i] = i == known ? mass : (*readings)[i].molar_mass * factor * coefficients[i];
  }
  return masses;
}

bool SolveAmounts(Reaction& reaction) {
  auto& ps = reaction.participants;
  for (Participant& p : ps) {
    if (std::isnan(p.given_volume)) continue;
    if (std::isnan(p.density)) {
      reaction.error =
          "the volume of " + p.formula + " needs its density (--density " + p.formula + "=D g/mL)";
      return false;
    }
    p.given_mass = p.given_volume * p.density;
    p.given_moles = p.given_mass / p.reading.molar_mass;
    if (!(p.given_moles >= kFewestMoles && p.given_moles <= kMostMoles)) {
      reaction.error =
          "the amount of " + p.formula + " is not one a bench table shows: give 1e-15 to 1e9 mol";
      return false;
    }
  }
  double extent = kNaN;
  int limiting = -1;
  for (std::size_t i = 0; i < ps.size(); ++i) {
    if (ps[i].side == 0 && ps[i].given && !(Extent(ps[i]) >= extent)) {
      extent = Extent(ps[i]);
      limiting = static_cast<int>(i);
    }
  }
  if (limiting < 0) {
    for (const Participant& p : ps) {
      if (p.side == 1 && p.given) {
        extent = Extent(p);
        break;
      }
    }
  }
  if (std::isnan(extent)) {
    reaction.error = "give the amount of at least one participant";
    return false;
  }
  for (const Participant& p : ps) {
    if (limiting < 0 && !std::isnan(p.equiv_given)) {
      reaction.error = "equivalents need a limiting reagent: give the amount of a reactant";
      return false;
    }
  }
  // Equivalents are counted from the given reactant that limits among the
  // given ones (the reference, 1.00 equiv); a reactant given fewer
  // equivalents than its coefficient asks for limits in its turn.
  const double limiting_moles = limiting >= 0 ? ps[static_cast<std::size_t>(limiting)].given_moles : kNaN;
  for (std::size_t i = 0; i < ps.size() && limiting >= 0; ++i) {
    const Participant& p = ps[i];
    if (p.side != 0 || p.given || std::isnan(p.equiv_given)) continue;
    const double by_equiv = p.equiv_given * limiting_moles / p.coefficient;
    if (by_equiv < extent) {
      extent = by_equiv;
      limiting = static_cast<int>(i);
    }
  }
  reaction.limiting = limiting;
  for (Participant& p : ps) {
    if (p.given && (p.side == 0 || limiting < 0)) {
      p.moles = p.given_moles;
      p.mass = !std::isnan(p.given_mass) ? p.given_mass : p.moles * p.reading.molar_mass;
    } else if (p.side == 0 && !std::isnan(p.equiv_given)) {
      p.moles = p.equiv_given * limiting_moles;
      p.mass = p.moles * p.reading.molar_mass;
    } else {
      // Stoichiometric, or the theoretical yield: ChemEqu's product order.
      p.moles = extent * p.coefficient;
      p.mass = p.reading.molar_mass * extent * p.coefficient;
    }
    p.equiv = p.side == 0 && limiting >= 0 ? p.moles / limiting_moles : kNaN;
    p.excess = p.side == 0 && limiting >= 0 ? p.moles - extent * p.coefficient : kNaN;
    if (!std::isnan(p.density)) {
      p.volume = p.mass / p.density;
    } else if (!std::isnan(p.conc)) {
      p.volume = p.moles / p.conc * 1000.0;
    }
  }
  return true;
}

}  // namespace formix::toolkit
