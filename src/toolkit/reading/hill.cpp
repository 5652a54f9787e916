// hill.cpp -- Hill's order and the Hill formula (see hill.h).

#include "toolkit/reading/hill.h"

#include <algorithm>
#include <cmath>

#include "refdata/bytes.h"
#include "toolkit/base/base.h"

namespace formix::toolkit {

using Counts = std::vector<std::pair<std::string, double>>;

std::string_view LabelledElement(std::string_view symbol) {
  if (symbol == "D" || symbol == "T") return "H";
  if (symbol.size() < 3 || symbol.front() != '[' || symbol.back() != ']') return symbol;
  std::size_t k = 1;
  while (k < symbol.size() && bytes::IsDigit(symbol[k])) ++k;
  return symbol.substr(k, symbol.size() - 1 - k);
}

std::vector<std::size_t> HillOrder(const std::vector<HillEntry>& entries) {
  const bool carbon =
      std::any_of(entries.begin(), entries.end(), [](const HillEntry& e) { return e.element == "C"; });
  auto rank = [carbon](const HillEntry& e) {
    return !carbon ? 2 : e.element == "C" ? 0 : e.element == "H" ? 1 : 2;
  };
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    const HillEntry& a = entries[i];
    const HillEntry& b = entries[j];
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    if (a.element != b.element) return a.element < b.element;
    const bool la = a.symbol != a.element, lb = b.symbol != b.element;
    if (la != lb) return lb;  // the element before its labels
    return a.symbol < b.symbol;
  });
  return order;
}

bool HillOrderOfSlots(const Context& context, const int* slots, std::size_t n, std::size_t* order) {
  struct Entry {
    int key;
    std::size_t at;
  };
  Entry entries[refdata::kMaxElements];
  bool carbon = false;
  for (std::size_t i = 0; i < n; ++i) {
    carbon = carbon || context.carbon_or_hydrogen[static_cast<std::size_t>(slots[i])] == 'C';
  }
  for (std::size_t i = 0; i < n; ++i) {
    const auto slot = static_cast<std::size_t>(slots[i]);
    const char ch = context.carbon_or_hydrogen[slot];
    // Places run below kMaxElements; C and H go before them all.
    entries[i] = {carbon && ch == 'C' ? -2 : carbon && ch == 'H' ? -1 : context.symbol_places[slot], i};
  }
  std::sort(entries, entries + n, [](const Entry& a, const Entry& b) { return a.key < b.key; });
  for (std::size_t i = 1; i < n; ++i) {
    if (entries[i].key == entries[i - 1].key) return false;
  }
  for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].at;
  return true;
}

namespace {

// Counts in Hill order written out (see HillFormula); equal symbols next
// to each other counted together.
std::string FormatHill(const Counts& in_order, int charge, bool divide) {
  Counts ordered;
  ordered.reserve(in_order.size());
  for (const auto& c : in_order) {
    if (!ordered.empty() && ordered.back().first == c.first) {
      ordered.back().second += c.second;
    } else {
      ordered.push_back(c);
    }
  }
  if (divide) {
    long long g = 0;
    for (const auto& c : ordered) {
      if (c.second != std::floor(c.second) || c.second < 1 || c.second > 1e15) return "";
      long long n = static_cast<long long>(c.second);
      while (n != 0) g = std::exchange(n, g % n);
    }
    for (auto& c : ordered) c.second /= static_cast<double>(g == 0 ? 1 : g);
  }
  std::string out;
  for (const auto& c : ordered) {
    out += c.first;
    if (c.second == 1.0) continue;
    // A whole count (nearly all) as an integer: what the shortest fixed
    // form of the double reads.
    const bool whole = c.second == std::floor(c.second) && c.second > 0 && c.second < 1e15;
    out += whole ? std::to_string(static_cast<long long>(c.second)) : ShortestFixedText(c.second);
  }
  return out + ChargeSuffix(charge);
}

}  // namespace

std::string ChargeSuffix(int charge) {
  if (charge == 0) return "";
  const int m = charge < 0 ? -charge : charge;
  return "^" + (m == 1 ? std::string() : std::to_string(m)) + (charge < 0 ? "-" : "+");
}

std::string HillFormula(Counts counts, int charge, bool divide) {
  std::vector<HillEntry> entries;
  entries.reserve(counts.size());
  for (const auto& c : counts) entries.push_back({c.first, LabelledElement(c.first)});
  Counts ordered;
  ordered.reserve(counts.size());
  for (std::size_t i : HillOrder(entries)) ordered.push_back(counts[i]);
  return FormatHill(ordered, charge, divide);
}

void FormatHillFormulas(Counts ordered, int charge, std::string* hill, std::string* empirical) {
  *hill = FormatHill(ordered, charge, false);
  *empirical = FormatHill(ordered, 0, true);  // a ratio of atoms: no charge
}

// The lowest common valence of an element (labels as their element), 0
// for one DBE does not count.
int Valence(std::string_view symbol) {
  const std::string_view s = LabelledElement(symbol);
  if (s == "H" || s == "F" || s == "Cl" || s == "Br" || s == "I") return 1;
  if (s == "O" || s == "S" || s == "Se") return 2;
  if (s == "N" || s == "P" || s == "As" || s == "B") return 3;
  if (s == "C" || s == "Si" || s == "Ge") return 4;
  return 0;
}

}  // namespace formix::toolkit
