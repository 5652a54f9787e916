// documents.cpp -- see documents.h.  Members appear in the order the
// schema lists them; a member that does not apply is absent, a number that
// does not exist is null.
#include "toolkit/api/documents.h"

#include <charconv>
#include <cmath>
#include <string>

#include "formix_limits.h"

namespace formix::toolkit {
namespace {

const char* SeverityName(int severity) {
  return severity == kError ? "error" : severity == kWarning ? "warning" : "note";
}

}  // namespace

bool ShowsNumber(const Reading& reading, unsigned parts) {
  if (!reading.has_value) return false;
  return (parts & kReadingStrict) == 0 || reading.Worst() < kWarning;
}

bool WritePlainReading(const Context& context, const char* text, std::size_t length, std::string& out) {
  PlainFormula plain;
  if (!ReadPlainFormula(context, text, length, &plain)) return false;
  // A plain formula is ASCII letters, digits, brackets and '*': nothing
  // to escape.
  out += "{\"formula\":\"";
  out.append(text, length);
  out += "\",\"molar_mass\":";
  AppendJsonNumber(out, plain.molar_mass);
  out += ",\"hill\":\"";
  for (std::size_t k = 0; k < plain.elements; ++k) {
    out += context.symbols[static_cast<std::size_t>(plain.slot[k])];  // ASCII: a plain formula's symbols
    if (plain.count[k] != 1) {
      char digits[24];
      out.append(digits, std::to_chars(digits, digits + sizeof digits, plain.count[k]).ptr);
    }
  }
  out += "\",\"diagnostics\":[]}";
  return true;
}

void WriteDiagnostics(JsonWriter& json, const Reading& reading) {
  json.Key("diagnostics").Open('[');
  for (const Diagnostic& d : reading.diagnostics) {
    json.Open('{').Key("severity").String(SeverityName(d.severity)).Key("code").String(d.code);
    json.Key("offset").Integer(static_cast<long long>(d.offset));
    json.Key("length").Integer(static_cast<long long>(d.length)).Key("message").String(d.message);
    if (!d.symbol.empty()) json.Key("symbol").String(d.symbol);
    if (!d.library_message.empty()) {
      json.Key("library_caption").String(d.library_caption).Key("library_message").String(d.library_message);
    }
    if (!d.other.empty()) json.Key("other").String(d.other).Key("other_molar_mass").Number(d.other_mass);
    json.Close();
  }
  json.Close();
}

// What reading a result's quantities did, as "notes" (absent when none).
void WriteNotes(JsonWriter& json, const std::vector<std::string>& notes) {
  if (notes.empty()) return;
  json.Key("notes").Open('[');
  for (const std::string& n : notes) json.String(n);
  json.Close();
}

// A text refused for its length, quoted by its start: a document (a SQL
// column, a log line) never echoes a hundred megabytes.
std::string Excerpt(std::string_view text) {
  std::size_t n = 60;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // a whole character
  return std::string(text.substr(0, n)) + "... (" + std::to_string(text.size()) + " bytes)";
}

void WriteReading(JsonWriter& json, const Reading& reading, std::string_view formula, unsigned parts) {
  const bool shows = ShowsNumber(reading, parts);
  if (formula.size() > FORMIX_MAX_TEXT && !reading.has_value) {
    json.Open('{').Key("formula").String(Excerpt(formula));
  } else {
    json.Open('{').Key("formula").String(formula);
  }
  if ((parts & kReadingText) != 0) json.Key("text").String(reading.text);
  json.Key("molar_mass");
  if (shows) {
    json.Number(reading.molar_mass);
  } else {
    json.Null();
  }
  if (reading.charge != 0) json.Key("charge").Integer(reading.charge);
  if (shows) json.Key("hill").String(reading.hill);
  if ((parts & kReadingElements) != 0) {
    if (shows && !reading.empirical.empty()) json.Key("empirical").String(reading.empirical);
    if (shows) json.Key("dbe").Number(ReadingDbe(reading));  // null: none
    json.Key("elements").Open('[');
    if (shows) {
      for (std::size_t i : reading.hill_order) {
        const ElementShare& e = reading.elements[i];
        json.Open('{').Key("symbol").String(e.symbol).Key("atoms").Number(e.atoms);
        json.Key("mass").Number(e.mass).Key("percent").Number(e.percent).Close();
      }
    }
    json.Close();
  }
  WriteDiagnostics(json, reading);
  json.Close();
}

void WriteAnalysis(JsonWriter& json, const ElementalAnalysis& a) {
  json.Open('{');
  if (!a.error.empty()) {
    json.Key("error").String(a.error).Close();
    return;
  }
  json.Key("tolerance").Number(a.tolerance).Key("elements").Open('[');
  for (std::size_t i = 0; i < a.elements.size(); ++i) {
    json.Open('{').Key("symbol").String(a.elements[i]).Key("calcd").Number(a.calcd[i]);
    if (!std::isnan(a.found[i])) {
      json.Key("found").Number(a.found[i]).Key("difference").Number(a.found[i] - a.calcd[i]);
    }
    json.Close();
  }
  json.Close().Key("calcd_line").String(a.calcd_line);
  if (!a.found_line.empty()) json.Key("found_line").String(a.found_line).Key("within").Bool(a.within);
  json.Key("fits").Open('[');
  for (const SolvateFit& f : a.fits) {
    json.Open('{').Key("label").String(f.label).Key("worst").Number(f.worst).Key("calcd").Open('[');
    for (double c : f.calcd) json.Number(c);
    json.Close().Key("calcd_line").String(f.calcd_line).Close();
  }
  json.Close().Close();
}

void WriteRatios(JsonWriter& json, const RatioAnalysis& r) {
  json.Open('{');
  if (!r.error.empty()) {
    json.Key("error").String(r.error).Close();
    return;
  }
  json.Key("species").Open('[');
  for (std::size_t i = 0; i < r.species.size(); ++i) {
    const double whole = i < r.whole.size() ? static_cast<double>(r.whole[i]) : 0.0;
    json.Open('{').Key("species").String(r.species[i]).Key("fraction").Number(r.fractions[i]);
    json.Key("ratio").Number(r.ratios[i]).Key("whole").Integer(static_cast<long long>(whole));
    json.Key("deviation").Number(r.multiplier * r.ratios[i] - whole).Close();
  }
  json.Close().Key("multiplier").Integer(r.multiplier).Key("formula").String(r.nearest);
  json.Key("candidates").Open('[');
  for (const FormulaCandidate& c : r.candidates) {
    json.Open('{').Key("formula").String(c.formula).Key("molar_mass").Number(c.molar_mass);
    json.Key("worst").Number(c.worst).Key("calcd_line").String(c.calcd_line).Close();
  }
  json.Close().Key("warnings").Open('[');
  for (const std::string& w : r.warnings) json.String(w);
  json.Close().Close();
}

// The object of a result that could not be calculated: the formula, why,
// and its reading's diagnostics.  False (nothing written) when `error` is "".
bool WriteFailure(JsonWriter& json, std::string_view formula, const std::string& error,
                  const Reading& reading) {
  if (error.empty()) return false;
  json.Open('{').Key("formula").String(formula).Key("error").String(error);
  WriteDiagnostics(json, reading);
  json.Close();
  return true;
}

void WriteExact(JsonWriter& json, const ExactMasses& x, const Reading& reading, std::string_view formula,
                const FoundComparison* found) {
  if (WriteFailure(json, formula, x.error, reading)) return;
  json.Open('{').Key("formula").String(formula);
  json.Key("hill").String(reading.hill).Key("monoisotopic_mass").Number(x.monoisotopic);
  json.Key("nominal_mass").Number(x.nominal).Key("average_molar_mass").Number(reading.molar_mass);
  json.Key("dbe").Number(ReadingDbe(reading));
  if (x.charge != 0) json.Key("charge").Integer(x.charge).Key("mz").Number(x.mz);
  json.Key("ions").Open('[');
  for (std::size_t i = 0; i < x.adducts.size(); ++i) {
    const AdductIon& ion = x.adducts[i];
    json.Open('{').Key("adduct").String(ion.name).Key("formula").String(ion.formula);
    json.Key("charge").Integer(ion.charge).Key("possible").Bool(ion.possible).Key("mz").Number(ion.mz);
    if (found != nullptr) {
      json.Key("error_ppm").Number(found->adducts[i].ppm).Key("error_mda").Number(found->adducts[i].mda);
      if (ion.possible) json.Key("hrms").String(HrmsLine(found->source, ion, found->found));
    }
    json.Close();
  }
  json.Close();
  if (found != nullptr && !found->hrms.empty()) json.Key("hrms").String(found->hrms);
  WriteDiagnostics(json, reading);
  json.Close();
}

void WritePattern(JsonWriter& json, const Pattern& p, const Reading& reading, std::string_view formula,
                  double threshold, double resolving_power, bool fine) {
  if (WriteFailure(json, formula, p.error, reading)) return;
  json.Open('{').Key("formula").String(formula);
  json.Key("hill").String(reading.hill).Key("resolving_power").Number(resolving_power);
  json.Key("threshold").Number(threshold).Key("pruned").Number(p.pruned);
  if (!p.warning.empty()) json.Key("warning").String(p.warning);
  json.Key("most_abundant_mz").Number(p.most_abundant);
  json.Key(fine ? "isotopologues" : "peaks").Open('[');
  for (const Peak& peak : fine ? p.fine : p.peaks) {
    json.Open('{').Key("mz").Number(peak.mass).Key("intensity").Number(peak.abundance).Close();
  }
  json.Close();
  WriteDiagnostics(json, reading);
  json.Close();
}

void WriteReaction(JsonWriter& json, const Reaction& r, std::string_view equation, bool amounts) {
  json.Open('{');
  if (!r.error.empty()) {
    // The readings of the participants say why a formula cannot be read.
    json.Key("equation").String(equation).Key("error").String(r.error).Key("participants").Open('[');
    for (const Participant& p : r.participants) {
      json.Open('{').Key("formula").String(p.formula);
      WriteDiagnostics(json, p.reading);
      json.Close();
    }
    json.Close().Close();
    return;
  }
  json.Key("equation").String(r.balanced);
  WriteNotes(json, r.notes);
  json.Key("participants").Open('[');
  for (std::size_t i = 0; i < r.participants.size(); ++i) {
    const Participant& p = r.participants[i];
    const bool limiting = static_cast<int>(i) == r.limiting;
    json.Open('{').Key("side").String(p.side != 0 ? "product" : "reactant");
    json.Key("coefficient").Number(p.coefficient).Key("formula").String(p.formula);
    json.Key("hill").String(p.reading.hill).Key("molar_mass").Number(p.reading.molar_mass);
    if (amounts) {
      // Each amount also as the bench table writes it (three figures in
      // the unit of its size), so that every front prints the same.
      json.Key("moles").Number(p.moles).Key("mass").Number(p.mass);  // null where unknown
      json.Key("amount_text").String(QuantityText(p.moles, Quantity::kAmount, kBenchFigures));
      json.Key("mass_text").String(QuantityText(p.mass, Quantity::kMass, kBenchFigures));
      if (std::isfinite(p.equiv)) json.Key("equiv").Number(p.equiv);
      if (std::isfinite(p.volume)) {
        json.Key("volume").Number(p.volume);
        json.Key("volume_text").String(QuantityText(p.volume / 1000.0, Quantity::kVolume, kBenchFigures));
      }
      if (std::isfinite(p.excess) && !limiting) {
        json.Key("excess_moles").Number(p.excess);
        json.Key("excess_text").String(QuantityText(p.excess, Quantity::kAmount, kBenchFigures));
      }
      json.Key("given").Bool(p.given);
      if (limiting) json.Key("limiting").Bool(true);
    }
    WriteDiagnostics(json, p.reading);  // a warning flags its numbers wherever they are shown
    json.Close();
  }
  json.Close().Close();
}

void WriteSolution(JsonWriter& json, const Solution& s, const Reading& reading) {
  if (WriteFailure(json, s.formula, s.error, reading)) return;
  json.Open('{').Key("formula").String(s.formula).Key("hill").String(reading.hill);
  json.Key("solved").String(s.solved).Key("molar_mass").Number(s.molar_mass);
  json.Key("mass").Number(s.mass).Key("pure_mass").Number(s.pure_mass).Key("purity").Number(s.purity);
  json.Key("conc").Number(s.conc).Key("mass_conc").Number(s.mass_conc).Key("volume").Number(s.volume);
  json.Key("density").Number(s.density).Key("liquid_volume").Number(s.liquid_volume);
  json.Key("solvent").String(s.solvent).Key("line").String(s.line);
  WriteNotes(json, s.notes);
  WriteDiagnostics(json, reading);
  json.Close();
}

void WriteDilution(JsonWriter& json, const Dilution& x, const Reading& reading) {
  if (WriteFailure(json, x.formula, x.error, reading)) return;
  json.Open('{').Key("formula").String(x.formula).Key("molar_mass").Number(x.molar_mass);
  json.Key("stock").Number(x.stock).Key("stock_mass_conc").Number(x.stock_mass_conc);
  json.Key("density").Number(x.density);
  json.Key("conc").Number(x.conc).Key("mass_conc").Number(x.mass_conc).Key("volume").Number(x.volume);
  json.Key("stock_volume").Number(x.stock_volume).Key("solvent_volume").Number(x.solvent_volume);
  json.Key("solvent").String(x.solvent).Key("line").String(x.line);
  WriteNotes(json, x.notes);
  WriteDiagnostics(json, reading);
  json.Close();
}

void WriteSequence(JsonWriter& json, const ChainMasses& m) {
  const Chain& c = m.chain;
  json.Open('{').Key("kind").String(c.kind);
  if (!m.error.empty()) {
    json.Key("error").String(m.error);
    if (!c.error.empty())
      json.Key("offset")
          .Integer(static_cast<long long>(c.error_offset))
          .Key("length")
          .Integer(static_cast<long long>(c.error_length));
    json.Close();
    return;
  }
  json.Key("sequence")
      .String(c.sequence)
      .Key("text")
      .String(m.text)
      .Key("residues")
      .Integer(static_cast<long long>(c.residues));
  const bool protein = c.kind == "protein";
  json.Key(protein ? "n_terminus" : "five_prime").String(c.five_end);
  json.Key(protein ? "c_terminus" : "three_prime").String(c.three_end);
  if (protein)
    json.Key("disulfides").Integer(c.disulfides).Key("chains").Integer(static_cast<long long>(c.chains));
  json.Key("hill").String(c.formula).Key("molar_mass").Number(m.reading.molar_mass);
  json.Key("monoisotopic_mass").Number(m.monoisotopic);
  if (!m.ion.empty()) {
    json.Key("ion").String(m.ion).Key("ion_formula").String(m.ion_formula);
    json.Key("charge").Integer(m.charge).Key("mz").Number(m.mz);
  }
  WriteNotes(json, c.notes);
  json.Close();
}

void WriteContext(JsonWriter& json, const Context& context, int part) {
  json.Open('{');
  if (part == kContextElements) {
    json.Key("file").String(context.masses_file).Key("elements").Open('[');
    for (std::size_t i = 0; i < context.symbols.size(); ++i) {
      json.Open('{').Key("index").Integer(static_cast<long long>(i)).Key("symbol").String(context.symbols[i]);
      json.Key("mass").Number(context.tables.masses[i]).Close();
    }
    json.Close();
  } else if (part == kContextGroups) {
    json.Key("file").String(context.groups_file).Key("groups").Open('[');
    for (std::size_t i = 0; i < context.group_names.size(); ++i) {
      // A group's molar mass is that of its name read as a formula.
      const std::string& name = context.group_names[i];
      const Reading r = Read(context, name.data(), name.size());
      json.Open('{').Key("name").String(name).Key("formula").String(context.group_formulas[i]);
      json.Key("molar_mass");
      if (r.has_value) {
        json.Number(r.molar_mass);
      } else {
        json.Null();
      }
      json.Close();
    }
    json.Close();
  } else {
    json.Key("masses").String(context.masses_file).Key("groups").String(context.groups_file);
    for (const auto& [name, path] : context.list_files) json.Key(name.c_str()).String(path);
  }
  json.Close();
}

void WriteFind(JsonWriter& json, const FindResult& r, const FindQuery& q) {
  if (!r.error.empty()) {
    json.Open('{').Key("mz").Number(q.mz).Key("error").String(r.error).Close();
    return;
  }
  json.Open('{').Key("mz").Number(q.mz);
  if (!q.adduct.empty()) json.Key("adduct").String(q.adduct);
  if (r.charge != 0) json.Key("charge").Integer(r.charge);
  if (std::isnan(q.mda)) {
    json.Key("ppm").Number(q.ppm);
  } else {
    json.Key("mda").Number(q.mda);
  }
  json.Key("window").Open('[').Number(r.low).Number(r.high).Close();
  json.Key("elements").Open('[');
  for (const ElementRange& e : r.ranges) {
    json.Open('{').Key("symbol").String(e.symbol).Key("mass").Number(e.mass);
    json.Key("least").Integer(e.least).Key("most").Integer(e.most).Close();
  }
  json.Close().Key("rules").Bool(q.rules).Key("ratios").String(RatioSetName(q.ratios));
  json.Key("element_limits").String(ElementLimitsName(q.element_limits)).Key("hnops").Bool(q.hnops);
  json.Key("radical").Bool(q.radical);
  json.Key("within").Integer(static_cast<long long>(r.within));
  json.Key("passed").Integer(static_cast<long long>(r.passed));
  json.Key("unlisted").Integer(static_cast<long long>(r.unlisted));
  json.Key("complete").Bool(r.complete).Key("removed").Open('{');
  for (const auto& [rule, n] : r.removed) json.Key(rule.c_str()).Integer(static_cast<long long>(n));
  json.Close().Key("candidates").Open('[');
  for (const FindCandidate& c : r.candidates) {
    json.Open('{').Key("formula").String(c.formula).Key("hill").String(c.hill);
    json.Key("monoisotopic_mass").Number(c.monoisotopic).Key("mz").Number(c.mz);
    json.Key("ppm").Number(c.ppm).Key("error_mda").Number(c.mda).Key("dbe").Number(c.dbe);
    json.Key("rules").Open('[');
    for (const std::string& rule : c.rules) json.String(rule);
    json.Close();
    if (!c.broken.empty()) json.Key("broken").String(c.broken);
    if (c.score >= 0) json.Key("score").Number(c.score);
    if (!c.hrms.empty()) json.Key("hrms").String(c.hrms);
    json.Close();
  }
  json.Close();
  if (!r.hrms.empty()) json.Key("hrms").String(r.hrms).Key("chosen").String(r.chosen);
  if (r.given != 0) json.Key("given").Integer(static_cast<long long>(r.given));
  if (!r.warning.empty()) json.Key("warning").String(r.warning);
  if (!r.note.empty()) json.Key("note").String(r.note);
  json.Close();
}

}  // namespace formix::toolkit
