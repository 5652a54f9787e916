// option_table.cpp -- the option table written out for --help and the man
// page.
#include "option_table.h"

#include <cctype>
#include <cmath>

#include "text.h"

namespace formix::tool {
namespace {

std::string Synopsis(const OptionRow& row) {
  const char first = row.value[0];
  return std::string(row.name) + (first == '\0' || first == '[' || first == '=' ? "" : " ") + row.value;
}

std::string Default(const OptionRow& row) {
  if (row.default_text != nullptr) return row.default_text;
  return std::isnan(row.default_number) ? "" : Shortest(row.default_number);
}

// `text` wrapped at 100 columns, lines after the first indented by 20.
std::string Wrapped(const std::string& first, const std::string& text) {
  std::string out = first, word;
  std::size_t column = first.size();
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ' ') {
      word += text[i];
      continue;
    }
    if (word.empty()) continue;
    if (column + 1 + word.size() > 100 && column > 20) {
      out += "\n" + std::string(20, ' ');
      column = 20;
    } else if (column > 20 || out.size() > first.size()) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    word.clear();
  }
  return out + "\n";
}

std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string OptionsHelp() {
  std::string out;
  for (const OptionRow& row : kOptionTable) {
    std::string left = "  " + Synopsis(row);
    left += std::string(left.size() < 20 ? 20 - left.size() : 1, ' ');
    std::string commands = row.commands;
    for (std::size_t at = commands.find(' '); at != std::string::npos; at = commands.find(' ', at + 2)) {
      commands.replace(at, 1, ", ");
    }
    const std::string fallback = Default(row);
    out += Wrapped(left, (commands.empty() ? "" : commands + ": ") + row.help +
                             (fallback.empty() ? "" : " (default " + fallback + ")"));
  }
  return out;
}

std::string OptionsRoff() {
  std::string out = ".SS Options of the commands\n";
  for (const OptionRow& row : kOptionTable) {
    if (row.commands[0] == '\0') continue;
    const char first = row.value[0];
    out += ".TP\n\\fB" + Roff(row.name) + "\\fR";
    if (first != '\0')
      out += std::string(first == '[' || first == '=' ? "" : " ") + "\\fI" + Roff(row.value) + "\\fR";
    out += " (" + Roff(row.commands) + ")\n";
    std::string help = Roff(row.help);
    help[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(help[0])));
    const std::string fallback = Default(row);
    out += help + (fallback.empty() ? "" : " (default " + Roff(fallback) + ")") + ".\n";
  }
  return out;
}

}  // namespace formix::tool
