// capi.cpp -- the toolkit's C interface: contexts and readings behind
// opaque handles; no exception crosses it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#include "formix.h"
#include "toolkit/analysis.h"
#include "toolkit/context.h"
#include "toolkit/documents.h"
#include "toolkit/exact.h"
#include "toolkit/numbers.h"
#include "toolkit/pattern.h"
#include "toolkit/reaction.h"
#include "toolkit/reading.h"
#include "toolkit/text.h"

struct formix_context {
  std::unique_ptr<formix::toolkit::Context> context;
};

struct formix_reading {
  formix::toolkit::Reading reading;
  std::string source;  // the text as given
  std::string json;
  std::vector<formix_diagnostic> diagnostics;  // views of reading's strings
  std::vector<formix_element_share> elements;
  std::vector<std::size_t> hill_order;  // indices into elements
};

struct formix_analysis {
  formix::toolkit::ElementalAnalysis analysis;
  std::string json;
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

struct formix_ratios {
  formix::toolkit::RatioAnalysis ratios;
  std::string json;
};

struct formix_reaction {
  formix::toolkit::Reaction reaction;
  std::vector<std::unique_ptr<formix_reading>> readings;
  std::string equation, json;  // the equation as given
  bool solved = false;         // amounts worked out
};

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void SetStatus(int* status, int value) {
  if (status != nullptr) *status = value;
}

bool InTable(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

// The C views of a reading's strings.
std::unique_ptr<formix_reading> Wrap(formix::toolkit::Reading reading) {
  auto r = std::make_unique<formix_reading>();
  r->reading = std::move(reading);
  for (const auto& d : r->reading.diagnostics) {
    r->diagnostics.push_back({d.severity, d.offset, d.length, d.code.c_str(), d.symbol.c_str(),
                              d.message.c_str(), d.library_caption.c_str(), d.library_message.c_str(),
                              d.other.c_str(), d.other_mass});
  }
  for (const auto& e : r->reading.elements) {
    r->elements.push_back({e.index, e.symbol.c_str(), e.atoms, e.mass, e.percent});
  }
  r->hill_order = r->reading.hill_order;
  return r;
}

}  // namespace

namespace {

static_assert(formix::toolkit::kJsonFormat == FORMIX_JSON_FORMAT);

// `text` into `buffer` of `size` bytes, NUL-terminated, cut short when too
// small; returns the whole text's length.
std::size_t CopyOut(const std::string& text, char* buffer, std::size_t size) {
  if (buffer != nullptr && size > 0) {
    const std::size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return text.size();
}

// Renders into `cache` (kept with its object) and gives its text.
template <class Render>
const char* Rendered(std::string& cache, Render render) {
  try {
    cache.clear();
    formix::toolkit::JsonWriter json(cache);
    render(json);
    return cache.c_str();
  } catch (...) {
    return nullptr;  // out of memory
  }
}

}  // namespace

extern "C" {

FORMIX_API formix_context* formix_context_new(const char* masses, const char* groups, int* status) {
  try {
    int s = FORMIX_OK;
    auto context = formix::toolkit::MakeContext(masses, groups, &s);
    SetStatus(status, s);
    if (!context) return nullptr;
    return new formix_context{std::move(context)};
  } catch (...) {
    SetStatus(status, FORMIX_OUT_OF_MEMORY);
    return nullptr;
  }
}

FORMIX_API void formix_context_free(formix_context* context) { delete context; }

FORMIX_API const char* formix_status_text(int status) {
  switch (status) {
    case FORMIX_OK:
      return "no error";
    case FORMIX_MASSES_NOT_FOUND:
      return "the mass file was found nowhere";
    case FORMIX_GROUPS_NOT_FOUND:
      return "the group file was found nowhere";
    case FORMIX_PATH_TOO_LONG:
      return "a data-file path is longer than 255 bytes";
    case FORMIX_OUT_OF_MEMORY:
      return "out of memory";
    default:
      return "unknown status";
  }
}

FORMIX_API const char* formix_context_masses_file(const formix_context* c) {
  return c != nullptr ? c->context->masses_file.c_str() : nullptr;
}
FORMIX_API const char* formix_context_groups_file(const formix_context* c) {
  return c != nullptr ? c->context->groups_file.c_str() : nullptr;
}

FORMIX_API const char* formix_context_list_file(const formix_context* context, size_t index,
                                                const char** name) {
  if (context == nullptr || index >= context->context->list_files.size()) return nullptr;
  const auto it = std::next(context->context->list_files.begin(), static_cast<long>(index));
  if (name != nullptr) *name = it->first.c_str();
  return it->second.c_str();
}

FORMIX_API size_t formix_context_problem_count(const formix_context* context) {
  return context != nullptr ? context->context->problems.size() : 0;
}

FORMIX_API const char* formix_context_problem(const formix_context* context, size_t index) {
  if (context == nullptr || index >= context->context->problems.size()) return nullptr;
  return context->context->problems[index].c_str();
}

FORMIX_API int formix_element_count(const formix_context* c) {
  return c != nullptr ? static_cast<int>(c->context->symbols.size()) : 0;
}
FORMIX_API const char* formix_element_symbol(const formix_context* c, int i) {
  if (c == nullptr || !InTable(i, c->context->symbols.size())) return nullptr;
  return c->context->symbols[static_cast<std::size_t>(i)].c_str();
}
FORMIX_API double formix_element_mass(const formix_context* c, int i) {
  if (c == nullptr || !InTable(i, c->context->symbols.size())) return kNaN;
  return c->context->tables.masses[i];
}

FORMIX_API int formix_group_count(const formix_context* c) {
  return c != nullptr ? static_cast<int>(c->context->group_names.size()) : 0;
}
FORMIX_API const char* formix_group_name(const formix_context* c, int i) {
  if (c == nullptr || !InTable(i, c->context->group_names.size())) return nullptr;
  return c->context->group_names[static_cast<std::size_t>(i)].c_str();
}
FORMIX_API const char* formix_group_formula(const formix_context* c, int i) {
  if (c == nullptr || !InTable(i, c->context->group_formulas.size())) return nullptr;
  return c->context->group_formulas[static_cast<std::size_t>(i)].c_str();
}

FORMIX_API formix_reading* formix_read(const formix_context* c, const char* text, std::size_t length) {
  if (c == nullptr || (text == nullptr && length != 0)) return nullptr;
  try {
    auto r = Wrap(formix::toolkit::Read(*c->context, text != nullptr ? text : "", length));
    r->source.assign(text != nullptr ? text : "", length);
    return r.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_reading_free(formix_reading* r) { delete r; }

FORMIX_API double formix_quiet_molar_mass(const formix_context* c, const char* text) {
  if (c == nullptr || text == nullptr) return kNaN;
  const std::size_t length = std::strlen(text);
  double mass = kNaN;
  // The shortcut or nothing: a formula it does not take is read once, by
  // formix_read, not here as well.
  return formix::toolkit::ReadPlain(*c->context, text, length, &mass) ? mass : kNaN;
}

FORMIX_API long formix_quiet_composition(const formix_context* c, const char* text, double* values,
                                         std::size_t capacity, char* symbols, std::size_t symbols_size) {
  if (c == nullptr || text == nullptr || values == nullptr || symbols == nullptr) return -1;
  try {
    const formix::toolkit::Reading r = formix::toolkit::Read(*c->context, text, std::strlen(text));
    if (!r.diagnostics.empty() || r.charge != 0 || !r.has_value || 3 * r.elements.size() > capacity)
      return -1;
    std::size_t used = 0;
    for (std::size_t i = 0; i < r.elements.size(); ++i) {
      const formix::toolkit::ElementShare& e = r.elements[i];
      const std::size_t need = (i > 0 ? 1 : 0) + e.symbol.size();
      if (used + need + 1 > symbols_size) return -1;
      if (i > 0) symbols[used++] = ' ';
      std::memcpy(symbols + used, e.symbol.data(), e.symbol.size());
      used += e.symbol.size();
      values[3 * i] = e.atoms;
      values[3 * i + 1] = e.mass;
      values[3 * i + 2] = e.percent;
    }
    if (symbols_size > 0) symbols[used] = '\0';
    return static_cast<long>(r.elements.size());
  } catch (...) {
    return -1;  // out of memory
  }
}

FORMIX_API std::size_t formix_molar_masses(const formix_context* c, const char* const* texts,
                                           const std::size_t* lengths, std::size_t count, double* masses,
                                           int* worst) {
  if (c == nullptr || texts == nullptr || masses == nullptr) return 0;
  std::size_t with_number = 0;
  for (std::size_t i = 0; i < count; ++i) {
    masses[i] = kNaN;
    if (worst != nullptr) worst[i] = FORMIX_ERROR;
    if (texts[i] == nullptr) continue;
    try {
      const std::size_t length = lengths != nullptr ? lengths[i] : std::strlen(texts[i]);
      if (formix::toolkit::ReadPlain(*c->context, texts[i], length, &masses[i])) {
        if (worst != nullptr) worst[i] = -1;  // nothing to say
        ++with_number;
        continue;
      }
      const formix::toolkit::Reading r = formix::toolkit::ReadInFull(*c->context, texts[i], length);
      masses[i] = r.molar_mass;
      if (worst != nullptr) worst[i] = r.Worst();
      with_number += r.has_value ? 1 : 0;
    } catch (...) {
      // out of memory: this one has no number
    }
  }
  return with_number;
}

FORMIX_API std::size_t formix_molar_masses_block(const formix_context* c, const char* block,
                                                 std::size_t count, double* masses, int* worst) {
  if (c == nullptr || block == nullptr || masses == nullptr) return 0;
  std::size_t with_number = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t length = std::strlen(block);
    with_number +=
        formix_molar_masses(c, &block, &length, 1, masses + i, worst != nullptr ? worst + i : nullptr);
    block += length + 1;
  }
  return with_number;
}

FORMIX_API int formix_reading_has_value(const formix_reading* r) {
  return r != nullptr && r->reading.has_value ? 1 : 0;
}
FORMIX_API double formix_reading_molar_mass(const formix_reading* r) {
  return r != nullptr ? r->reading.molar_mass : kNaN;
}
FORMIX_API int formix_reading_charge(const formix_reading* r) { return r != nullptr ? r->reading.charge : 0; }
FORMIX_API const char* formix_reading_text(const formix_reading* r) {
  return r != nullptr ? r->reading.text.c_str() : nullptr;
}
FORMIX_API const char* formix_reading_hill(const formix_reading* r) {
  return r != nullptr ? r->reading.hill.c_str() : nullptr;
}
FORMIX_API const char* formix_reading_empirical(const formix_reading* r) {
  return r != nullptr ? r->reading.empirical.c_str() : nullptr;
}
FORMIX_API int formix_reading_worst(const formix_reading* r) {
  return r != nullptr ? r->reading.Worst() : -1;
}
FORMIX_API std::size_t formix_reading_diagnostic_count(const formix_reading* r) {
  return r != nullptr ? r->diagnostics.size() : 0;
}
FORMIX_API const formix_diagnostic* formix_reading_diagnostic(const formix_reading* r, std::size_t i) {
  return r != nullptr && i < r->diagnostics.size() ? &r->diagnostics[i] : nullptr;
}
FORMIX_API std::size_t formix_reading_element_count(const formix_reading* r) {
  return r != nullptr ? r->elements.size() : 0;
}
FORMIX_API const formix_element_share* formix_reading_element(const formix_reading* r, std::size_t i) {
  return r != nullptr && i < r->elements.size() ? &r->elements[i] : nullptr;
}
FORMIX_API const formix_element_share* formix_reading_element_in_hill_order(const formix_reading* r,
                                                                            std::size_t i) {
  return r != nullptr && i < r->hill_order.size() ? &r->elements[r->hill_order[i]] : nullptr;
}

FORMIX_API formix_analysis* formix_elemental_analysis(const formix_context* c, const formix_reading* r,
                                                      const char* elements, const char* found,
                                                      double tolerance, int solvents) {
  try {
    auto a = std::make_unique<formix_analysis>();
    if (c == nullptr || r == nullptr) {
      a->analysis.error = "no context or no reading";
    } else {
      a->analysis = formix::toolkit::AnalyzeElements(
          *c->context, r->reading, elements != nullptr ? elements : "", found != nullptr ? found : "",
          std::isnan(tolerance) ? FORMIX_DEFAULT_TOLERANCE : tolerance, solvents);
    }
    return a.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_analysis_free(formix_analysis* a) { delete a; }

FORMIX_API const char* formix_analysis_error(const formix_analysis* a) {
  return a != nullptr ? a->analysis.error.c_str() : "no analysis";
}
FORMIX_API std::size_t formix_analysis_element_count(const formix_analysis* a) {
  return a != nullptr ? a->analysis.elements.size() : 0;
}
FORMIX_API const char* formix_analysis_element(const formix_analysis* a, std::size_t i) {
  return a != nullptr && i < a->analysis.elements.size() ? a->analysis.elements[i].c_str() : nullptr;
}
FORMIX_API double formix_analysis_calcd(const formix_analysis* a, std::size_t i) {
  return a != nullptr && i < a->analysis.calcd.size() ? a->analysis.calcd[i] : kNaN;
}
FORMIX_API double formix_analysis_found(const formix_analysis* a, std::size_t i) {
  return a != nullptr && i < a->analysis.found.size() ? a->analysis.found[i] : kNaN;
}
FORMIX_API double formix_analysis_tolerance(const formix_analysis* a) {
  return a != nullptr ? a->analysis.tolerance : kNaN;
}
FORMIX_API int formix_analysis_within(const formix_analysis* a) {
  return a != nullptr && a->analysis.error.empty() && a->analysis.within ? 1 : 0;
}
FORMIX_API const char* formix_analysis_calcd_line(const formix_analysis* a) {
  return a != nullptr ? a->analysis.calcd_line.c_str() : "";
}
FORMIX_API const char* formix_analysis_found_line(const formix_analysis* a) {
  return a != nullptr ? a->analysis.found_line.c_str() : "";
}
FORMIX_API std::size_t formix_analysis_fit_count(const formix_analysis* a) {
  return a != nullptr ? a->analysis.fits.size() : 0;
}
FORMIX_API const char* formix_analysis_fit_label(const formix_analysis* a, std::size_t k) {
  return a != nullptr && k < a->analysis.fits.size() ? a->analysis.fits[k].label.c_str() : nullptr;
}
FORMIX_API double formix_analysis_fit_worst(const formix_analysis* a, std::size_t k) {
  return a != nullptr && k < a->analysis.fits.size() ? a->analysis.fits[k].worst : kNaN;
}
FORMIX_API double formix_analysis_fit_calcd(const formix_analysis* a, std::size_t k, std::size_t i) {
  if (a == nullptr || k >= a->analysis.fits.size() || i >= a->analysis.fits[k].calcd.size()) return kNaN;
  return a->analysis.fits[k].calcd[i];
}
FORMIX_API const char* formix_analysis_fit_line(const formix_analysis* a, std::size_t k) {
  return a != nullptr && k < a->analysis.fits.size() ? a->analysis.fits[k].calcd_line.c_str() : nullptr;
}

FORMIX_API int formix_reaction_masses(const formix_context* context, const char* const* formulas,
                                      const double* coefficients, size_t count, size_t known, double mass,
                                      double* masses) {
  if (context == nullptr || masses == nullptr ||
      (count > 0 && (formulas == nullptr || coefficients == nullptr)))
    return FORMIX_ERROR;
  for (size_t i = 0; i < count; ++i) masses[i] = kNaN;
  if (known >= count) return FORMIX_ERROR;
  try {
    std::vector<std::string> texts;
    for (size_t i = 0; i < count; ++i) texts.emplace_back(formulas[i] != nullptr ? formulas[i] : "");
    std::vector<formix::toolkit::Reading> readings;
    const std::vector<double> out = formix::toolkit::ReactionMasses(
        *context->context, texts, std::vector<double>(coefficients, coefficients + count), known, mass,
        &readings);
    int worst = -1;
    for (size_t i = 0; i < count; ++i) {
      masses[i] = out[i];
      worst = std::max(worst, readings[i].Worst());
    }
    return worst;
  } catch (...) {
    return FORMIX_ERROR;
  }
}

FORMIX_API formix_reaction* formix_react(const formix_context* c, const char* equation, int balance,
                                         int check) {
  try {
    auto r = std::make_unique<formix_reaction>();
    if (c == nullptr || equation == nullptr) {
      r->reaction.error = "no context or no equation";
      return r.release();
    }
    r->reaction = formix::toolkit::ReadEquation(*c->context, equation, balance != 0, check != 0);
    r->equation = equation;
    for (const auto& p : r->reaction.participants) {
      r->readings.push_back(Wrap(p.reading));
      r->readings.back()->source = p.formula;
    }
    return r.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_reaction_free(formix_reaction* r) { delete r; }

FORMIX_API const char* formix_reaction_error(const formix_reaction* r) {
  return r != nullptr ? r->reaction.error.c_str() : "no reaction";
}
FORMIX_API const char* formix_reaction_equation(const formix_reaction* r) {
  return r != nullptr ? r->reaction.balanced.c_str() : "";
}
FORMIX_API int formix_reaction_set_amount(formix_reaction* r, const char* assignment, char kind) {
  if (r == nullptr || assignment == nullptr) return 0;
  try {
    return formix::toolkit::SetAmount(r->reaction, assignment, kind) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
FORMIX_API int formix_reaction_solve(formix_reaction* r) {
  if (r == nullptr || !formix::toolkit::SolveAmounts(r->reaction)) return 0;
  r->solved = true;
  return 1;
}
FORMIX_API std::size_t formix_reaction_count(const formix_reaction* r) {
  return r != nullptr ? r->reaction.participants.size() : 0;
}

namespace {
const formix::toolkit::Participant* At(const formix_reaction* r, std::size_t i) {
  return r != nullptr && i < r->reaction.participants.size() ? &r->reaction.participants[i] : nullptr;
}
}  // namespace

FORMIX_API const formix_reading* formix_reaction_reading(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? r->readings[i].get() : nullptr;
}
FORMIX_API const char* formix_reaction_formula(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->formula.c_str() : nullptr;
}
FORMIX_API int formix_reaction_side(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->side : -1;
}
FORMIX_API double formix_reaction_coefficient(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->coefficient : kNaN;
}
FORMIX_API int formix_reaction_given(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr && At(r, i)->given ? 1 : 0;
}
FORMIX_API double formix_reaction_moles(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->moles : kNaN;
}
FORMIX_API double formix_reaction_mass(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->mass : kNaN;
}
FORMIX_API double formix_reaction_volume(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->volume : kNaN;
}
FORMIX_API double formix_reaction_equiv(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->equiv : kNaN;
}
FORMIX_API double formix_reaction_excess(const formix_reaction* r, std::size_t i) {
  return At(r, i) != nullptr ? At(r, i)->excess : kNaN;
}
FORMIX_API int formix_reaction_limiting(const formix_reaction* r) {
  return r != nullptr ? r->reaction.limiting : -1;
}

FORMIX_API formix_ratios* formix_atom_ratios(const formix_context* c, const char* const* species,
                                             const double* fractions, std::size_t count,
                                             const char* by_difference, double total_mass,
                                             const char* reference, double reference_count,
                                             double tolerance) {
  try {
    auto r = std::make_unique<formix_ratios>();
    if (c == nullptr || (count > 0 && (species == nullptr || fractions == nullptr))) {
      r->ratios.error = "no context or no species";
      return r.release();
    }
    std::vector<std::pair<std::string, double>> found;
    for (std::size_t i = 0; i < count; ++i)
      found.emplace_back(species[i] != nullptr ? species[i] : "", fractions[i]);
    r->ratios = formix::toolkit::AnalyzeRatios(
        *c->context, found, by_difference != nullptr ? by_difference : "", total_mass > 0 ? total_mass : kNaN,
        reference != nullptr ? reference : "", reference_count,
        std::isnan(tolerance) ? FORMIX_DEFAULT_TOLERANCE : tolerance);
    return r.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_ratios_free(formix_ratios* r) { delete r; }
FORMIX_API const char* formix_ratios_error(const formix_ratios* r) {
  return r != nullptr ? r->ratios.error.c_str() : "no ratios";
}
FORMIX_API std::size_t formix_ratios_warning_count(const formix_ratios* r) {
  return r != nullptr ? r->ratios.warnings.size() : 0;
}
FORMIX_API const char* formix_ratios_warning(const formix_ratios* r, std::size_t i) {
  return r != nullptr && i < r->ratios.warnings.size() ? r->ratios.warnings[i].c_str() : nullptr;
}
FORMIX_API std::size_t formix_ratios_count(const formix_ratios* r) {
  return r != nullptr && r->ratios.error.empty() ? r->ratios.species.size() : 0;
}
FORMIX_API const char* formix_ratios_species(const formix_ratios* r, std::size_t i) {
  return i < formix_ratios_count(r) ? r->ratios.species[i].c_str() : nullptr;
}
FORMIX_API double formix_ratios_fraction(const formix_ratios* r, std::size_t i) {
  return i < formix_ratios_count(r) ? r->ratios.fractions[i] : kNaN;
}
FORMIX_API double formix_ratios_ratio(const formix_ratios* r, std::size_t i) {
  return i < formix_ratios_count(r) ? r->ratios.ratios[i] : kNaN;
}
FORMIX_API long formix_ratios_whole(const formix_ratios* r, std::size_t i) {
  return i < formix_ratios_count(r) ? r->ratios.whole[i] : 0;
}
FORMIX_API int formix_ratios_multiplier(const formix_ratios* r) {
  return r != nullptr ? r->ratios.multiplier : 1;
}
FORMIX_API const char* formix_ratios_nearest(const formix_ratios* r) {
  return r != nullptr ? r->ratios.nearest.c_str() : "";
}
FORMIX_API std::size_t formix_ratios_candidate_count(const formix_ratios* r) {
  return r != nullptr ? r->ratios.candidates.size() : 0;
}
FORMIX_API const char* formix_ratios_candidate(const formix_ratios* r, std::size_t k) {
  return k < formix_ratios_candidate_count(r) ? r->ratios.candidates[k].formula.c_str() : nullptr;
}
FORMIX_API double formix_ratios_candidate_worst(const formix_ratios* r, std::size_t k) {
  return k < formix_ratios_candidate_count(r) ? r->ratios.candidates[k].worst : kNaN;
}
FORMIX_API double formix_ratios_candidate_mass(const formix_ratios* r, std::size_t k) {
  return k < formix_ratios_candidate_count(r) ? r->ratios.candidates[k].molar_mass : kNaN;
}
FORMIX_API const char* formix_ratios_candidate_line(const formix_ratios* r, std::size_t k) {
  return k < formix_ratios_candidate_count(r) ? r->ratios.candidates[k].calcd_line.c_str() : nullptr;
}

FORMIX_API formix_exact* formix_exact_masses(const formix_context* c, const formix_reading* r,
                                             const char* adducts) {
  try {
    auto m = std::make_unique<formix_exact>();
    if (c == nullptr || r == nullptr) {
      m->exact.error = "no context or no reading";
      return m.release();
    }
    m->reading = r->reading;
    m->source = r->source;
    std::vector<std::string> names;
    if (adducts != nullptr) {
      std::string name;
      for (const char* p = adducts;; ++p) {
        if (*p == ',' || *p == '\0') {
          if (!name.empty()) names.push_back(name);
          name.clear();
          if (*p == '\0') break;
        } else if (*p != ' ') {
          name += *p;
        }
      }
      for (const std::string& n : names) {
        bool known = false;
        for (const auto& a : c->context->adducts) known = known || a.name == n;
        if (!known) {
          m->exact.error = "unknown adduct '" + n + "'";
          return m.release();
        }
      }
    }
    m->exact = formix::toolkit::Exact(*c->context, r->reading, names);
    return m.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API void formix_exact_free(formix_exact* m) { delete m; }
FORMIX_API const char* formix_exact_error(const formix_exact* m) {
  return m != nullptr ? m->exact.error.c_str() : "no masses";
}
FORMIX_API double formix_exact_monoisotopic(const formix_exact* m) {
  return m != nullptr ? m->exact.monoisotopic : kNaN;
}
FORMIX_API double formix_exact_nominal(const formix_exact* m) {
  return m != nullptr ? m->exact.nominal : kNaN;
}
FORMIX_API int formix_exact_charge(const formix_exact* m) { return m != nullptr ? m->exact.charge : 0; }
FORMIX_API double formix_exact_mz(const formix_exact* m) { return m != nullptr ? m->exact.mz : kNaN; }
FORMIX_API std::size_t formix_exact_ion_count(const formix_exact* m) {
  return m != nullptr ? m->exact.adducts.size() : 0;
}
FORMIX_API const char* formix_exact_ion_name(const formix_exact* m, std::size_t i) {
  return i < formix_exact_ion_count(m) ? m->exact.adducts[i].name.c_str() : nullptr;
}
FORMIX_API const char* formix_exact_ion_formula(const formix_exact* m, std::size_t i) {
  return i < formix_exact_ion_count(m) ? m->exact.adducts[i].formula.c_str() : nullptr;
}
FORMIX_API int formix_exact_ion_charge(const formix_exact* m, std::size_t i) {
  return i < formix_exact_ion_count(m) ? m->exact.adducts[i].charge : 0;
}
FORMIX_API double formix_exact_ion_mz(const formix_exact* m, std::size_t i) {
  return i < formix_exact_ion_count(m) ? m->exact.adducts[i].mz : kNaN;
}
FORMIX_API int formix_exact_ion_possible(const formix_exact* m, std::size_t i) {
  return i < formix_exact_ion_count(m) && m->exact.adducts[i].possible ? 1 : 0;
}
FORMIX_API const char* formix_exact_hrms_line(formix_exact* m, std::size_t i, double found,
                                              const char* source) {
  if (i >= formix_exact_ion_count(m)) return nullptr;
  try {
    m->line = formix::toolkit::HrmsLine(source != nullptr ? source : "ESI", m->exact.adducts[i], found);
  } catch (...) {
    return nullptr;
  }
  return m->line.c_str();
}

FORMIX_API formix_pattern* formix_isotope_pattern(const formix_context* c, const formix_reading* r,
                                                  double threshold, double resolving_power) {
  try {
    auto p = std::make_unique<formix_pattern>();
    if (c == nullptr || r == nullptr) {
      p->pattern.error = "no context or no reading";
    } else {
      p->threshold = std::isnan(threshold) ? FORMIX_DEFAULT_THRESHOLD : threshold;
      p->resolving_power = std::isnan(resolving_power) ? FORMIX_DEFAULT_RESOLVING_POWER : resolving_power;
      p->reading = r->reading;
      p->source = r->source;
      p->pattern = formix::toolkit::IsotopePattern(*c->context, r->reading, p->threshold, p->resolving_power);
    }
    return p.release();
  } catch (...) {
    return nullptr;
  }
}
FORMIX_API void formix_pattern_free(formix_pattern* p) { delete p; }
FORMIX_API const char* formix_pattern_error(const formix_pattern* p) {
  return p != nullptr ? p->pattern.error.c_str() : "no pattern";
}
FORMIX_API double formix_pattern_pruned(const formix_pattern* p) {
  return p != nullptr ? p->pattern.pruned : kNaN;
}

FORMIX_API const char* formix_pattern_warning(const formix_pattern* p) {
  return p != nullptr ? p->pattern.warning.c_str() : nullptr;
}
FORMIX_API double formix_pattern_most_abundant(const formix_pattern* p) {
  return p != nullptr ? p->pattern.most_abundant : kNaN;
}
FORMIX_API std::size_t formix_pattern_fine_count(const formix_pattern* p) {
  return p != nullptr ? p->pattern.fine.size() : 0;
}
FORMIX_API double formix_pattern_fine_mz(const formix_pattern* p, std::size_t i) {
  return i < formix_pattern_fine_count(p) ? p->pattern.fine[i].mass : kNaN;
}
FORMIX_API double formix_pattern_fine_intensity(const formix_pattern* p, std::size_t i) {
  return i < formix_pattern_fine_count(p) ? p->pattern.fine[i].abundance : kNaN;
}
FORMIX_API double formix_pattern_threshold(const formix_pattern* p) {
  return p != nullptr ? p->threshold : kNaN;
}
FORMIX_API double formix_pattern_resolving_power(const formix_pattern* p) {
  return p != nullptr ? p->resolving_power : kNaN;
}
FORMIX_API std::size_t formix_pattern_peak_count(const formix_pattern* p) {
  return p != nullptr ? p->pattern.peaks.size() : 0;
}
FORMIX_API double formix_pattern_peak_mz(const formix_pattern* p, std::size_t i) {
  return i < formix_pattern_peak_count(p) ? p->pattern.peaks[i].mass : kNaN;
}
FORMIX_API double formix_pattern_peak_intensity(const formix_pattern* p, std::size_t i) {
  return i < formix_pattern_peak_count(p) ? p->pattern.peaks[i].abundance : kNaN;
}

FORMIX_API char* formix_significant(double value, int digits, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  const std::string text = formix::toolkit::Significant(value, digits < 1 ? 1 : digits > 17 ? 17 : digits);
  std::snprintf(buffer, size, "%s", text.c_str());
  return buffer;
}

FORMIX_API char* formix_shortest(double value, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  std::snprintf(buffer, size, "%s", formix::toolkit::PlainText(value).c_str());
  return buffer;
}

FORMIX_API int formix_parse_number(const char* text, double* value) {
  if (text == nullptr || value == nullptr) return 0;
  const char* first = text + (text[0] == '+' && text[1] != '-' ? 1 : 0);
  const char* last = first + std::strlen(first);
  double read = 0.0;
  if (first == last || formix::toolkit::ParseNumber(first, last, &read) != last || !std::isfinite(read))
    return 0;
  *value = read;
  return 1;
}

FORMIX_API std::size_t formix_utf8_sequence(const char* text, std::size_t length) {
  char32_t code = 0;
  return text == nullptr || length == 0 ? 0 : formix::toolkit::DecodeUtf8(text, length, 0, &code);
}

// ---- Documents

FORMIX_API const char* formix_reading_json(formix_reading* r, int parts) {
  if (r == nullptr) return nullptr;
  return Rendered(r->json, [&](formix::toolkit::JsonWriter& json) {
    formix::toolkit::WriteReading(json, r->reading, r->source, static_cast<unsigned>(parts));
  });
}

FORMIX_API std::size_t formix_quiet_json(const formix_context* c, const char* text, std::size_t length,
                                         char* buffer, std::size_t size) {
  if (c == nullptr || text == nullptr) return 0;
  try {
    thread_local std::string out;
    out.clear();
    if (!formix::toolkit::ReadPlainJson(*c->context, text, length, out)) return 0;
    return CopyOut(out, buffer, size);
  } catch (...) {
    return 0;
  }
}

FORMIX_API const char* formix_analysis_json(formix_analysis* a) {
  if (a == nullptr) return nullptr;
  return Rendered(
      a->json, [&](formix::toolkit::JsonWriter& json) { formix::toolkit::WriteAnalysis(json, a->analysis); });
}

FORMIX_API const char* formix_ratios_json(formix_ratios* r) {
  if (r == nullptr) return nullptr;
  return Rendered(r->json,
                  [&](formix::toolkit::JsonWriter& json) { formix::toolkit::WriteRatios(json, r->ratios); });
}

FORMIX_API int formix_exact_compare(formix_exact* m, double found, double ppm, const char* source) {
  if (m == nullptr || !m->exact.error.empty()) return 0;
  try {
    m->found = formix::toolkit::CompareFound(m->exact, found, std::isnan(ppm) ? FORMIX_DEFAULT_PPM : ppm,
                                             source != nullptr ? source : "ESI");
    m->compared = true;
  } catch (...) {
    return 0;
  }
  return m->found.within ? 1 : 0;
}
FORMIX_API double formix_exact_error_ppm(const formix_exact* m) {
  return m != nullptr && m->compared && m->exact.charge != 0 ? m->found.error_ppm : kNaN;
}
FORMIX_API double formix_exact_ion_error_ppm(const formix_exact* m, std::size_t i) {
  return m != nullptr && m->compared && i < m->found.adduct_error_ppm.size() ? m->found.adduct_error_ppm[i]
                                                                             : kNaN;
}
FORMIX_API int formix_exact_best(const formix_exact* m) {
  return m != nullptr && m->compared ? m->found.best : -1;
}
FORMIX_API const char* formix_exact_hrms(const formix_exact* m) {
  return m != nullptr && m->compared ? m->found.hrms.c_str() : "";
}

FORMIX_API const char* formix_exact_json(formix_exact* m) {
  if (m == nullptr) return nullptr;
  return Rendered(m->json, [&](formix::toolkit::JsonWriter& json) {
    formix::toolkit::WriteExact(json, m->exact, m->reading, m->source, m->compared ? &m->found : nullptr);
  });
}

FORMIX_API const char* formix_pattern_json(formix_pattern* p, int fine) {
  if (p == nullptr) return nullptr;
  return Rendered(p->json, [&](formix::toolkit::JsonWriter& json) {
    formix::toolkit::WritePattern(json, p->pattern, p->reading, p->source, p->threshold, p->resolving_power,
                                  fine != 0);
  });
}

FORMIX_API const char* formix_reaction_json(formix_reaction* r) {
  if (r == nullptr) return nullptr;
  return Rendered(r->json, [&](formix::toolkit::JsonWriter& json) {
    formix::toolkit::WriteReaction(json, r->reaction, r->equation, r->solved);
  });
}

FORMIX_API std::size_t formix_context_json(const formix_context* c, int part, char* buffer,
                                           std::size_t size) {
  if (c == nullptr) return 0;
  try {
    std::string text;
    formix::toolkit::JsonWriter json(text);
    formix::toolkit::WriteContext(json, *c->context, part);
    return CopyOut(text, buffer, size);
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
