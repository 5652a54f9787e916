// lab_calls.cpp -- the toolkit's C interface to the calculations of the
// bench: solutions, dilutions and the chains of sequences, with their
// JSON; no exception crosses it.
#include <string>

#include "toolkit/api/capi.h"

using namespace formix::toolkit::capi;  // NOLINT: the helpers of the C interface

namespace {

std::string Text(const char* s) { return s != nullptr ? s : ""; }

}  // namespace

extern "C" {

FORMIX_API formix_solution* formix_solution_new(const formix_context* c, const char* formula,
                                                const char* conc, const char* volume, const char* mass,
                                                const char* purity, const char* density,
                                                const char* solvent) {
  try {
    auto s = std::make_unique<formix_solution>();
    if (c == nullptr || formula == nullptr) {
      s->solution.error = "no context or no formula";
      return s.release();
    }
    s->reading = formix::toolkit::Read(*c->context, formula, std::strlen(formula));
    s->solution = formix::toolkit::MakeSolution(*c->context, formula, Text(conc), Text(volume), Text(mass),
                                                Text(purity), Text(density), Text(solvent));
    return s.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API formix_solution* formix_dilution(const formix_context* c, const char* formula, const char* stock,
                                            const char* conc, const char* volume, const char* density,
                                            const char* solvent) {
  try {
    auto s = std::make_unique<formix_solution>();
    s->dilution = true;
    if (c == nullptr) {
      s->diluted.error = "no context";
      return s.release();
    }
    if (formula != nullptr && *formula != '\0') {
      s->reading = formix::toolkit::Read(*c->context, formula, std::strlen(formula));
    }
    s->diluted = formix::toolkit::MakeDilution(*c->context, Text(formula), Text(stock), Text(conc),
                                               Text(volume), Text(density), Text(solvent));
    return s.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_solution_free(formix_solution* s) { delete s; }

FORMIX_API const char* formix_solution_error(const formix_solution* s) {
  if (s == nullptr) return "no result";
  return s->dilution ? s->diluted.error.c_str() : s->solution.error.c_str();
}

namespace {
// A result's value, NaN when it has an error or lacks the value.
double Value(const formix_solution* s, double formix::toolkit::Solution::*of_solution,
             double formix::toolkit::Dilution::*of_dilution) {
  if (s == nullptr || *formix_solution_error(s) != '\0') return kNaN;
  if (s->dilution) return of_dilution != nullptr ? s->diluted.*of_dilution : kNaN;
  return of_solution != nullptr ? s->solution.*of_solution : kNaN;
}
}  // namespace

FORMIX_API double formix_solution_mass(const formix_solution* s) {
  return Value(s, &formix::toolkit::Solution::mass, nullptr);
}
FORMIX_API double formix_solution_conc(const formix_solution* s) {
  return Value(s, &formix::toolkit::Solution::conc, &formix::toolkit::Dilution::conc);
}
FORMIX_API double formix_solution_volume(const formix_solution* s) {
  return Value(s, &formix::toolkit::Solution::volume, &formix::toolkit::Dilution::volume);
}
FORMIX_API double formix_solution_stock_volume(const formix_solution* s) {
  return Value(s, nullptr, &formix::toolkit::Dilution::stock_volume);
}
FORMIX_API double formix_solution_solvent_volume(const formix_solution* s) {
  return Value(s, nullptr, &formix::toolkit::Dilution::solvent_volume);
}
FORMIX_API const char* formix_solution_line(const formix_solution* s) {
  if (s == nullptr) return "";
  return s->dilution ? s->diluted.line.c_str() : s->solution.line.c_str();
}
FORMIX_API const char* formix_solution_notes(formix_solution* s) {
  if (s == nullptr) return "";
  return formix::toolkit::capi::Lines(s->dilution ? s->diluted.notes : s->solution.notes, &s->notes);
}
FORMIX_API const char* formix_solution_json(formix_solution* s) {
  if (s == nullptr) return nullptr;
  return Rendered(s->json, [&](formix::toolkit::JsonWriter& json) {
    if (s->dilution) {
      formix::toolkit::WriteDilution(json, s->diluted, s->reading);
    } else {
      formix::toolkit::WriteSolution(json, s->solution, s->reading);
    }
  });
}

FORMIX_API formix_sequence* formix_sequence_read(const formix_context* c, const char* kind,
                                                 const char* sequence, int flags, long disulfides, int charge,
                                                 const char* adduct) {
  try {
    auto s = std::make_unique<formix_sequence>();
    if (c == nullptr || kind == nullptr || sequence == nullptr) {
      s->masses.error = "no context, kind or sequence";
      return s.release();
    }
    formix::toolkit::ChainOptions options;
    options.acetyl = (flags & FORMIX_SEQUENCE_ACETYL) != 0;
    options.amide = (flags & FORMIX_SEQUENCE_AMIDE) != 0;
    options.five_phosphate = (flags & FORMIX_SEQUENCE_5PHOSPHATE) != 0;
    options.disulfides = disulfides;
    s->masses = formix::toolkit::MassesOfChain(*c->context, kind, sequence, std::strlen(sequence), options,
                                               charge, Text(adduct));
    return s.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_sequence_free(formix_sequence* s) { delete s; }
FORMIX_API const char* formix_sequence_error(const formix_sequence* s) {
  return s != nullptr ? s->masses.error.c_str() : "no result";
}
FORMIX_API std::size_t formix_sequence_error_offset(const formix_sequence* s) {
  return s != nullptr ? s->masses.chain.error_offset : 0;
}
FORMIX_API std::size_t formix_sequence_error_length(const formix_sequence* s) {
  return s != nullptr ? s->masses.chain.error_length : 0;
}
FORMIX_API const char* formix_sequence_formula(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.chain.formula.c_str() : "";
}
FORMIX_API const char* formix_sequence_text(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.text.c_str() : "";
}
FORMIX_API std::size_t formix_sequence_residues(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.chain.residues : 0;
}
FORMIX_API double formix_sequence_molar_mass(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.reading.molar_mass : kNaN;
}
FORMIX_API double formix_sequence_monoisotopic(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.monoisotopic : kNaN;
}
FORMIX_API const char* formix_sequence_ion(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.ion.c_str() : "";
}
FORMIX_API double formix_sequence_mz(const formix_sequence* s) {
  return s != nullptr && s->masses.error.empty() ? s->masses.mz : 0.0;
}
FORMIX_API const char* formix_sequence_notes(formix_sequence* s) {
  if (s == nullptr) return "";
  return formix::toolkit::capi::Lines(s->masses.chain.notes, &s->notes);
}
FORMIX_API const char* formix_sequence_json(formix_sequence* s) {
  if (s == nullptr) return nullptr;
  return Rendered(
      s->json, [&](formix::toolkit::JsonWriter& json) { formix::toolkit::WriteSequence(json, s->masses); });
}

}  // extern "C"
