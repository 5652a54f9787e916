// formix -- the command-line calculator over the formix32 library: molar
// masses, composition, reaction masses, elemental analysis and the tables.
// Uses only the public interface of the library.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

#include "formix32.h"
#include "text.h"

namespace formix::tool {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitMessages = 2;
constexpr int kExitNoMassFile = 3;

const char kHelp[] =
    "usage: formix [COMMAND] [OPTION]... [ARGUMENT]...\n"
    "\n"
    "Commands:\n"
    "  mass FORMULA...               molar mass of each formula (the default command)\n"
    "  mass [-]                      molar masses of the formulas on standard input, one a line\n"
    "  composition FORMULA           atoms, mass and mass percent of each element (alias comp)\n"
    "  react EQUATION --given F=M    masses of all participants from the mass M of participant F\n"
    "  analyze SPECIES=FRACTION...   atom ratios and nearest formula from an elemental analysis\n"
    "  elements                      the element table\n"
    "  groups                        the group table\n"
    "\n"
    "Options:\n"
    "  --masses FILE     use FILE as the atomic mass file\n"
    "  --groups FILE     use FILE as the group file\n"
    "  --precision N     decimals of printed numbers (default 4)\n"
    "  --json            write one JSON document to standard output\n"
    "  --given F=M       react: participant F (as written in the equation) has mass M\n"
    "  --mass M          analyze: scale the ratios to the total molar mass M\n"
    "  --ref S=N         analyze: scale the ratios so that species S has N atoms\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 success, 1 usage error, 2 a formula was reported,\n"
    "3 the mass file could not be found.\n";

// ---- Notifications --------------------------------------------------------

// Collects the library's messages: printed to standard error with the
// formula they concern, kept for JSON output, and remembered for the exit
// status.
struct Notices {
  std::string context;                // formula being evaluated
  std::vector<std::string> messages;  // "caption: text" since the last Take
  bool muted = false;                 // repeated evaluations of the same text
  bool any = false;
  bool no_mass_file = false;

  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(messages);
    return out;
  }
};

Notices g_notices;

// The caption the library gives only to a mass file found nowhere.
const char kAttentionCaption[] = "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5!";

void FORMIX32_CALL OnMessage(const char* text, const char* caption, void*) {
  if (std::strcmp(caption, kAttentionCaption) == 0) g_notices.no_mass_file = true;
  if (g_notices.muted) return;
  g_notices.any = true;
  std::string line = ToUtf8(caption) + ": " + ToUtf8(text);
  std::string where = g_notices.context.empty() ? "" : g_notices.context + ": ";
  std::fprintf(stderr, "formix: %s%s\n", where.c_str(), line.c_str());
  g_notices.messages.push_back(line);
}

void FORMIX32_CALL OnBeep(void*) {}

// ---- Options --------------------------------------------------------------

struct Options {
  std::string command = "mass";
  std::vector<std::string> args;
  // Options with a value; empty when not given.
  std::optional<std::string> masses, groups, given, total, ref;
  int precision = 4;
  bool json = false, help = false, version = false;
};

struct UsageError {
  std::string message;
};

bool IsCommand(const std::string& word) {
  for (const char* c : {"mass", "composition", "comp", "react", "analyze", "elements", "groups"}) {
    if (word == c) return true;
  }
  return false;
}

double ParseNumber(const std::string& text, const char* what) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value)) {
    throw UsageError{std::string("not a number for ") + what + ": '" + text + "'"};
  }
  return value;
}

