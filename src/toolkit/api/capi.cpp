// capi.cpp -- the toolkit's C interface: contexts, tables, readings, the
// quick calls, numbers and text; no exception crosses it.  The
// calculations beyond a reading are in calculations.cpp.
#include "toolkit/api/capi.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <new>

#include "toolkit/base/base.h"

namespace formix::toolkit::capi {

static_assert(kJsonFormat == FORMIX_JSON_FORMAT);

std::unique_ptr<formix_reading> Wrap(Reading reading) {
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
  return r;
}

std::size_t CopyOut(const std::string& text, char* buffer, std::size_t size) {
  if (buffer != nullptr && size > 0) {
    const std::size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return text.size();
}

}  // namespace formix::toolkit::capi

using namespace formix::toolkit::capi;  // NOLINT: the helpers of the C interface

namespace {

void SetStatus(int* status, int value) {
  if (status != nullptr) *status = value;
}

}  // namespace

extern "C" {

FORMIX_API formix_context* formix_context_new(const char* masses, const char* groups, const char* lists,
                                              int* status) {
  try {
    int s = FORMIX_OK;
    auto context = formix::toolkit::MakeContext(masses, groups, &s, lists);
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
    case FORMIX_LISTS_NOT_FOUND:
      return "the folder of the lists holds none of them";
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
  return r != nullptr && i < r->reading.hill_order.size() ? &r->elements[r->reading.hill_order[i]] : nullptr;
}

FORMIX_API char* formix_significant(double value, int digits, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  const std::string text = formix::toolkit::SignificantText(value, digits < 1    ? 1
                                                                   : digits > 17 ? 17
                                                                                 : digits);
  std::snprintf(buffer, size, "%s", text.c_str());
  return buffer;
}

FORMIX_API char* formix_quantity_text(double value, int kind, int figures, char* buffer, std::size_t size) {
  using formix::toolkit::Quantity;
  if (buffer == nullptr || size == 0) return buffer;
  const Quantity kinds[] = {Quantity::kNone,
                            Quantity::kMass,
                            Quantity::kAmount,
                            Quantity::kVolume,
                            Quantity::kAmountConcentration,
                            Quantity::kMassConcentration};
  try {
    const Quantity q = kind >= 1 && kind <= 5 ? kinds[kind] : Quantity::kNone;
    const int f = figures < 1 ? 1 : figures > 17 ? 17 : figures;
    std::snprintf(buffer, size, "%s",
                  q == Quantity::kNone ? "" : formix::toolkit::QuantityText(value, q, f).c_str());
  } catch (...) {
    buffer[0] = '\0';
  }
  return buffer;
}

FORMIX_API const char* formix_json_string(const char* text) {
  thread_local std::string quoted;
  try {
    quoted.clear();
    formix::toolkit::AppendJsonString(quoted, text != nullptr ? text : "");
  } catch (...) {
    quoted.clear();
  }
  return quoted.c_str();
}

FORMIX_API int formix_is_unit(const char* text) {
  if (text == nullptr) return 0;
  try {
    return formix::toolkit::IsUnit(text) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

FORMIX_API const char* formix_read_charge(const char* text, int* charge) {
  thread_local std::string error;
  error.clear();
  int z = 0;
  try {
    z = formix::toolkit::ReadGivenCharge(text != nullptr ? text : "", &error);
  } catch (...) {
    error = "out of memory";
  }
  if (charge != nullptr) *charge = z;
  return error.c_str();
}

FORMIX_API char* formix_charge_text(int charge, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  try {
    std::snprintf(buffer, size, "%s", formix::toolkit::ChargeText(charge).c_str());
  } catch (...) {
    buffer[0] = '\0';
  }
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
    if (!formix::toolkit::WritePlainReading(*c->context, text, length, out)) return 0;
    return CopyOut(out, buffer, size);
  } catch (...) {
    return 0;
  }
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
