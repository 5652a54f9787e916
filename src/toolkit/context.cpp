// context.cpp -- making a toolkit context: the data files read through the
// engine's one search and reader.
#include "toolkit/context.h"

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "formix.h"
#include "platform/platform.h"
#include "refdata/decimal.h"
#include "toolkit/text.h"

namespace formix::toolkit {

const Abbreviation* Context::FindAbbreviation(const char* symbol, std::size_t length) const {
  for (const Abbreviation& a : abbreviations) {
    if (a.symbol.size() == length && std::memcmp(a.symbol.data(), symbol, length) == 0) return &a;
  }
  return nullptr;
}

const Abbreviation* Context::AcronymAt(const char* text, std::size_t length) const {
  if (length < 2 || static_cast<unsigned char>(text[0]) >= 128 ||
      static_cast<unsigned char>(text[1]) >= 128 ||
      !acronym_starts[static_cast<unsigned char>(text[0])][static_cast<unsigned char>(text[1])]) {
    return nullptr;
  }
  for (const Abbreviation& a : acronyms) {  // longest first
    const std::size_t n = a.symbol.size();
    if (n <= length && std::memcmp(a.symbol.data(), text, n) == 0 &&
        !(n < length && text[n] >= 'a' && text[n] <= 'z')) {
      return &a;
    }
  }
  return nullptr;
}

std::vector<std::vector<std::string>> ParseTabLines(const std::string& content, std::size_t fields) {
  std::vector<std::vector<std::string>> out;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
      std::size_t tab = line.find('\t', from);
      parts.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    if (parts.size() >= fields) out.push_back(parts);
  }
  return out;
}

std::vector<Abbreviation> ParseAbbreviations(const std::string& content) {
  std::vector<Abbreviation> out;
  for (const auto& f : ParseTabLines(content, 3)) out.push_back({f[0], f[1], f[2], f.size() > 3 ? f[3] : ""});
  return out;
}

namespace {

// A small list file, found by the data-file search; "" when absent.
std::string ReadListFile(const char* name) {
  platform::DataFile file;
  if (!refdata::OpenDataFile(name, file, nullptr)) return {};
  std::string content;
  char buffer[4096];
  // A list of a few dozen lines: stop at 1 MiB whatever the file holds.
  while (content.size() < (1u << 20)) {
    std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    content.append(buffer, n);
  }
  return content;
}

}  // namespace

std::unique_ptr<Context> MakeContext(const char* masses, const char* groups, int* status) {
  std::unique_ptr<Context> context(new (std::nothrow) Context());
  if (!context) {
    *status = FORMIX_OUT_OF_MEMORY;
    return nullptr;
  }
  refdata::Tables& t = context->tables;
  if (!refdata::SetPath(t.mass_path, masses != nullptr ? masses : kMassesFile) ||
      !refdata::SetPath(t.group_path, groups != nullptr ? groups : kGroupsFile)) {
    *status = FORMIX_PATH_TOO_LONG;
    return nullptr;
  }
  auto found = std::make_unique<refdata::FoundFiles>();
  if (!refdata::ReadTables(t, found.get())) {
    *status = FORMIX_MASSES_NOT_FOUND;
    return nullptr;
  }
  if (groups != nullptr && found->groups[0] == '\0') {
    *status = FORMIX_GROUPS_NOT_FOUND;
    return nullptr;
  }
  context->masses_file = found->masses;
  context->groups_file = found->groups;
  for (int i = 0; i < t.element_count; ++i) context->symbols.push_back(Cp1251ToUtf8(t.symbols[i]));
  std::vector<std::string> sorted = context->symbols;
  std::sort(sorted.begin(), sorted.end());
  for (const std::string& symbol : context->symbols) {
    context->symbol_places.push_back(
        static_cast<int>(std::lower_bound(sorted.begin(), sorted.end(), symbol) - sorted.begin()));
  }
  for (int g = 1; g <= t.group_count; ++g) {
    context->group_names.push_back(Cp1251ToUtf8(t.group_names[g]));
    context->group_formulas.push_back(Cp1251ToUtf8(t.group_formulas[g]));
  }
  for (Abbreviation& a : ParseAbbreviations(ReadListFile(kAbbreviationsFile))) {
    if (a.element != "-") {
      context->abbreviations.push_back(std::move(a));
      continue;
    }
    // An acronym the group file defines is read as that group.
    std::vector<std::string> forms{a.symbol};
    if (a.symbol[0] >= 'a' && a.symbol[0] <= 'z') {
      forms.push_back(a.symbol);
      forms.back()[0] = static_cast<char>(a.symbol[0] - 'a' + 'A');
    }
    for (const std::string& form : forms) {
      if (form.size() < 2 || std::find(context->group_names.begin(), context->group_names.end(), form) !=
                                 context->group_names.end()) {
        continue;
      }
      context->acronyms.push_back({form, a.element, a.meaning, a.formula});
    }
  }
  std::stable_sort(
      context->acronyms.begin(), context->acronyms.end(),
      [](const Abbreviation& a, const Abbreviation& b) { return a.symbol.size() > b.symbol.size(); });
  for (const Abbreviation& a : context->acronyms) {
    const auto first = static_cast<unsigned char>(a.symbol[0]),
               second = static_cast<unsigned char>(a.symbol[1]);
    if (first < 128 && second < 128) context->acronym_starts[first][second] = true;
  }
  for (const Abbreviation& a : context->abbreviations) {
    const std::string& x = a.symbol;
    const bool capital = !x.empty() && x[0] >= 'A' && x[0] <= 'Z';
    if (capital && x.size() == 1) context->short_abbreviations[x[0] - 'A'][0] = true;
    if (capital && x.size() == 2 && x[1] >= 'a' && x[1] <= 'z') {
      context->short_abbreviations[x[0] - 'A'][x[1] - 'a' + 1] = true;
    }
  }
  for (const auto& f : ParseTabLines(ReadListFile(kSolventsFile), 2))
    context->solvents.push_back({f[0], f[1]});
  for (const auto& f : ParseTabLines(ReadListFile(kIsotopesFile), 3)) {
    char* end = nullptr;
    const long number = std::strtol(f[1].c_str(), &end, 10);
    const double mass = ParseDecimal(f[2].c_str());  // locale-free
    const double abundance = f.size() > 3 && !f[3].empty() ? ParseDecimal(f[3].c_str()) : NAN;
    if (number > 0 && mass > 0)
      context->isotopes[f[0]].push_back({static_cast<int>(number), mass, abundance});
  }
  for (const auto& f : ParseTabLines(ReadListFile(kAdductsFile), 5)) {
    const int multiplier = std::atoi(f[1].c_str());
    const int charge = std::atoi(f[4].c_str());
    if (multiplier > 0 && charge != 0)
      context->adducts.push_back({f[0], multiplier, f[2], f[3], charge, false, {}, {}});
  }
  *status = FORMIX_OK;
  return context;
}

}  // namespace formix::toolkit