// Splits "NAME=VALUE" at its last '=' (a name may hold '=' as a bond mark).
void SplitAssignment(const std::string& text, std::string* name, double* value, const char* what) {
  std::size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) {
    throw UsageError{std::string("expected NAME=VALUE for ") + what + ", got '" + text + "'"};
  }
  *name = text.substr(0, eq);
  *value = ParseNumber(text.substr(eq + 1), what);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  std::vector<std::string> positional;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h")) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string name = arg, value;
    bool inline_value = false;
    std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inline_value = true;
    }
    auto take_value = [&]() {
      if (inline_value) return value;
      if (i + 1 >= argc) throw UsageError{name + " needs a value"};
      return std::string(argv[++i]);
    };
    if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else if (name == "--json") {
      o.json = true;
    } else if (name == "--masses") {
      o.masses = take_value();
    } else if (name == "--groups") {
      o.groups = take_value();
    } else if (name == "--precision") {
      std::string p = take_value();
      char* end = nullptr;
      long n = std::strtol(p.c_str(), &end, 10);
      if (p.empty() || *end != '\0' || n < 0 || n > 17) {
        throw UsageError{"--precision takes a whole number from 0 to 17"};
      }
      o.precision = static_cast<int>(n);
    } else if (name == "--given") {
      o.given = take_value();
    } else if (name == "--mass") {
      o.total = take_value();
    } else if (name == "--ref") {
      o.ref = take_value();
    } else {
      throw UsageError{"unknown option " + name};
    }
  }
  if (!positional.empty() && IsCommand(positional[0])) {
    o.command = positional[0] == "comp" ? "composition" : positional[0];
    positional.erase(positional.begin());
  }
  o.args = positional;
  return o;
}

// ---- Shared helpers -------------------------------------------------------

// A formula converted for the library, or the reason it cannot be.
struct Formula {
  std::string utf8;
  std::string cp1251;
  std::string error;  // empty when converted
};

Formula Convert(const std::string& utf8) {
  Formula f;
  f.utf8 = utf8;
  std::string bad;
  if (!ToCp1251(utf8, &f.cp1251, &bad)) {
    f.error = "the character " + bad + " cannot be written in Windows-1251";
  }
  return f;
}

// Converts or reports; a formula that cannot be converted counts as one the
// library could not take.
bool ConvertOrReport(const std::string& utf8, Formula* f) {
  *f = Convert(utf8);
  if (f->error.empty()) return true;
  std::fprintf(stderr, "formix: %s: %s\n", utf8.c_str(), f->error.c_str());
  g_notices.any = true;
  return false;
}

double Evaluate(const Formula& f) {
  g_notices.context = f.utf8;
  double mass = MolarMass(f.cp1251.c_str());
  g_notices.context.clear();
  return mass;
}

std::string JsonMessages(const std::vector<std::string>& messages) {
  std::string out = "[";
  for (std::size_t i = 0; i < messages.size(); ++i) {
    out += (i ? "," : "") + JsonString(messages[i]);
  }
  return out + "]";
}

// Left-aligned text columns separated by two spaces.
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  auto display_width = [](const std::string& s) {
    std::size_t n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size());
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], display_width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - display_width(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

// Makes the library load its tables now (a calculation loads them).
void EnsureTables() {
  g_notices.context.clear();
  MolarMass("");
}

// ---- mass -----------------------------------------------------------------

void MassOne(const std::string& text, const Options& o, std::vector<std::string>* json) {
  Formula f;
  if (!ConvertOrReport(text, &f)) {
    if (o.json) json->push_back("{\"formula\":" + JsonString(text) + ",\"error\":" + JsonString(f.error) + "}");
    return;
  }
  double mass = Evaluate(f);
  std::vector<std::string> messages = g_notices.Take();
  if (o.json) {
    json->push_back("{\"formula\":" + JsonString(text) + ",\"molar_mass\":" + JsonNumber(mass) +
                    ",\"messages\":" + JsonMessages(messages) + "}");
  } else {
    std::printf("%s\t%s\n", text.c_str(), Fixed(mass, o.precision).c_str());
  }
}

void CommandMass(const Options& o) {
  std::vector<std::string> json;
  std::vector<std::string> sources = o.args;
  if (sources.empty()) sources.push_back("-");
  for (const std::string& source : sources) {
    if (source != "-") {
      MassOne(source, o, &json);
      continue;
    }
    char* buffer = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&buffer, &capacity, stdin)) >= 0) {
      std::string line(buffer, static_cast<std::size_t>(length));
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (line.empty()) continue;
      MassOne(line, o, &json);
    }
    std::free(buffer);
  }
  if (o.json) {
    std::string out = "{\"command\":\"mass\",\"results\":[";
    for (std::size_t i = 0; i < json.size(); ++i) out += (i ? "," : "") + json[i];
    std::printf("%s]}\n", out.c_str());
  }
}

