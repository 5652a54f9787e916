// hill.h -- Hill's order and the Hill formula, for every caller: carbon
// first, then hydrogen, then the other elements alphabetically (with no
// carbon, all alphabetically); an isotope label ([13C], D, T) right after
// its element, and counted as that element for the carbon rule; and each
// element's lowest common valence (for DBE and the chemical rules).
#ifndef FORMIX_TOOLKIT_HILL_H
#define FORMIX_TOOLKIT_HILL_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/context/context.h"

namespace formix::toolkit {

// The element a symbol stands for: the symbol itself, or the element of
// an isotope label ([13C] -> C; D and T -> H).
std::string_view LabelledElement(std::string_view symbol);

// The lowest common valence of an element (labels as their element): H
// and the halogens 1; O, S, Se 2; N, P, As, B 3; C, Si, Ge 4; 0 for the
// others (metals included), which DBE does not count.
int Valence(std::string_view symbol);

// A symbol and the element it stands for (itself for a natural element).
struct HillEntry {
  std::string_view symbol, element;
};

// The positions of `entries` in Hill's order (a stable order: equal
// symbols stay in their order, next to each other).
std::vector<std::size_t> HillOrder(const std::vector<HillEntry>& entries);

// The same order for `n` slots of a context's element table (no labels),
// from the context's alphabetical places, with no string compared: the
// positions into `slots` in `order`.  False when two slots share a symbol
// (a mass file may hold one twice): HillOrder then decides, and the Hill
// formula counts them together.
bool HillOrderOfSlots(const Context& context, const int* slots, std::size_t n, std::size_t* order);

// A charge as formulas end with it, the notation the reader takes without
// doubt: "^2-", "^+" ("" for 0).
std::string ChargeSuffix(int charge);

// The Hill formula of element counts (symbols or labels, the element of
// each from LabelledElement); equal symbols (a mass file may hold one
// twice) are counted together.  A count of 1 is not written; fractional
// counts are written in their shortest form (C1.5H3).  A charge is
// appended as ^2-, ^+ (the notation the reader takes without doubt).
// With `divide`, whole counts are divided by their greatest common
// divisor, and "" is returned when a count is not whole.
std::string HillFormula(std::vector<std::pair<std::string, double>> counts, int charge, bool divide);

// Both Hill formulas from counts already in Hill order: `hill` with the
// charge, and `empirical` (divided, no charge).
void FormatHillFormulas(std::vector<std::pair<std::string, double>> ordered, int charge, std::string* hill,
                        std::string* empirical);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_HILL_H
