// case_suggestion.cpp -- a text in the wrong case split into element
// symbols (co -> Co, nacl -> NaCl), preferring organic and everyday
// elements.

#include <algorithm>
#include <cstring>
#include <string>

#include "formula/engine.h"
#include "refdata/tables.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

using formula::IsCapital;
using formula::IsSmall;

namespace {

// Elements with no stable isotope and no use in everyday formulas: a case
// suggestion takes them only where nothing else splits the text.
const char* const kRareSymbols[] = {"Tc", "Pm", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Pa", "Np", "Pu", "Am",
                                    "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db", "Sg", "Bh",
                                    "Hs", "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og"};
// The elements of organic formulas.
const char* const kOrganicSymbols[] = {"C", "H", "N", "O", "S", "P", "F", "Cl", "Br", "I", "B", "Si"};

template <class Allowed>
std::string SplitRuns(const std::string& text, Allowed allowed) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsSmall(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && IsSmall(text[j])) ++j;
    // A run of small letters right after a capital belongs to its symbol.
    if (i > 0 && IsCapital(text[i - 1])) {
      out.append(text, i, j - i);
      i = j;
      continue;
    }
    // Split the run, longer symbols first, with backtracking.
    const std::string run = text.substr(i, j - i);
    std::vector<int> choice(run.size() + 1, 0);  // length of the symbol at each position, from the end
    std::vector<bool> ok(run.size() + 1, false);
    ok[run.size()] = true;
    for (std::size_t k = run.size(); k-- > 0;) {
      for (int len = 3; len >= 1; --len) {
        if (k + static_cast<std::size_t>(len) > run.size() || !ok[k + static_cast<std::size_t>(len)])
          continue;
        std::string sym = run.substr(k, static_cast<std::size_t>(len));
        sym[0] = static_cast<char>(sym[0] - 'a' + 'A');
        if (allowed(sym)) {
          ok[k] = true;
          choice[k] = len;
          break;
        }
      }
    }
    if (!ok[0]) return "";
    for (std::size_t k = 0; k < run.size(); k += static_cast<std::size_t>(choice[k])) {
      std::string sym = run.substr(k, static_cast<std::size_t>(choice[k]));
      sym[0] = static_cast<char>(sym[0] - 'a' + 'A');
      out += sym;
    }
    changed = true;
    i = j;
  }
  return changed ? out : "";
}

bool In(const char* const* list, std::size_t n, const std::string& s) {
  return std::find_if(list, list + n, [&](const char* x) { return s == x; }) != list + n;
}

}  // namespace

std::string CaseSuggestion(const Context& context, const std::string& text) {
  const refdata::Tables& t = context.tables;
  auto known = [&](const std::string& s) { return refdata::LookupElement(t, s.data(), s.size()) >= 0; };
  // An organic reading first where it has carbon and hydrogen (ch3cooh:
  // CH3COOH, not CH3CoOH), then common elements (no2: NO2, not No2), then
  // any element.
  const std::size_t organic_count = sizeof kOrganicSymbols / sizeof *kOrganicSymbols;
  std::string organic = SplitRuns(
      text, [&](const std::string& s) { return known(s) && In(kOrganicSymbols, organic_count, s); });
  if (!organic.empty() && organic.find('C') != std::string::npos && organic.find('H') != std::string::npos) {
    bool carbon = false;  // C itself, not Cl
    for (std::size_t i = 0; i < organic.size(); ++i)
      carbon = carbon || (organic[i] == 'C' && !(i + 1 < organic.size() && organic[i + 1] == 'l'));
    if (carbon) return organic;
  }
  // Elements with no stable isotope are no plausible reading of a text in
  // the wrong case (am(no3)3 is no americium nobelium nitrate), and a
  // suggestion must itself read with nothing to warn about.
  const std::size_t rare_count = sizeof kRareSymbols / sizeof *kRareSymbols;
  std::string common =
      SplitRuns(text, [&](const std::string& s) { return known(s) && !In(kRareSymbols, rare_count, s); });
  if (common.empty()) return "";
  // The suggestion's own reading suggests nothing in its turn: a message
  // is all a suggestion adds, and suggestions inside suggestions would
  // not end.
  thread_local bool suggesting = false;
  if (suggesting) return "";
  suggesting = true;
  const Reading r = Read(context, common.data(), common.size());
  suggesting = false;
  return r.has_value && r.Worst() < kWarning ? common : "";
}

}  // namespace formix::toolkit