// ---- composition ----------------------------------------------------------

void CommandComposition(const Options& o) {
  if (o.args.size() != 1) throw UsageError{"composition takes one formula"};
  Formula f;
  if (!ConvertOrReport(o.args[0], &f)) return;
  double contributions[200];
  double atoms[200];
  char buffers[200][4];
  char* symbols[200];
  for (int i = 0; i < 200; ++i) symbols[i] = buffers[i];
  int count = 0;
  g_notices.context = f.utf8;
  double mass = MolecularMass(f.cp1251.c_str(), contributions, atoms, &count, symbols);
  g_notices.context.clear();
  std::vector<std::string> messages = g_notices.Take();

  struct Row {
    std::string symbol;
    double atoms, mass, percent;
  };
  std::vector<Row> rows;
  for (int i = 0; i < count && i < 200; ++i) {
    if (atoms[i] == 0.0) continue;
    // The same quotient PercentOfElement gives: contribution / molar mass * 100.
    double percent = mass == 0.0 ? 0.0 : contributions[i] / mass * 100.0;
    rows.push_back({ToUtf8(buffers[i]), atoms[i], contributions[i], percent});
  }
  if (o.json) {
    std::string out = "{\"command\":\"composition\",\"formula\":" + JsonString(f.utf8) +
                      ",\"molar_mass\":" + JsonNumber(mass) + ",\"elements\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      out += std::string(i ? "," : "") + "{\"symbol\":" + JsonString(rows[i].symbol) +
             ",\"atoms\":" + JsonNumber(rows[i].atoms) + ",\"mass\":" + JsonNumber(rows[i].mass) +
             ",\"percent\":" + JsonNumber(rows[i].percent) + "}";
    }
    std::printf("%s],\"messages\":%s}\n", out.c_str(), JsonMessages(messages).c_str());
    return;
  }
  std::printf("%s\tM = %s\n", f.utf8.c_str(), Fixed(mass, o.precision).c_str());
  const bool bars = isatty(STDOUT_FILENO);
  std::vector<std::vector<std::string>> table = {{"element", "atoms", "mass", "percent"}};
  for (const Row& r : rows) {
    std::vector<std::string> line = {r.symbol, Shortest(r.atoms), Fixed(r.mass, o.precision),
                                     Fixed(r.percent, o.precision)};
    if (bars) {
      int width = static_cast<int>(std::lround(std::fmax(0.0, std::fmin(r.percent, 100.0)) / 2.5));
      std::string bar;
      for (int k = 0; k < width; ++k) bar += "\xE2\x96\x88";  // U+2588 FULL BLOCK
      line.push_back(bar);
    }
    table.push_back(line);
  }
  PrintTable(table);
}

// ---- react ----------------------------------------------------------------

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

