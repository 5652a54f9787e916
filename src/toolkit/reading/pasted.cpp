// pasted.cpp -- whole texts pasted where a formula belongs that are not
// formulas in the engine's notation: a structure (SMILES, InChI, an
// InChIKey), which has no number here, and a deuterated solvent as its
// bottle names it (acetone-d6, DMSO-d6, d8-THF), read as its formula.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "toolkit/reading/reader.h"

namespace formix::toolkit::reader {
namespace {

bool IsAromatic(char c) { return c == 'c' || c == 'n' || c == 'o' || c == 's' || c == 'p'; }

bool IsInchiKey(const std::string& t) {
  if (t.size() != 27 || t[14] != '-' || t[25] != '-') return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (i != 14 && i != 25 && !(t[i] >= 'A' && t[i] <= 'Z')) return false;
  }
  return true;
}

// A SMILES string: its alphabet only, no blank, hydrogens only inside
// brackets, no count after a halogen (a formula's sign), every ring-bond
// digit closed (each digit an even number of times), and a sign no
// formula shows: '@' or '\', aromatic atoms in small letters with a ring,
// two carbons with no count side by side (CCO), or a double or triple
// bond between two carbons or more (CC(=O)O, ClC=CCl).
bool IsSmiles(const std::string& t) {
  int digits[10] = {};
  int depth = 0, carbons = 0, aromatic = 0;
  bool strong = false, pair = false, bond = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && std::strchr("()[]=#@+-\\/%.:", c) == nullptr)
      return false;
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (depth > 0) continue;
    const char next = i + 1 < t.size() ? t[i + 1] : '\0';
    const bool small_next = next >= 'a' && next <= 'z';
    // Outside brackets only the organic atoms: B C N O P S F Cl Br I, and
    // in small letters the aromatic b c n o p s.
    if (std::isupper(static_cast<unsigned char>(c)) && std::strchr("BCNOPSFI", c) == nullptr && c != 'H')
      return false;
    if (std::islower(static_cast<unsigned char>(c)) && std::strchr("bcnops", c) == nullptr &&
        !(i > 0 && ((c == 'l' && t[i - 1] == 'C') || (c == 'r' && t[i - 1] == 'B')))) {
      return false;
    }
    if (c == 'H' && !small_next) return false;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      const char before = i > 0 ? t[i - 1] : '\0';
      if (before == 'F' || before == 'I' ||
          (i > 1 && (std::strncmp(&t[i - 2], "Cl", 2) == 0 || std::strncmp(&t[i - 2], "Br", 2) == 0))) {
        return false;
      }
      if (!(i > 0 && t[i - 1] == '%')) ++digits[c - '0'];
    }
    if (c == '@' || c == '\\') strong = true;
    if (c == '=' || c == '#') bond = true;
    if (c == 'C' && !small_next) {
      ++carbons;
      pair = pair || (next == 'C' && !(i + 2 < t.size() && t[i + 2] >= 'a' && t[i + 2] <= 'z'));
    }
    if (IsAromatic(c) && (i == 0 || !std::isalpha(static_cast<unsigned char>(t[i - 1])) ||
                          (IsAromatic(t[i - 1]) && aromatic > 0))) {
      ++aromatic;
    }
  }
  bool rings = false;
  for (int n : digits) {
    if (n % 2 != 0) return false;
    rings = rings || n > 0;
  }
  return strong || (aromatic > 0 && rings) || pair || (bond && carbons >= 2);
}

}  // namespace

// Whether the text is a structure rather than a formula: the diagnostic's
// code ("smiles", "inchi") and message, or false.
bool StructureNotation(const char* text, std::size_t length, std::string* code, std::string* message) {
  const std::string t = Trim(std::string_view(text, length));
  std::string shown = t.size() > 60 ? t.substr(0, 57) + "..." : t;
  if (t.compare(0, 6, "InChI=") == 0) {
    *code = "inchi";
    *message =
        Quote(shown) + " is an InChI identifier, a structure, not a formula: no number is read from it";
    const std::size_t layer = t.find('/');
    if (layer != std::string::npos) {
      const std::size_t end = t.find('/', layer + 1);
      const std::string formula = t.substr(layer + 1, end == std::string::npos ? end : end - layer - 1);
      if (!formula.empty() && std::isupper(static_cast<unsigned char>(formula[0])))
        *message += " (its formula layer is " + formula + ": give that formula)";
    }
    return true;
  }
  if (IsInchiKey(t)) {
    *code = "inchi";
    *message = Quote(t) + " is an InChIKey, a hashed structure: it holds no formula";
    return true;
  }
  if (IsSmiles(t)) {
    *code = "smiles";
    *message = Quote(shown) +
               " is a SMILES string, a structure, not a formula: read as a formula, its hydrogens "
               "and ring bonds would be lost, so no number is read from it (give its molecular formula)";
    return true;
  }
  return false;
}

// acetone-d6, DMSO-d6, chloroform-d, d8-THF: a solvent of the solvent list,
// a compound of the abbreviation list or a group name, and the count of its
// hydrogens written as deuterium ("-d" alone: one).  Gives the base's
// formula, its name as written and the count.
bool DeuteratedName(const Context& context, const char* text, std::size_t length, std::string* formula,
                    std::string* name, int* count) {
  const std::string t = Trim(std::string_view(text, length));
  auto number = [](const std::string& s, int* n) {  // "" or digits (ASCII or subscript)
    *n = 0;
    if (s.empty()) {
      *n = 1;
      return true;
    }
    std::vector<Char> chars;
    for (std::size_t at = 0; at < s.size();) {
      char32_t code = 0;
      const std::size_t k = DecodeUtf8(s.data(), s.size(), at, &code);
      if (k == 0) return false;
      const int digit = IsAsciiDigit(code) ? static_cast<int>(code - '0') : SubscriptDigit(code);
      if (digit < 0 || *n > 99) return false;
      *n = *n * 10 + digit;
      at += k;
    }
    return *n > 0;
  };
  std::string base;
  const std::size_t dash = t.rfind('-');
  if (dash != std::string::npos && dash + 1 < t.size() && (t[dash + 1] == 'd' || t[dash + 1] == 'D') &&
      number(t.substr(dash + 2), count)) {
    base = t.substr(0, dash);
  } else if (const std::size_t first = t.find('-'); first != std::string::npos && first > 0 &&
                                                    (t[0] == 'd' || t[0] == 'D') &&
                                                    number(t.substr(1, first - 1), count)) {
    base = t.substr(first + 1);
  } else {
    return false;
  }
  auto same = [&](const std::string& a) {
    return a.size() == base.size() && std::equal(a.begin(), a.end(), base.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) ==
                    std::tolower(static_cast<unsigned char>(y));
           });
  };
  *name = base;
  for (const Solvent& s : context.solvents) {
    if (same(s.name)) return *formula = s.formula, true;
  }
  for (const Abbreviation& a : context.acronyms) {
    if (a.compound && !a.formula.empty() && same(a.symbol)) return *formula = a.formula, true;
  }
  for (std::size_t g = 0; g < context.group_names.size(); ++g) {
    if (same(context.group_names[g])) return *formula = context.group_formulas[g], true;
  }
  return false;
}

}  // namespace formix::toolkit::reader
