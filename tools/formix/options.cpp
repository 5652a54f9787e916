// options.cpp -- the formix tool's option parser.
#include "options.h"

#include "option_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "formix.h"
#include "text.h"

namespace formix::tool {

double ParseNumber(const std::string& text, const std::string& what) {
  double value = 0.0;
  if (formix_parse_number(text.c_str(), &value) == 0) {
    throw UsageError{"not a number for " + what + ": '" + text + "'"};
  }
  return value;
}

int ChargeOption(const std::string& text) {
  int z = 0;
  const std::string error = formix_read_charge(text.c_str(), &z);  // the grammar of every command and front
  if (!error.empty()) throw UsageError{"--charge: " + error};
  return z;
}

void SplitAssignment(const std::string& text, std::string* name, double* value, const std::string& what) {
  std::size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) {
    throw UsageError{"expected NAME=VALUE for " + what + ", got '" + text + "'"};
  }
  *name = text.substr(0, eq);
  *value = ParseNumber(text.substr(eq + 1), what);
}

namespace {

bool IsLowercaseWord(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < 'a' || c > 'z') return false;
  }
  return true;
}

void CheckPath(const std::string& option, const std::string& path) {
  if (path.size() > FORMIX_MAX_PATH) {
    throw UsageError{option + ": the path is " + std::to_string(path.size()) + " bytes long; at most " +
                     std::to_string(FORMIX_MAX_PATH) + " are allowed"};
  }
  if (path.empty()) throw UsageError{option + ": the path is empty"};
}

}  // namespace

namespace {

// The options whose value is a quantity with its unit.
bool IsQuantityOption(const std::string& name) {
  for (const char* q : {"--conc", "--volume", "--mass", "--stock", "--density", "--purity"}) {
    if (name == q) return true;
  }
  return false;
}

// A number as typed, a decimal comma allowed: the start of a quantity.
bool LooksLikeNumber(const std::string& text) {
  if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
  return text.find_first_not_of("0123456789.,eE+-") == std::string::npos;
}

// The row of the table that says where the parser puts option `name`.
const OptionRow* ParsedRow(const std::string& name) {
  for (const OptionRow& row : kOptionTable) {
    if (name == row.name && (row.value_member || row.list_member || row.flag_member)) return &row;
  }
  return nullptr;
}

}  // namespace

Options ParseOptions(int argc, char** argv, const std::vector<std::string>& commands) {
  Options o;
  std::vector<std::string> positional;
  bool options_done = false;
  bool command_possible = true;  // the first positional may name a command
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg.size() < 2 || arg[0] != '-' || (arg[1] != '-' && arg != "-h")) {
      if (positional.empty() && command_possible && !options_done) {
        command_possible = false;
        bool is_command = false;
        for (const std::string& c : commands) is_command = is_command || c == arg;
        if (is_command) {
          o.command = arg;
          continue;
        }
        if (IsLowercaseWord(arg)) {
          std::string nearest;
          std::size_t best = 4;
          for (const std::string& c : commands) {
            std::size_t d = Distance(arg, c);
            if (d < best) best = d, nearest = c;
          }
          throw UsageError{"'" + arg + "' is not a command" +
                           (nearest.empty() ? "" : " (did you mean '" + nearest + "'?)") +
                           "; for a formula write 'formix mass " + arg + "' or 'formix -- " + arg + "'"};
        }
      }
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
    auto once = [&](std::optional<std::string>& slot) {
      if (slot) throw UsageError{name + " is given twice"};
      slot = take_value();
    };
    auto flag = [&](bool& slot) {
      if (inline_value) throw UsageError{name + " takes no value"};
      slot = true;
    };
    if (name == "--help" && inline_value) {
      if (value != "roff") throw UsageError{"--help takes no value but 'roff'"};
      o.help = o.help_roff = true;
    } else if (name == "--help" || name == "-h") {
      flag(o.help);
    } else if (name == "--version") {
      flag(o.version);
    } else if (name == "--json") {
      flag(o.json);
    } else if (name == "--strict") {
      flag(o.strict);
    } else if (name == "--verbose") {
      flag(o.verbose);
    } else if (name == "--messages") {
      std::string v = take_value();
      if (v != "en" && v != "ru") throw UsageError{"--messages takes 'en' or 'ru'"};
      o.russian = v == "ru";
    } else if (name == "--masses") {
      once(o.masses);
      CheckPath(name, *o.masses);
    } else if (name == "--groups") {
      once(o.groups);
      CheckPath(name, *o.groups);
    } else if (name == "--precision") {
      std::string p = take_value();
      char* end = nullptr;
      long n = std::strtol(p.c_str(), &end, 10);
      if (p.empty() || *end != '\0' || n < 0 || n > 17) {
        throw UsageError{"--precision takes a whole number from 0 to 17"};
      }
      o.precision = static_cast<int>(n);
    } else if (const OptionRow* row = ParsedRow(name)) {
      // A quantity typed as two words (--conc 150 mM, --stock 37 % w/w):
      // the number and the unit that follows it are one value.
      auto quantity = [&]() {
        std::string v = take_value();
        if (inline_value || !IsQuantityOption(name) || !LooksLikeNumber(v)) return v;
        if (name == "--purity" && i + 1 < argc && std::string(argv[i + 1]) == "%") {
          ++i;
          return v + " %";  // a purity's percent, no unit of the quantity grammar
        }
        for (int words = 2; words >= 1; --words) {
          if (i + words >= argc) continue;
          std::string unit = argv[i + 1];
          for (int k = 2; k <= words; ++k) unit += std::string(" ") + argv[i + k];
          if (formix_is_unit(unit.c_str()) != 0) {
            i += words;
            return v + " " + unit;
          }
        }
        return v;
      };
      if (row->list_member) {
        (o.*(row->list_member)).push_back(quantity());
      } else if (row->value_member) {
        if (o.*(row->value_member)) throw UsageError{name + " is given twice"};
        o.*(row->value_member) = quantity();
      } else {
        flag(o.*(row->flag_member));
      }
      o.command_options.push_back(name);
    } else if (name == "--solvate") {
      o.solvate = 1;
      if (inline_value) {
        if (value != "1" && value != "2") throw UsageError{"--solvate takes 1 or 2 (solvents at once)"};
        o.solvate = value == "2" ? 2 : 1;
      }
      o.command_options.push_back(name);
    } else {
      throw UsageError{"unknown option " + name};
    }
  }
  if (o.command.empty()) o.command = "mass";
  o.args = positional;
  return o;
}

}  // namespace formix::tool
