// cmd_react.cpp -- formix react: masses of every participant of a balanced
// equation from the mass of one.
#include <cctype>
#include <sstream>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {
namespace {

struct Participant {
  int side;  // 0 reactant, 1 product
  double coefficient;
  std::string formula;  // as written
};

// Splits a textbook equation: sides at "=", "->" or "→" between spaces,
// participants at "+" between spaces, a leading number is the coefficient.
std::vector<Participant> ParseEquation(const std::string& equation) {
  std::vector<Participant> out;
  std::istringstream words(equation);
  std::string word, current;
  int side = 0, separators = 0;
  auto finish = [&]() {
    std::size_t start = current.find_first_not_of(' ');
    if (start == std::string::npos) throw UsageError{"a participant of the equation is empty"};
    std::string text = current.substr(start);
    std::size_t n = 0;
    while (n < text.size() && (std::isdigit(static_cast<unsigned char>(text[n])) || text[n] == '.')) ++n;
    double coefficient = 1.0;
    if (n > 0) coefficient = ParseNumber(text.substr(0, n), "a coefficient");
    std::size_t rest = text.find_first_not_of(' ', n);
    if (rest == std::string::npos) throw UsageError{"'" + text + "' has no formula"};
    out.push_back({side, coefficient, text.substr(rest)});
    current.clear();
  };
  while (words >> word) {
    if (word == "=" || word == "->" || word == "\xE2\x86\x92") {
      finish();
      side = 1;
      ++separators;
    } else if (word == "+") {
      finish();
    } else {
      current += (current.empty() ? "" : " ") + word;
    }
  }
  finish();
  if (separators != 1) {
    throw UsageError{"the equation needs one '=', '->' or '\xE2\x86\x92' between spaces"};
  }
  return out;
}

}  // namespace

void CommandReact(Session& s) {
  const Options& o = s.options;
  if (o.args.empty()) throw UsageError{"react takes an equation, such as '2H2 + O2 = 2H2O'"};
  if (!o.given) throw UsageError{"react needs --given FORMULA=MASS"};
  std::string equation;
  for (const std::string& a : o.args) equation += (equation.empty() ? "" : " ") + a;
  std::vector<Participant> parts = ParseEquation(equation);
  std::string given_formula;
  double given_mass = 0.0;
  SplitAssignment(*o.given, &given_formula, &given_mass, "--given");
  int reference = -1;
  for (std::size_t i = 0; i < parts.size() && reference < 0; ++i) {
    if (parts[i].formula == given_formula) reference = static_cast<int>(i);
  }
  if (reference < 0) throw UsageError{"'" + given_formula + "' is not a participant of the equation"};

  const std::size_t n = parts.size();
  std::vector<double> molar(n), masses(n);
  bool usable = true;
  for (std::size_t i = 0; i < n; ++i) {
    Reading r = s.Read(parts[i].formula);
    usable = usable && s.Shows(r.get());
    molar[i] = formix_reading_molar_mass(r.get());
  }
  if (!usable) throw CommandFailed{};
  // The products and quotients of the library's ChemEqu, in its order.
  const std::size_t ref = static_cast<std::size_t>(reference);
  const double factor = given_mass / molar[ref] / parts[ref].coefficient;
  for (std::size_t i = 0; i < n; ++i) {
    masses[i] = i == ref ? given_mass : molar[i] * factor * parts[i].coefficient;
  }

  if (o.json) {
    Json json;
    json.Open('{').Key("format").Integer(kJsonFormat).Key("command").String("react");
    json.Key("participants").Open('[');
    for (std::size_t i = 0; i < n; ++i) {
      json.Open('{').Key("side").String(parts[i].side ? "product" : "reactant");
      json.Key("coefficient").Number(parts[i].coefficient).Key("formula").String(parts[i].formula);
      json.Key("molar_mass").Number(molar[i]).Key("mass").Number(masses[i]);
      json.Key("moles").Number(masses[i] / molar[i]).Key("given").Bool(i == ref).Close();
    }
    json.Close().Close().End();
    return;
  }
  Table table({"side", "coef", "formula", "molar mass", "mass", "moles"});
  for (std::size_t i = 0; i < n; ++i) {
    table.Add({parts[i].side ? "product" : "reactant", Shortest(parts[i].coefficient), parts[i].formula,
               Fixed(molar[i], o.precision), Fixed(masses[i], o.precision),
               Fixed(masses[i] / molar[i], o.precision) + (i == ref ? "  (given)" : "")});
  }
  table.Print();
}

}  // namespace formix::tool