void CommandReact(const Options& o) {
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

  std::vector<Formula> formulas(parts.size());
  std::vector<double> molar(parts.size()), masses(parts.size()), coefficients(parts.size());
  std::vector<std::vector<std::string>> messages(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!ConvertOrReport(parts[i].formula, &formulas[i])) return;
    molar[i] = Evaluate(formulas[i]);
    messages[i] = g_notices.Take();
    coefficients[i] = parts[i].coefficient;
  }
  std::vector<const char*> texts;
  for (const Formula& f : formulas) texts.push_back(f.cp1251.c_str());
  masses[reference] = given_mass;
  g_notices.muted = true;  // the same formulas again: their messages are out
  ChemEqu(texts.data(), coefficients.data(), masses.data(), reference,
          static_cast<int>(parts.size()));
  g_notices.muted = false;

  if (o.json) {
    std::string out = "{\"command\":\"react\",\"participants\":[";
    for (std::size_t i = 0; i < parts.size(); ++i) {
      out += std::string(i ? "," : "") + "{\"side\":\"" + (parts[i].side ? "product" : "reactant") +
             "\",\"coefficient\":" + JsonNumber(coefficients[i]) +
             ",\"formula\":" + JsonString(parts[i].formula) + ",\"molar_mass\":" + JsonNumber(molar[i]) +
             ",\"mass\":" + JsonNumber(masses[i]) + ",\"moles\":" + JsonNumber(masses[i] / molar[i]) +
             ",\"given\":" + (static_cast<int>(i) == reference ? "true" : "false") +
             ",\"messages\":" + JsonMessages(messages[i]) + "}";
    }
    std::printf("%s]}\n", out.c_str());
    return;
  }
  std::vector<std::vector<std::string>> table = {
      {"side", "coef", "formula", "molar mass", "mass", "moles"}};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    table.push_back({parts[i].side ? "product" : "reactant", Shortest(coefficients[i]),
                     parts[i].formula, Fixed(molar[i], o.precision), Fixed(masses[i], o.precision),
                     Fixed(masses[i] / molar[i], o.precision) +
                         (static_cast<int>(i) == reference ? "  (given)" : "")});
  }
  PrintTable(table);
}

// ---- analyze --------------------------------------------------------------

