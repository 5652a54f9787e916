// calculations.cpp -- the toolkit's C interface to the calculations beyond
// a reading: elemental analyses, reaction masses and reactions, formulas
// from found values, exact masses and isotope patterns, and their JSON; no
// exception crosses it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "toolkit/api/capi.h"

using namespace formix::toolkit::capi;  // NOLINT: the helpers of the C interface

extern "C" {

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
FORMIX_API const char* formix_reaction_notes(formix_reaction* r) {
  if (r == nullptr) return "";
  return formix::toolkit::capi::Lines(r->reaction.notes, &r->notes);
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

FORMIX_API double formix_monoisotopic_mass(const formix_context* c, const formix_reading* r) {
  if (c == nullptr || r == nullptr) return kNaN;
  try {
    const formix::toolkit::ExactMasses x = formix::toolkit::SpeciesExact(*c->context, r->reading);
    return x.error.empty() ? x.monoisotopic : kNaN;
  } catch (...) {
    return kNaN;  // out of memory
  }
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
        if (formix::toolkit::AdductIndex(*c->context, n) == c->context->adducts.size()) {
          m->exact.error = formix::toolkit::UnknownAdduct(n);
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
namespace {
// The comparison with ion `i` (SIZE_MAX: the ion itself), or NULL.
const formix::toolkit::MzError* Compared(const formix_exact* m, std::size_t i) {
  if (m == nullptr || !m->compared) return nullptr;
  if (i == SIZE_MAX) return m->exact.charge != 0 ? &m->found.ion : nullptr;
  return i < m->found.adducts.size() ? &m->found.adducts[i] : nullptr;
}
}  // namespace

FORMIX_API double formix_exact_error_ppm(const formix_exact* m) {
  return Compared(m, SIZE_MAX) != nullptr ? Compared(m, SIZE_MAX)->ppm : kNaN;
}
FORMIX_API double formix_exact_error_mda(const formix_exact* m) {
  return Compared(m, SIZE_MAX) != nullptr ? Compared(m, SIZE_MAX)->mda : kNaN;
}
FORMIX_API double formix_exact_ion_error_ppm(const formix_exact* m, std::size_t i) {
  return Compared(m, i) != nullptr ? Compared(m, i)->ppm : kNaN;
}
FORMIX_API double formix_exact_ion_error_mda(const formix_exact* m, std::size_t i) {
  return Compared(m, i) != nullptr ? Compared(m, i)->mda : kNaN;
}
FORMIX_API int formix_exact_ion_within(const formix_exact* m, std::size_t i) {
  return Compared(m, i) != nullptr && Compared(m, i)->within ? 1 : 0;
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

namespace {

const formix::toolkit::FindCandidate* CandidateAt(const formix_find* f, std::size_t i) {
  return f != nullptr && i < f->result.candidates.size() ? &f->result.candidates[i] : nullptr;
}

}  // namespace

FORMIX_API int formix_feature_column(const char* name) {
  if (name == nullptr) return 0;
  std::string folded;
  for (const char* p = name; *p != '\0'; ++p) {
    const char c = *p;
    if (c == ' ' || c == '\t' || c == '"') continue;
    folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  if (folded == "mz" || folded == "m/z" || folded == "mzmed" || folded == "rowm/z") return FORMIX_COLUMN_MZ;
  if (folded == "adduct") return FORMIX_COLUMN_ADDUCT;
  if (folded == "charge") return FORMIX_COLUMN_CHARGE;
  if (folded == "ppm") return FORMIX_COLUMN_PPM;
  if (folded == "peaks") return FORMIX_COLUMN_PEAKS;
  return 0;
}

FORMIX_API formix_find* formix_find_formulas(const formix_context* c, double mz, const char* adduct,
                                             int charge, double ppm, double mda, const char* elements,
                                             const char* peaks, double resolving_power,
                                             double intensity_error, double mass_error, std::size_t limit,
                                             int flags, const char* source) {
  try {
    auto f = std::make_unique<formix_find>();
    formix::toolkit::FindQuery& q = f->query;
    q.mz = mz;
    q.ppm = std::isnan(ppm) ? FORMIX_DEFAULT_PPM : ppm;
    q.mda = mda;
    if (elements != nullptr) q.elements = elements;
    q.rules = (flags & FORMIX_FIND_NO_RULES) == 0;
    q.radical = (flags & FORMIX_FIND_RADICAL) != 0;
    q.explain = (flags & FORMIX_FIND_EXPLAIN) != 0;
    q.ratios = (flags & FORMIX_FIND_NO_RATIOS) != 0       ? formix::toolkit::RatioSet::kNone
               : (flags & FORMIX_FIND_COMMON_RATIOS) != 0 ? formix::toolkit::RatioSet::kCommon
                                                          : formix::toolkit::RatioSet::kExtended;
    q.element_limits = (flags & FORMIX_FIND_DNP_LIMITS) != 0     ? formix::toolkit::ElementLimits::kDnp
                       : (flags & FORMIX_FIND_WILEY_LIMITS) != 0 ? formix::toolkit::ElementLimits::kWiley
                                                                 : formix::toolkit::ElementLimits::kNone;
    q.hnops = (flags & FORMIX_FIND_HNOPS) != 0;
    q.calculated = (flags & FORMIX_FIND_CALCULATED) != 0;
    if (!std::isnan(resolving_power)) q.resolving_power = resolving_power;
    if (!std::isnan(intensity_error)) q.errors.intensity_error = intensity_error / 100;
    q.errors.mass_error_ppm = mass_error;
    if (limit != 0) q.limit = limit;
    if (source != nullptr) q.source = source;
    if (c == nullptr) {
      f->result.error = "no context";
      return f.release();
    }
    if ((flags & FORMIX_FIND_DNP_LIMITS) != 0 && (flags & FORMIX_FIND_WILEY_LIMITS) != 0) {
      f->result.error = "give one set of element limits, the DNP's or the Wiley library's";
      return f.release();
    }
    if (adduct != nullptr && adduct[0] != '\0' && charge != 0) {
      f->result.error = "give an adduct or a charge, not both";
      return f.release();
    }
    if (charge < -formix::toolkit::kMostGivenCharge || charge > formix::toolkit::kMostGivenCharge) {
      f->result.error = "the charge " + std::to_string(charge) + " is beyond 100";
      return f.release();
    }
    if (adduct != nullptr) q.adduct = adduct;
    q.charge = charge;
    if (resolving_power == resolving_power && !(resolving_power > 0 && resolving_power <= 1e7)) {
      f->result.error = "the resolving power must lie between 0 and 10000000";
      return f.release();
    }
    if (peaks != nullptr) {
      std::string error;
      q.peaks = formix::toolkit::ParsePeaks(peaks, &error);
      if (!error.empty()) {
        f->result.error = error;
        return f.release();
      }
    }
    f->result = formix::toolkit::FindFormulas(*c->context, q);
    return f.release();
  } catch (...) {
    return nullptr;
  }
}

FORMIX_API const char* formix_find_choose(formix_find* f, const formix_context* c, const char* formula,
                                          std::size_t pick) {
  if (f == nullptr || c == nullptr) return "no search or no context";
  try {
    f->json.clear();
    f->choice = formix::toolkit::ChooseFormula(*c->context, f->query, &f->result,
                                               formula != nullptr ? formula : "", pick);
    return f->choice.c_str();
  } catch (...) {
    return "out of memory";
  }
}

FORMIX_API std::size_t formix_find_given(const formix_find* f) { return f != nullptr ? f->result.given : 0; }

FORMIX_API const char* formix_find_candidate_hrms(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->hrms.c_str() : "";
}

FORMIX_API void formix_find_free(formix_find* f) { delete f; }
FORMIX_API const char* formix_find_error(const formix_find* f) {
  return f != nullptr ? f->result.error.c_str() : "no result";
}
FORMIX_API std::size_t formix_find_within(const formix_find* f) {
  return f != nullptr ? f->result.within : 0;
}
FORMIX_API std::size_t formix_find_passed(const formix_find* f) {
  return f != nullptr ? f->result.passed : 0;
}
FORMIX_API std::size_t formix_find_unlisted(const formix_find* f) {
  return f != nullptr ? f->result.unlisted : 0;
}
FORMIX_API int formix_find_complete(const formix_find* f) {
  return f != nullptr && f->result.complete ? 1 : 0;
}
FORMIX_API const char* formix_find_warning(const formix_find* f) {
  return f != nullptr ? f->result.warning.c_str() : "";
}
FORMIX_API const char* formix_find_note(const formix_find* f) {
  return f != nullptr ? f->result.note.c_str() : "";
}
FORMIX_API const char* formix_find_hrms(const formix_find* f) {
  return f != nullptr ? f->result.hrms.c_str() : "";
}
FORMIX_API std::size_t formix_find_count(const formix_find* f) {
  return f != nullptr ? f->result.candidates.size() : 0;
}
FORMIX_API const char* formix_find_formula(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->formula.c_str() : "";
}
FORMIX_API const char* formix_find_hill(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->hill.c_str() : "";
}
FORMIX_API double formix_find_monoisotopic(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->monoisotopic : kNaN;
}
FORMIX_API double formix_find_mz(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->mz : kNaN;
}
FORMIX_API double formix_find_ppm(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->ppm : kNaN;
}
FORMIX_API double formix_find_mda(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->mda : kNaN;
}
FORMIX_API double formix_find_dbe(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->dbe : kNaN;
}
FORMIX_API const char* formix_find_broken(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->broken.c_str() : "";
}
FORMIX_API double formix_find_score(const formix_find* f, std::size_t i) {
  const auto* c = CandidateAt(f, i);
  return c != nullptr ? c->score : kNaN;
}
FORMIX_API const char* formix_find_json(formix_find* f) {
  if (f == nullptr) return nullptr;
  return Rendered(f->json, [&](formix::toolkit::JsonWriter& json) {
    formix::toolkit::WriteFind(json, f->result, f->query);
  });
}

FORMIX_API double formix_reading_dbe(const formix_reading* r) {
  return r != nullptr ? formix::toolkit::ReadingDbe(r->reading) : kNaN;
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

}  // extern "C"
