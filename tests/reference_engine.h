// reference_engine.h -- a deliberately simple, literal implementation of the
// formula rules, kept in the tests to check the library's engine against:
// every stage is written the slow, obvious way.
#ifndef FORMIX32_TESTS_REFERENCE_ENGINE_H
#define FORMIX32_TESTS_REFERENCE_ENGINE_H

#include <string>
#include <vector>

#include "test_support.h"

namespace formix::test {

struct ReferenceResult {
  double mass = 0.0;
  std::vector<double> atoms;          // element count entries
  std::vector<double> contributions;  // 200 entries
  std::vector<Event> events;
};

// Evaluates `formula` over the loaded tables (which must be loaded).
ReferenceResult ReferenceMolecularMass(const std::string& formula);

}  // namespace formix::test

#endif  // FORMIX32_TESTS_REFERENCE_ENGINE_H
