// shipped_context.h -- the toolkit context over the data files shipped
// in data/, which the toolkit tests work on.
#ifndef FORMIX_TESTS_TOOLKIT_SHIPPED_CONTEXT_H
#define FORMIX_TESTS_TOOLKIT_SHIPPED_CONTEXT_H

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// Null when the shipped files cannot be read.
inline std::unique_ptr<Context> ShippedContext() {
  int status = 0;
  return MakeContext(FORMIX_SOURCE_DATA_DIR "/mass.elt", FORMIX_SOURCE_DATA_DIR "/mass.gps", &status);
}

// A molar mass worked out by hand: atoms times atomic masses from a list
// such as "Cu1 S1 O9 H10", element symbols at the context's masses, isotope
// labels ("[13C]6") at their AME2020 masses, less `charge` electrons.
inline double AtomsByHand(const Context& context, const std::string& atoms, int charge = 0) {
  static const std::pair<const char*, double> kLabels[] = {
      {"[13C]", 13.00335483534}, {"[12C]", 12.0},          {"[15N]", 15.00010889827},
      {"[18O]", 17.99915961214}, {"[2H]", 2.014101777844}, {"[3H]", 3.01604928132},
      {"[3He]", 3.01602932197}};
  std::istringstream in(atoms);
  std::string item;
  double sum = 0.0;
  while (in >> item) {
    const std::size_t digits = item.find_first_of("0123456789", item[0] == '[' ? item.find(']') : 0);
    const std::string symbol = item.substr(0, digits);
    double mass = -1.0;
    for (const auto& l : kLabels) {
      if (symbol == l.first) mass = l.second;
    }
    for (std::size_t i = 0; mass < 0 && i < context.symbols.size(); ++i) {
      if (context.symbols[i] == symbol) mass = context.tables.masses[i];
    }
    EXPECT_GE(mass, 0.0) << symbol;
    sum += std::stod(item.substr(digits)) * mass;
  }
  return sum - charge * 5.485799090441e-4;
}

}  // namespace formix::toolkit

#endif
