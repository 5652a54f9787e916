// context.cpp -- making a toolkit context: the data files read through the
// engine's one search and reader.
#include "toolkit/context/context.h"

#include <algorithm>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>

#include "formix.h"
#include "formula/engine.h"
#include "platform/platform.h"
#include "refdata/decimal.h"
#include "toolkit/base/base.h"

namespace formix::toolkit {

const Abbreviation* Context::FindAbbreviation(const char* symbol, std::size_t length) const {
  for (const Abbreviation& a : abbreviations) {
    if (a.symbol.size() == length && std::memcmp(a.symbol.data(), symbol, length) == 0) return &a;
  }
  return nullptr;
}

bool Context::IsSymbolOrGroup(const char* text, std::size_t length) const {
  if (length > 0 && refdata::LookupElement(tables, text, length) >= 0) return true;
  return std::any_of(group_names.begin(), group_names.end(), [&](const std::string& g) {
    return g.size() == length && std::memcmp(g.data(), text, length) == 0;
  });
}

const Abbreviation* Context::AcronymAt(const char* text, std::size_t length) const {
  if (length < 2 || static_cast<unsigned char>(text[0]) >= 128 ||
      static_cast<unsigned char>(text[1]) >= 128) {
    return nullptr;
  }
  const std::size_t first =
      acronym_first[static_cast<unsigned char>(text[0])][static_cast<unsigned char>(text[1])];
  if (first == 0) return nullptr;
  for (std::size_t k = first - 1; k < acronyms.size(); ++k) {  // longest first
    const Abbreviation& a = acronyms[k];
    if (a.symbol[0] != text[0] || a.symbol[1] != text[1]) break;
    const std::size_t n = a.symbol.size();
    if (n <= length && std::memcmp(a.symbol.data(), text, n) == 0 &&
        !(n < length && formula::IsSmall(text[n]))) {
      return &a;
    }
  }
  return nullptr;
}

std::vector<TabLine> ParseTabLines(const std::string& content, std::size_t fields) {
  std::vector<TabLine> out;
  std::size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (std::size_t number = 1; start < content.size(); ++number) {
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
    if (parts.size() >= fields) out.push_back({number, std::move(parts)});
  }
  return out;
}

std::vector<Abbreviation> ParseAbbreviations(const std::string& content) {
  std::vector<Abbreviation> out;
  for (const TabLine& l : ParseTabLines(content, 3)) {
    const auto& f = l.fields;
    const bool compound = f[1] == "compound";
    out.push_back({f[0], compound ? "-" : f[1], f[2], f.size() > 3 ? f[3] : "", compound});
  }
  return out;
}

namespace {

// What an open data file holds: a list of a few hundred lines, or a mass
// file; 1 MiB at most whatever the file holds.
std::string ReadWhole(platform::DataFile& file) {
  std::string content;
  char buffer[4096];
  while (content.size() < (1u << 20)) {
    std::size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    content.append(buffer, n);
  }
  return content;
}

// A list of the library's own, in the context's folder of lists or found
// beside the library (never in the working directory); "" when absent.
// `*path` receives the path opened.
std::string ReadListFile(const Context& c, const char* name, std::string* path) {
  platform::DataFile file;
  if (!c.lists_folder.empty()) {
    const std::string named = c.lists_folder + "/" + name;
    if (!file.Open(named.c_str())) return {};
    *path = named;
    return ReadWhole(file);
  }
  auto found = std::make_unique<char[]>(refdata::kFoundPathSize);
  found[0] = '\0';
  if (!refdata::OpenLibraryFile(name, file, found.get())) return {};
  *path = found.get();
  return ReadWhole(file);
}

// A line of a data file refused: said with its file and line, not used.
void Refuse(Context& c, const std::string& path, std::size_t line, const std::string& why) {
  c.problems.push_back(path + ":" + std::to_string(line) + ": " + why + ": line not used");
}

const char* const kNoSequence = "a formula of a list is no sequence (peptide(...), dna(...), rna(...))";

// A whole number in [low, high] and nothing else.
bool WholeNumber(const std::string& text, long low, long high, long* value) {
  if (text.empty() || text.size() > 9) return false;
  long v = 0;
  for (std::size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  if (text == "-" || v < low || v > high) return false;
  *value = v;
  return true;
}

// A finite decimal number and nothing else.
bool FiniteNumber(const std::string& text, double* value) {
  double v = 0.0;
  const char* end = ParseNumber(text.data(), text.data() + text.size(), &v);
  if (end != text.data() + text.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

// The isotopes of each element, checked line by line and element by
// element (abundances summing to 1).
void ReadIsotopes(Context& c) {
  std::string& path = c.list_files[kIsotopesFile];
  const std::string content = ReadListFile(c, kIsotopesFile, &path);
  std::map<std::string, double> sums;
  std::map<std::string, std::size_t> first_line;
  for (const TabLine& l : ParseTabLines(content, 3)) {
    const auto& f = l.fields;
    long number = 0;
    double mass = 0.0, abundance = NAN;
    if (std::find(c.symbols.begin(), c.symbols.end(), f[0]) == c.symbols.end()) {
      Refuse(c, path, l.line, "'" + f[0] + "' is no element symbol of the element table");
    } else if (!WholeNumber(f[1], 1, 400, &number)) {
      Refuse(c, path, l.line, "the mass number '" + f[1] + "' is no whole number from 1 to 400");
    } else if (!FiniteNumber(f[2], &mass) || !(mass > 0.0) ||
               !(std::fabs(mass - static_cast<double>(number)) <= 0.5)) {
      // Every nuclide's mass lies within 0.1 u of its mass number.
      Refuse(
          c, path, l.line,
          "the mass '" + f[2] + "' is no number within 0.5 u of the mass number " + std::to_string(number));
    } else if (const auto known = c.isotopes.find(f[0]);
               known != c.isotopes.end() &&
               std::any_of(known->second.begin(), known->second.end(),
                           [&](const Isotope& i) { return i.mass_number == number; })) {
      Refuse(c, path, l.line, "the isotope " + f[1] + f[0] + " is given twice");
    } else if (f.size() > 3 && !f[3].empty() &&
               (!FiniteNumber(f[3], &abundance) || !(abundance >= 0.0) || abundance > 1.0)) {
      Refuse(c, path, l.line, "the abundance '" + f[3] + "' is no mole fraction from 0 to 1");
    } else {
      c.isotopes[f[0]].push_back({static_cast<int>(number), mass, abundance});
      if (!std::isnan(abundance)) sums[f[0]] += abundance;
      first_line.emplace(f[0], l.line);
    }
  }
  for (const auto& [symbol, sum] : sums) {
    if (std::fabs(sum - 1.0) > 1e-3) {
      char text[64];
      std::snprintf(text, sizeof text, "%.6g", sum);
      c.problems.push_back(path + ":" + std::to_string(first_line[symbol]) + ": the abundances of " + symbol +
                           " sum to " + text + ", not 1: its isotopes are not used");
      c.isotopes.erase(symbol);
    }
  }
}

// A residue's code: one capital letter, or up to 8 letters and digits
// (written in brackets in sequences); kinds and codes unique.
void ReadResidues(Context& c, const ListFormulaReader& reader) {
  std::string& path = c.list_files[kResiduesFile];
  for (const TabLine& l : ParseTabLines(ReadListFile(c, kResiduesFile, &path), 5)) {
    const std::vector<std::string>& f = l.fields;
    bool code_ok = !f[1].empty() && f[1].size() <= 8;
    for (char ch : f[1]) code_ok = code_ok && std::isalnum(static_cast<unsigned char>(ch)) != 0;
    code_ok = code_ok && (f[1].size() > 1 || bytes::IsCapital(f[1][0]));
    if (f[0] != "protein" && f[0] != "dna" && f[0] != "rna") {
      Refuse(c, path, l.line, "the kind '" + f[0] + "' is none of protein, dna, rna");
    } else if (!code_ok) {
      Refuse(c, path, l.line,
             "the code '" + f[1] + "' is neither a capital letter nor up to 8 letters and digits");
    } else if (f[4].empty()) {
      Refuse(c, path, l.line, "a residue needs a formula");
    } else if (reader.is_chain(f[4])) {
      Refuse(c, path, l.line, kNoSequence);
    } else if (std::any_of(c.residues.begin(), c.residues.end(), [&](const Residue& r) {
                 return r.kind == f[0] && (r.code == f[1] || (f[2] != "-" && r.three == f[2]));
               })) {
      Refuse(c, path, l.line, "the code '" + f[1] + "' of " + f[0] + " is given twice");
    } else {
      c.residues.push_back({f[0], f[1], f[2] == "-" ? std::string() : f[2], f[3], f[4]});
    }
  }
}

void ReadAdducts(Context& c, const ListFormulaReader& reader) {
  std::string& path = c.list_files[kAdductsFile];
  for (const TabLine& l : ParseTabLines(ReadListFile(c, kAdductsFile, &path), 5)) {
    const auto& f = l.fields;
    long multiplier = 0, charge = 0;
    if (f[0].empty()) {
      Refuse(c, path, l.line, "an adduct with no name");
    } else if (!WholeNumber(f[1], 1, 100, &multiplier)) {
      Refuse(c, path, l.line, "the multiplier '" + f[1] + "' is no whole number from 1 to 100");
    } else if (!WholeNumber(f[4], -10, 10, &charge) || charge == 0) {
      Refuse(c, path, l.line, "the charge '" + f[4] + "' is no whole number from -10 to 10 other than 0");
    } else if (reader.is_chain(f[2]) || reader.is_chain(f[3])) {
      Refuse(c, path, l.line, kNoSequence);
    } else if (std::any_of(c.adducts.begin(), c.adducts.end(),
                           [&](const Adduct& a) { return a.name == f[0]; })) {
      Refuse(c, path, l.line, "the adduct " + f[0] + " is given twice");
    } else {
      AdductCounts counts;
      std::string bad = reader.read(c, f[2], &counts.added);
      if (bad.empty()) bad = reader.read(c, f[3], &counts.removed);
      if (!bad.empty()) {
        Refuse(c, path, l.line, bad);
        continue;
      }
      c.adducts.push_back({f[0], static_cast<int>(multiplier), f[2], f[3], static_cast<int>(charge)});
      c.adduct_counts.push_back(std::move(counts));
    }
  }
}

// The element masses as the engine read them: each a positive finite
// number, or a problem named at its line (the engine's reader takes
// records of three fields; the line is the first whose second field is the
// symbol), and no formula holding it has a number.  A byte order mark at
// the start of either file is read into its first record.
void CheckTables(Context& c) {
  const refdata::Tables& t = c.tables;
  c.unusable_masses.assign(static_cast<std::size_t>(t.element_count), false);
  std::string content;
  for (int i = 0; i < t.element_count; ++i) {
    const double m = t.masses[i];
    if (std::isfinite(m) && m > 0.0) continue;
    c.unusable_masses[static_cast<std::size_t>(i)] = true;
    if (content.empty()) {
      platform::DataFile file;
      if (file.Open(c.masses_file.c_str())) content = ReadWhole(file);
    }
    std::size_t line = 0;
    for (std::size_t at = 0, number = 1; at < content.size() && line == 0; ++number) {
      std::size_t end = content.find('\n', at);
      if (end == std::string::npos) end = content.size();
      std::istringstream fields(content.substr(at, end - at));
      std::string first, second;
      if (fields >> first >> second && second == c.symbols[static_cast<std::size_t>(i)]) line = number;
      at = end + 1;
    }
    char value[64];
    std::snprintf(value, sizeof value, "%g", m);
    c.problems.push_back(c.masses_file + ":" + (line > 0 ? std::to_string(line) + ":" : std::string()) +
                         " the mass of " + c.symbols[static_cast<std::size_t>(i)] + " (" + value +
                         ") is no positive number: formulas that hold it have no number");
  }
  for (const std::string* file : {&c.masses_file, &c.groups_file}) {
    platform::DataFile f;
    char head[3] = {};
    if (!file->empty() && f.Open(file->c_str()) && f.Read(head, 3) == 3 &&
        std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) {
      c.problems.push_back(*file +
                           ":1: starts with a UTF-8 byte order mark, which the engine reads as part of "
                           "the first record: save the file without it");
    }
  }
}

}  // namespace

std::unique_ptr<Context> LoadContext(const char* masses, const char* groups, const char* lists,
                                     const ListFormulaReader& reader, int* status) {
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
  if (lists != nullptr) {
    if (std::strlen(lists) > FORMIX_MAX_PATH) {
      *status = FORMIX_PATH_TOO_LONG;
      return nullptr;
    }
    context->lists_folder = *lists != '\0' ? lists : ".";
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
    context->carbon_or_hydrogen.push_back(symbol == "C" ? 'C' : symbol == "H" ? 'H' : 0);
    context->symbol_places.push_back(
        static_cast<int>(std::lower_bound(sorted.begin(), sorted.end(), symbol) - sorted.begin()));
  }
  for (int g = 1; g <= t.group_count; ++g) {
    context->group_names.push_back(Cp1251ToUtf8(t.group_names[g]));
    context->group_formulas.push_back(Cp1251ToUtf8(t.group_formulas[g]));
  }
  for (Abbreviation& a : ParseAbbreviations(
           ReadListFile(*context, kAbbreviationsFile, &context->list_files[kAbbreviationsFile]))) {
    if (a.symbol.empty() || a.meaning.empty()) continue;
    if (a.element != "-") {
      context->abbreviations.push_back(std::move(a));
      continue;
    }
    // An acronym the group file defines is read as that group.
    std::vector<std::string> forms{a.symbol};
    if (formula::IsSmall(a.symbol[0])) {
      forms.push_back(a.symbol);
      forms.back()[0] = static_cast<char>(a.symbol[0] - 'a' + 'A');
    }
    for (const std::string& form : forms) {
      if (form.size() < 2 || std::find(context->group_names.begin(), context->group_names.end(), form) !=
                                 context->group_names.end()) {
        continue;
      }
      context->acronyms.push_back({form, a.element, a.meaning, a.formula, a.compound});
    }
  }
  // By the first two bytes, then longest first.
  std::stable_sort(context->acronyms.begin(), context->acronyms.end(),
                   [](const Abbreviation& a, const Abbreviation& b) {
                     const int pair = a.symbol.compare(0, 2, b.symbol, 0, 2);
                     return pair != 0 ? pair < 0 : a.symbol.size() > b.symbol.size();
                   });
  if (context->acronyms.size() > 250) context->acronyms.resize(250);  // indexes fit a byte
  for (std::size_t k = context->acronyms.size(); k-- > 0;) {
    const std::string& s = context->acronyms[k].symbol;
    const auto first = static_cast<unsigned char>(s[0]), second = static_cast<unsigned char>(s[1]);
    if (first < 128 && second < 128) context->acronym_first[first][second] = static_cast<std::uint8_t>(k + 1);
  }
  for (const std::string& g : context->group_names) {
    if (g.size() >= 2 && formula::IsSmall(g[0]) && static_cast<unsigned char>(g[1]) < 128)
      context->small_group_starts[static_cast<unsigned char>(g[0])][static_cast<unsigned char>(g[1])] = true;
  }
  for (const Abbreviation& a : context->abbreviations) {
    const std::string& x = a.symbol;
    const bool capital = !x.empty() && bytes::IsCapital(x[0]);
    if (capital && x.size() == 1) context->short_abbreviations[x[0] - 'A'][0] = true;
    if (capital && x.size() == 2 && bytes::IsSmall(x[1])) {
      context->short_abbreviations[x[0] - 'A'][x[1] - 'a' + 1] = true;
    }
  }
  for (int c = 0; c < 26; ++c) {
    for (int n = 0; n < 256; ++n) {
      const char capital = static_cast<char>('A' + c);
      const bool acronym = n < 128 && context->acronym_first[static_cast<unsigned char>(capital)][n] != 0;
      context->plain_symbol_starts[c][n] =
          !acronym && (bytes::IsSmall(static_cast<char>(n))
                           ? !context->short_abbreviations[c][n - 'a' + 1]
                           : capital != 'D' && capital != 'T' && !(capital == 'C' && n == 'C') &&
                                 !context->short_abbreviations[c][0]);
    }
  }
  std::string& solvents = context->list_files[kSolventsFile];
  for (const TabLine& l : ParseTabLines(ReadListFile(*context, kSolventsFile, &solvents), 2)) {
    if (l.fields[0].empty() || l.fields[1].empty()) {
      Refuse(*context, solvents, l.line, "a solvent needs a name and a formula");
      continue;
    }
    if (reader.is_chain(l.fields[1])) {
      Refuse(*context, solvents, l.line, kNoSequence);
      continue;
    }
    context->solvents.push_back({l.fields[0], l.fields[1]});
  }
  ReadIsotopes(*context);
  ReadAdducts(*context, reader);
  ReadResidues(*context, reader);
  if (!context->lists_folder.empty() && std::all_of(context->list_files.begin(), context->list_files.end(),
                                                    [](const auto& f) { return f.second.empty(); })) {
    *status = FORMIX_LISTS_NOT_FOUND;
    return nullptr;
  }
  CheckTables(*context);
  *status = FORMIX_OK;
  return context;
}

namespace {

// The isotope of a label key "C/13", or NULL.
const Isotope* LabelledIsotope(const Context& context, const std::string& key) {
  const std::size_t slash = key.find('/');
  if (slash == std::string::npos) return nullptr;
  auto it = context.isotopes.find(key.substr(0, slash));
  if (it == context.isotopes.end()) return nullptr;
  const int number = std::atoi(key.c_str() + slash + 1);
  for (const Isotope& i : it->second) {
    if (i.mass_number == number) return &i;
  }
  return nullptr;
}

// The most abundant isotope of `symbol`, or NULL.
const Isotope* PrincipalIsotope(const Context& context, const std::string& symbol) {
  auto it = context.isotopes.find(symbol);
  if (it == context.isotopes.end() || it->second.empty()) return nullptr;
  const Isotope* best = &it->second.front();
  for (const Isotope& i : it->second) {
    if (i.abundance > best->abundance) best = &i;
  }
  return best;
}

}  // namespace

std::string IsotopeKey(const std::string& symbol) {
  if (symbol == "D") return "H/2";
  if (symbol == "T") return "H/3";
  if (symbol.empty() || symbol[0] != '[') return symbol;
  std::size_t i = 1;
  while (i < symbol.size() && bytes::IsDigit(symbol[i])) ++i;
  return symbol.substr(i, symbol.size() - 1 - i) + "/" + symbol.substr(1, i - 1);
}

const Isotope* IsotopeOfKey(const Context& context, const std::string& key) {
  return key.find('/') != std::string::npos ? LabelledIsotope(context, key) : PrincipalIsotope(context, key);
}

bool IsotopeMasses(const Context& context, const std::map<std::string, double>& counts, double* mono,
                   double* nominal, std::string* missing) {
  *mono = *nominal = 0.0;
  for (const auto& [symbol, n] : counts) {
    const Isotope* i = IsotopeOfKey(context, symbol);
    if (i == nullptr) {
      *missing = symbol;
      return false;
    }
    *mono += n * i->mass;
    *nominal += n * i->mass_number;
  }
  return true;
}

}  // namespace formix::toolkit
