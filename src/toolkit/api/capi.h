// capi.h -- the insides of the toolkit's C interface, shared by its
// files (capi.cpp: contexts, readings, numbers and text; calculations.cpp:
// the calculations beyond a reading; lab_calls.cpp: solutions, dilutions
// and sequences): the objects behind the opaque handles and the helpers
// that fill them.  Nothing else includes it.
#ifndef FORMIX_TOOLKIT_CAPI_H
#define FORMIX_TOOLKIT_CAPI_H

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "formix.h"
#include "toolkit/api/documents.h"
#include "toolkit/bench/bench.h"
#include "toolkit/compound/compound.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/ms.h"
#include "toolkit/reading/reading.h"

struct formix_context {
  std::unique_ptr<formix::toolkit::Context> context;
};

struct formix_reading {
  formix::toolkit::Reading reading;
  std::string source;  // the text as given
  std::string json;
  std::vector<formix_diagnostic> diagnostics;  // views of reading's strings
  std::vector<formix_element_share> elements;  // views of reading.elements
};

struct formix_analysis {
  formix::toolkit::ElementalAnalysis analysis;
  std::string json;
};

struct formix_solution {
  bool dilution = false;
  formix::toolkit::Solution solution;
  formix::toolkit::Dilution diluted;
  formix::toolkit::Reading reading;  // of the formula
  std::string json;
  std::string notes;  // formix_solution_notes's text
};

struct formix_sequence {
  formix::toolkit::ChainMasses masses;
  std::string json, notes;
};

struct formix_pattern {
  formix::toolkit::Pattern pattern;
  double threshold, resolving_power;  // as asked for, defaults filled in
  formix::toolkit::Reading reading;   // of the formula, and the text as given
  std::string source, json;
};

struct formix_exact {
  formix::toolkit::ExactMasses exact;
  std::string line;
  formix::toolkit::Reading reading;  // of the formula, and the text as given
  std::string source, json;
  bool compared = false;  // against a found m/z
  formix::toolkit::FoundComparison found;
};

struct formix_find {
  formix::toolkit::FindQuery query;
  formix::toolkit::FindResult result;
  std::string json;
  std::string choice;  // why formix_find_choose gave no line
};

struct formix_ratios {
  formix::toolkit::RatioAnalysis ratios;
  std::string json;
};

struct formix_reaction {
  formix::toolkit::Reaction reaction;
  std::vector<std::unique_ptr<formix_reading>> readings;
  std::string equation, json;  // the equation as given
  std::string notes;           // formix_reaction_notes's text
  bool solved = false;         // amounts worked out
};

namespace formix::toolkit::capi {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline bool InTable(int index, std::size_t size) {
  return index >= 0 && static_cast<std::size_t>(index) < size;
}

// `lines` joined into `*out`, each ending in a line break; out's text.
inline const char* Lines(const std::vector<std::string>& lines, std::string* out) {
  out->clear();
  for (const std::string& line : lines) *out += line + "\n";
  return out->c_str();
}

// The C views of a reading's strings.
std::unique_ptr<formix_reading> Wrap(Reading reading);

// `text` into `buffer` of `size` bytes, NUL-terminated, cut short when too
// small; returns the whole text's length.
std::size_t CopyOut(const std::string& text, char* buffer, std::size_t size);

// Renders into `cache` (kept with its object) and gives its text.
template <class Render>
const char* Rendered(std::string& cache, Render render) {
  try {
    cache.clear();
    JsonWriter json(cache);
    render(json);
    return cache.c_str();
  } catch (...) {
    return nullptr;  // out of memory
  }
}

}  // namespace formix::toolkit::capi

#endif  // FORMIX_TOOLKIT_CAPI_H