bool IsSymbol(const std::string& s) {
  if (s.empty() || !std::isupper(static_cast<unsigned char>(s[0]))) return false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (!std::islower(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

void CommandAnalyze(const Options& o) {
  if (o.args.empty()) throw UsageError{"analyze takes SPECIES=FRACTION pairs, such as C=40.0"};
  if (o.total && o.ref) throw UsageError{"give --mass or --ref, not both"};
  const std::size_t n = o.args.size();
  std::vector<std::string> species(n);
  std::vector<double> fractions(n), ratios(n);
  std::vector<Formula> formulas(n);
  for (std::size_t i = 0; i < n; ++i) SplitAssignment(o.args[i], &species[i], &fractions[i], "a fraction");
  for (std::size_t i = 0; i < n; ++i) {
    if (!ConvertOrReport(species[i], &formulas[i])) return;
    Evaluate(formulas[i]);  // shows each species' messages once
  }
  std::vector<const char*> texts;
  for (const Formula& f : formulas) texts.push_back(f.cp1251.c_str());
  const int count = static_cast<int>(n);
  g_notices.muted = true;
  int reference = -1;
  double total = 0.0;
  if (o.total) {
    total = ParseNumber(*o.total, "--mass");
    GetFormula(texts.data(), fractions.data(), count, -1, total, ratios.data());
  } else {
    std::string ref_species;
    total = 1.0;
    if (o.ref) {
      SplitAssignment(*o.ref, &ref_species, &total, "--ref");
      for (std::size_t i = 0; i < n && reference < 0; ++i) {
        if (species[i] == ref_species) reference = static_cast<int>(i);
      }
      if (reference < 0) {
        g_notices.muted = false;
        throw UsageError{"'" + ref_species + "' is not one of the analysed species"};
      }
    } else {
      // Scale so that the smallest ratio is 1.
      GetFormula(texts.data(), fractions.data(), count, -1, 1.0, ratios.data());
      reference = 0;
      for (int i = 1; i < count; ++i) {
        if (ratios[i] < ratios[reference]) reference = i;
      }
    }
    GetFormula(texts.data(), fractions.data(), count, reference, total, ratios.data());
    ratios[reference] = total;  // the library leaves the reference entry unscaled
  }
  g_notices.muted = false;

  // The nearest formula with small whole numbers: the smallest multiplier
  // that brings every ratio within 0.1 of a whole number, else the best.
  int best_k = 1;
  double best_dev = INFINITY;
  for (int k = 1; k <= 12; ++k) {
    double dev = 0.0;
    for (double r : ratios) dev = std::fmax(dev, std::fabs(k * r - std::round(k * r)));
    if (dev < best_dev - 1e-12) {
      best_dev = dev;
      best_k = k;
    }
    if (dev <= 0.1) break;
  }
  std::vector<long> whole(n);
  std::string nearest;
  for (std::size_t i = 0; i < n; ++i) {
    double scaled = best_k * ratios[i];
    whole[i] = std::isfinite(scaled) ? std::lround(scaled) : 0;
    if (whole[i] == 0 && scaled > 0) whole[i] = 1;
    if (whole[i] <= 0) continue;
    nearest += IsSymbol(species[i]) ? species[i] : "(" + species[i] + ")";
    if (whole[i] != 1) nearest += std::to_string(whole[i]);
  }

  if (o.json) {
    std::string out = "{\"command\":\"analyze\",\"species\":[";
    for (std::size_t i = 0; i < n; ++i) {
      out += std::string(i ? "," : "") + "{\"species\":" + JsonString(species[i]) +
             ",\"fraction\":" + JsonNumber(fractions[i]) + ",\"ratio\":" + JsonNumber(ratios[i]) +
             ",\"whole\":" + std::to_string(whole[i]) +
             ",\"deviation\":" + JsonNumber(best_k * ratios[i] - static_cast<double>(whole[i])) + "}";
    }
    out += "],\"multiplier\":" + std::to_string(best_k) + ",\"formula\":" + JsonString(nearest) + "}";
    std::printf("%s\n", out.c_str());
    return;
  }
  std::vector<std::vector<std::string>> table = {{"species", "fraction", "ratio", "whole", "deviation"}};
  for (std::size_t i = 0; i < n; ++i) {
    double dev = best_k * ratios[i] - static_cast<double>(whole[i]);
    table.push_back({species[i], Shortest(fractions[i]), Fixed(ratios[i], o.precision),
                     std::to_string(whole[i]), (dev >= 0 ? "+" : "") + Fixed(dev, o.precision)});
  }
  PrintTable(table);
  if (best_k != 1) std::printf("ratios multiplied by %d\n", best_k);
  std::printf("nearest formula: %s\n", nearest.c_str());
}

// ---- elements, groups -----------------------------------------------------

void CommandElements(const Options& o) {
  if (!o.args.empty()) throw UsageError{"elements takes no arguments"};
  EnsureTables();
  std::vector<std::vector<std::string>> table = {{"index", "symbol", "mass"}};
  std::string json = "{\"command\":\"elements\",\"elements\":[";
  for (int i = 0; i < ElementsInTable(); ++i) {
    char symbol[4];
    GetElement(symbol, i);
    double atoms[200];
    double contributions[200];
    g_notices.muted = true;
    MolecularMass(symbol, contributions, atoms, nullptr, nullptr);
    g_notices.muted = false;
    // The element's own entry: a group named like it would replace the text.
    double mass = atoms[i] == 1.0 ? contributions[i] : MolarMass(symbol);
    std::string s = ToUtf8(symbol);
    table.push_back({std::to_string(i), s, Shortest(mass)});
    json += std::string(i ? "," : "") + "{\"index\":" + std::to_string(i) +
            ",\"symbol\":" + JsonString(s) + ",\"mass\":" + JsonNumber(mass) + "}";
  }
  if (o.json) {
    std::printf("%s]}\n", json.c_str());
  } else {
    PrintTable(table);
  }
}

// The library has no call that lists group names, so the tool reads the
// group file itself, found as the library finds it: the path, then
// $FORMIX32_DATA_DIR, then ../share/formix32 beside the library.
std::string FindGroupFile(const std::string& setting) {
  std::vector<std::string> candidates = {setting};
  if (const char* dir = std::getenv("FORMIX32_DATA_DIR"); dir != nullptr && *dir != '\0') {
    candidates.push_back(std::string(dir) + "/" + setting);
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&MolarMass), &info) != 0 && info.dli_fname != nullptr) {
    std::string lib = info.dli_fname;
    std::size_t slash = lib.rfind('/');
    if (slash != std::string::npos) candidates.push_back(lib.substr(0, slash) + "/../share/formix32/" + setting);
  }
  for (const std::string& c : candidates) {
    if (access(c.c_str(), R_OK) == 0) return c;
  }
  return "";
}

void CommandGroups(const Options& o) {
  if (!o.args.empty()) throw UsageError{"groups takes no arguments"};
  EnsureTables();
  char setting[256];
  GetGroupsFile(setting);
  std::vector<std::pair<std::string, std::string>> groups;
  std::string path = FindGroupFile(setting);
  if (!path.empty()) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> tokens;
    std::string token;
    for (char c : content + ' ') {
      if (c == ' ' || c == '\n' || c == '\r' || c == '\0') {
        if (!token.empty()) tokens.push_back(token);
        token.clear();
      } else {
        token += c;
      }
    }
    for (std::size_t i = 0; i + 1 < tokens.size() && static_cast<int>(groups.size()) < GroupsInTable(); i += 2) {
      if (tokens[i].size() > 3 || tokens[i + 1].size() > 14) continue;
      groups.emplace_back(tokens[i], tokens[i + 1]);
    }
  }
  if (static_cast<int>(groups.size()) != GroupsInTable()) {
    std::fprintf(stderr, "formix: the group file %s could not be listed\n", setting);
  }
  std::vector<std::vector<std::string>> table = {{"name", "formula", "molar mass"}};
  std::string json = "{\"command\":\"groups\",\"groups\":[";
  for (std::size_t i = 0; i < groups.size(); ++i) {
    std::string name = ToUtf8(groups[i].first), formula = ToUtf8(groups[i].second);
    g_notices.context = name;
    double mass = MolarMass(groups[i].first.c_str());
    g_notices.context.clear();
    g_notices.Take();
    table.push_back({name, formula, Fixed(mass, o.precision)});
    json += std::string(i ? "," : "") + "{\"name\":" + JsonString(name) +
            ",\"formula\":" + JsonString(formula) + ",\"molar_mass\":" + JsonNumber(mass) + "}";
  }
  if (o.json) {
    std::printf("%s]}\n", json.c_str());
  } else {
    PrintTable(table);
  }
}

int Run(int argc, char** argv) {
  Options o = ParseOptions(argc, argv);
  if (o.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (o.version) {
    std::printf("formix %d.%d.%d\n", FORMIX32_VERSION_MAJOR, FORMIX32_VERSION_MINOR,
                FORMIX32_VERSION_PATCH);
    return kExitOk;
  }
  if (o.command == "mass" && o.args.empty() && isatty(STDIN_FILENO)) {
    throw UsageError{"give a formula, or formulas on standard input"};
  }
  SetNotifier(&OnMessage, &OnBeep, nullptr);
  if (o.masses && SetNewMassesFile(o.masses->c_str()) == 0) {
    std::fprintf(stderr, "formix: cannot use the mass file '%s'\n", o.masses->c_str());
    return kExitNoMassFile;
  }
  if (o.groups && SetNewGroupsFile(o.groups->c_str()) == 0) return kExitNoMassFile;
  if (o.command == "mass") {
    CommandMass(o);
  } else if (o.command == "composition") {
    CommandComposition(o);
  } else if (o.command == "react") {
    CommandReact(o);
  } else if (o.command == "analyze") {
    CommandAnalyze(o);
  } else if (o.command == "elements") {
    CommandElements(o);
  } else {
    CommandGroups(o);
  }
  std::fflush(stdout);
  if (g_notices.no_mass_file) return kExitNoMassFile;
  return g_notices.any ? kExitMessages : kExitOk;
}

}  // namespace
}  // namespace formix::tool

int main(int argc, char** argv) {
  try {
    return formix::tool::Run(argc, argv);
  } catch (const formix::tool::UsageError& e) {
    std::fprintf(stderr, "formix: %s\nTry 'formix --help'.\n", e.message.c_str());
    return formix::tool::kExitUsage;
  }
}
