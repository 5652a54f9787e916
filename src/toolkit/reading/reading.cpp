// reading.cpp -- the reading layer.
//
// A formula goes through four steps:
//   1. decoding: the UTF-8 is checked (a NUL byte or an invalid sequence is
//      an error at its offset);
//   2. the charge: an unambiguous charge notation at the end is taken off
//      (SO4^2-, SO4²⁻, SO4(2-), NH4+, OH-, [Fe(CN)6]3-); notations that can
//      mean two things (SO42-, SO4-2, Fe3+) stay as the engine reads them,
//      with a warning naming both readings;
//   3. rewriting to the engine's Windows-1251 notation: middle dots as '*',
//      subscript digits as digits, typographic spaces and dashes as their
//      ASCII forms, a fraction used as a multiplier as its decimal value;
//      characters with no form there are dropped and reported;
//   4. the engine's own stages over the context's tables, followed by a
//      tracing observer, so that every byte it passed over and every number
//      it could have misread is reported at its place in the text as given.
#include "toolkit/reading/reading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "toolkit/reading/hill.h"

#include "formix_limits.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/chain.h"
#include "toolkit/reading/reader.h"

namespace formix::toolkit {

std::map<std::string, double> Reading::CountsByKey() const {
  std::map<std::string, double> out;
  for (const ElementShare& e : elements) {
    out[e.mass_number > 0 ? e.element + "/" + std::to_string(e.mass_number) : e.symbol] += e.atoms;
  }
  return out;
}

int Reading::Worst() const {
  int worst = -1;
  for (const Diagnostic& d : diagnostics) worst = d.severity > worst ? d.severity : worst;
  return worst;
}

namespace reader {

void Reader::Evaluate() {
  // With isotope labels, a copy of the tables holds their symbols (Qa, Qb,
  // ...) at the isotopes' masses.
  std::unique_ptr<refdata::Tables> labelled;
  if (!labels_.empty()) {
    labelled = std::make_unique<refdata::Tables>(context_.tables);
    refdata::Tables& lt = *labelled;
    for (std::size_t k = 0; k < labels_.size(); ++k) {
      if (lt.element_count >= refdata::kMaxElements ||
          refdata::LookupElement(context_.tables, (std::string("Q") + static_cast<char>('a' + k)).c_str(),
                                 2) >= 0) {
        Add(kError, 0, length_, "too-many-labels", "no room in the element table for the isotope labels");
        return;
      }
      const int index = lt.element_count++;
      lt.symbols[index][0] = 'Q';
      lt.symbols[index][1] = static_cast<char>('a' + k);
      lt.symbols[index][2] = '\0';
      lt.masses[index] = labels_[k].mass;
      lt.symbol_list[index] = lt.symbols[index];
    }
    for (int i = 0; i < refdata::kMaxElements; ++i) lt.symbol_list[i] = lt.symbols[i];
    refdata::BuildLookups(lt);
  }
  const refdata::Tables& t = labelled ? *labelled : context_.tables;
  if (lib_.bytes.size() > formula::kMaxTextLength) {
    std::string message = "the formula is " + std::to_string(lib_.bytes.size()) +
                          " bytes long in the engine's notation; at most " +
                          std::to_string(formula::kMaxTextLength) + " fit";
    Diagnostic d{kError, 0, length_, "too-long", "", message, "", "", "", kNaN};
    char library[formula::kMessageSize];
    formula::FormatTooComplex(lib_.bytes.substr(0, formula::kMaxTextLength).c_str(), library);
    d.library_caption = Cp1251ToUtf8(messages::kAnalysisCaption);
    d.library_message = Cp1251ToUtf8(library);
    r_.diagnostics.push_back(d);
    return;
  }
  // Default-initialized, not zeroed (11 kB a reading): every array is
  // written before it is read (origins as each byte is kept, reads from
  // StartEvaluation, symbols and numbers up to their counts).
  trace_.reset(new formula::TraceObserver);
  formula::TraceObserver& trace = *trace_;
  char work[formula::kWorkingTextSize];
  formula::PrepareText(lib_.bytes.c_str(), work, trace);
  if (!formula::ExpandAllGroups(t, work, trace)) {
    char library[formula::kMessageSize];
    formula::FormatTooComplex(trace.too_complex_text, library);
    Diagnostic d{kError,
                 0,
                 length_,
                 "too-complex",
                 "",
                 "the group names expand to more than " + std::to_string(formula::kMaxTextLength) +
                     " bytes, or without end",
                 Cp1251ToUtf8(messages::kAnalysisCaption),
                 Cp1251ToUtf8(library),
                 "",
                 kNaN};
    r_.diagnostics.push_back(d);
    return;
  }
  if (trace.too_complex) {
    char library[formula::kMessageSize];
    formula::FormatTooComplex(trace.too_complex_text, library);
    r_.diagnostics.push_back({kNote, 0, length_, "too-complex", "",
                              "the group names expand to " + std::to_string(formula::kComplexityThreshold) +
                                  " bytes or more; the formula still fits",
                              Cp1251ToUtf8(messages::kAnalysisCaption), Cp1251ToUtf8(library), "", kNaN});
  }
  trace.StartEvaluation();
  double atoms[refdata::kMaxElements];
  double contributions[refdata::kMaxElements] = {};
  const double mass = formula::EvaluateFormula(t, work, atoms, contributions, trace);

  const bool no_symbol = trace.symbol_count == 0;
  if (no_symbol) {
    std::string as_given(text_, length_);
    std::string suggestion = CaseSuggestion(context_, as_given);
    std::string message = lib_.bytes.find_first_not_of(' ') == std::string::npos
                              ? std::string("the formula is empty")
                              : "no element symbol in " + Quote(as_given);
    if (!suggestion.empty()) message += " (did you mean " + Quote(suggestion) + "?)";
    Add(kError, 0, length_, "no-element", message);
  }
  for (std::size_t k = 0; k < trace.symbol_count; ++k) {
    const auto& s = trace.symbols[k];
    const std::size_t from = SpanBegin(s.p), to = SpanEnd(s.q);
    const std::string symbol = Cp1251ToUtf8(work + s.p, s.q - s.p);
    const bool own_bytes = trace.origin_end[s.q - 1] - trace.origin_begin[s.p] == s.q - s.p &&
                           trace.origin_end[s.p] - trace.origin_begin[s.p] == 1;
    if (s.index < 0) {
      char library[formula::kMessageSize];
      formula::FormatUnknownSymbol(work + s.p, s.q - s.p, library);
      std::string message = "unknown element symbol " + Quote(symbol);
      if (!own_bytes) message += " in the formula of the group " + Quote(Source(from, to));
      r_.diagnostics.push_back({kError, from, to - from, "unknown-element", symbol, message,
                                Cp1251ToUtf8(messages::kInputCaption), Cp1251ToUtf8(library), "", kNaN});
    } else if (own_bytes) {
      if (const Abbreviation* a = context_.FindAbbreviation(work + s.p, s.q - s.p)) {
        std::string message = Quote(symbol) + " is read as the element " + a->element +
                              " (\x01u); in many formulas " + symbol + " stands for " + a->meaning;
        std::vector<std::string> others;
        if (!a->formula.empty() && !nested_) {
          others.push_back(Source(0, from) + "(" + a->formula + ")" + Source(to, length_));
          message += ", " + a->formula + ": " + others[0] + " is \x01o";
        }
        message += " (define it in the group file, or write its formula)";
        OtherReading found{kWarning, from, to - from, "abbreviation", std::move(message), "", {}, nullptr};
        pending_.push_back({std::move(found), std::move(others), symbol});
      }
    }
  }
  ReportNumbers(work);
  ReportPassedOver(work, no_symbol);
  ReportBrackets(work);

  Finish(atoms, contributions, mass, t.element_count);
}

// The elements with atoms, in table order, their Hill order, and the Hill
// formulas.
void Reader::Finish(const double* atoms, const double* contributions, double mass, int count) {
  r_.neutral_mass = mass;
  r_.elements.reserve(
      static_cast<std::size_t>(std::count_if(atoms, atoms + count, [](double a) { return a != 0.0; })));
  for (int i = 0; i < count; ++i) {
    if (atoms[i] == 0.0) continue;
    // The quotient the module's PercentOfElement gives.
    const double percent = mass == 0.0 ? 0.0 : contributions[i] / mass * 100.0;
    const int natural = context_.tables.element_count;
    if (i < natural) {
      r_.elements.push_back(
          {i, context_.symbols[static_cast<std::size_t>(i)], atoms[i], contributions[i], percent, "", 0});
    } else {
      const LabelInfo& l = labels_[static_cast<std::size_t>(i - natural)];
      const std::string label = l.element == "H" && l.mass_number == 2 ? "D"
                                : l.element == "H" && l.mass_number == 3
                                    ? "T"
                                    : "[" + std::to_string(l.mass_number) + l.element + "]";
      r_.elements.push_back({i, label, atoms[i], contributions[i], percent, l.element, l.mass_number});
    }
  }
  // Natural elements only: by the context's places; with a label, by
  // the general order.
  int slots[refdata::kMaxElements];
  std::size_t n = 0;
  for (const ElementShare& e : r_.elements) {
    if (e.index < context_.tables.element_count) slots[n++] = e.index;
  }
  r_.hill_order.resize(n);
  if (n != r_.elements.size() || !HillOrderOfSlots(context_, slots, n, r_.hill_order.data())) {
    std::vector<HillEntry> entries;
    entries.reserve(r_.elements.size());
    for (const ElementShare& e : r_.elements) {
      entries.push_back(
          {e.symbol, e.element.empty() ? std::string_view(e.symbol) : std::string_view(e.element)});
    }
    r_.hill_order = HillOrder(entries);
  }
  std::vector<std::pair<std::string, double>> counts;
  counts.reserve(r_.elements.size());
  for (std::size_t i : r_.hill_order) counts.emplace_back(r_.elements[i].symbol, r_.elements[i].atoms);
  FormatHillFormulas(std::move(counts), r_.charge, &r_.hill, &r_.empirical);
}

// A plain formula (see ReadPlain): the reading without the trace, the
// rewrites and the reports, none of which would find anything.
bool Reader::RunPlain() {
  double atoms[refdata::kMaxElements];
  double contributions[refdata::kMaxElements] = {};
  double mass = 0.0;
  if (!EvaluatePlain(context_, text_, length_, atoms, contributions, &mass)) return false;
  r_.text.assign(text_, length_);
  r_.has_value = true;
  r_.molar_mass = mass;
  Finish(atoms, contributions, mass, context_.tables.element_count);
  return true;
}

Reading OverWhole(Reading other, std::vector<Diagnostic> said, std::size_t length, const char* unsaid) {
  for (Diagnostic& d : other.diagnostics) {
    if (d.code == unsaid) continue;
    d.offset = 0;  // its places are the other text's
    d.length = length;
    said.push_back(std::move(d));
  }
  other.diagnostics = std::move(said);
  return other;
}

// A whole text that is no formula in the engine's notation: a structure
// (an error: no number) or a deuterated solvent by name (read as its
// formula, `named_`).  Returns whether the reading is done.
bool Reader::Pasted() {
  if (nested_) return false;
  std::string code, message;
  // PCC, NCCN: an acronym of the list before a structure.
  const Abbreviation* acronym = context_.AcronymAt(text_, length_);
  if ((acronym == nullptr || acronym->symbol.size() != length_) &&
      StructureNotation(text_, length_, &code, &message)) {
    Add(kError, 0, length_, code.c_str(), message);
    return true;
  }
  std::string base, name;
  int count = 0;
  if (!DeuteratedName(context_, text_, length_, &base, &name, &count)) return false;
  const Reading b = Reader(context_, base.data(), base.size(), true).Run(false);
  if (!b.has_value || b.charge != 0) return false;
  std::string formula;
  double hydrogens = 0.0;
  for (std::size_t i : b.hill_order) {
    const ElementShare& e = b.elements[i];
    if (e.symbol == "H") hydrogens = e.atoms;
  }
  const std::string as_written = Source(0, length_);
  if (hydrogens < count) {
    Add(kError, 0, length_, "deuterated",
        Quote(as_written) + " replaces " + std::to_string(count) + " hydrogens by deuterium, but " + name +
            ", " + base + ", has " + ShortestText(hydrogens));
    return true;
  }
  for (std::size_t i : b.hill_order) {
    const ElementShare& e = b.elements[i];
    const double n = e.symbol == "H" ? e.atoms - count : e.atoms;
    if (n > 0) formula += e.symbol + (n == 1 ? std::string() : ShortestText(n));
    if (e.symbol == "H") formula += "D" + (count == 1 ? std::string() : std::to_string(count));
  }
  std::vector<Diagnostic> said{
      {kNote, 0, length_, "deuterated", "",
       Quote(as_written) + " read as " + formula + ": " + name + ", " + base + ", with " +
           (count == hydrogens
                ? (count == 1 ? std::string("its hydrogen")
                              : "all its " + std::to_string(count) + " hydrogens")
                : std::to_string(count) + " of its " + ShortestText(hydrogens) + " hydrogens") +
           " as deuterium",
       "", "", "", kNaN}};
  // The D labels are said by the note.
  r_ = OverWhole(Reader(context_, formula.data(), formula.size(), true).Run(false), std::move(said), length_,
                 "isotope-label");
  named_ = true;
  return true;
}

Reading Reader::Run(bool shortcut) {
  if (shortcut && RunPlain()) return std::move(r_);
  r_.molar_mass = kNaN;
  if (length_ > FORMIX_MAX_TEXT) {
    // No formula: refused before any work that grows with it.
    Add(kError, 0, length_, "too-long",
        "the text is " + std::to_string(length_) + " bytes long; a formula is read up to " +
            std::to_string(FORMIX_MAX_TEXT) + " bytes (at most " + std::to_string(formula::kMaxTextLength) +
            " in the engine's notation)");
  } else if (Decode() && !Pasted()) {
    ChargeFound charge = FindCharge(chars_, text_);
    Rewrite(charge);
    FindOtherReadings(charge);
    r_.text = Cp1251ToUtf8(lib_.bytes.c_str(), lib_.bytes.size());
    if (r_.Worst() < kError) Evaluate();
  }
  if (named_) return std::move(r_);
  if (nested_) pending_.clear();
  ResolveOtherReadings();
  if (!nested_) SubstituteCompounds();
  if (r_.Worst() < kError) CheckNumber();
  if (r_.Worst() < kError) ReportLabelWords();
  r_.has_value = r_.Worst() < kError;
  if (r_.has_value) {
    r_.molar_mass = r_.charge == 0 ? r_.neutral_mass : r_.neutral_mass - r_.charge * kElectronMolarMass;
  } else {
    r_.elements.clear();
    r_.hill_order.clear();
    r_.hill.clear();
    r_.empirical.clear();
  }
  return std::move(r_);
}

}  // namespace reader

namespace {

// The parts after a sequence, a salt's or solvate's (·2TFA, *2HCl,
// ·xAcOH): the text the reader reads, a compound of the abbreviation list
// as its formula (TFA: C2HF3O2, with a note), each part whose count is not
// known (x, n) left out and warned about at its place.
std::string SaltParts(const Context& context, const char* text, std::size_t from, std::size_t length,
                      std::vector<Diagnostic>* said) {
  std::string kept;
  std::size_t at = from;
  while (at < length) {
    const std::size_t mark = text[at] == '*' || text[at] == '.' ? 1 : 2;  // '·' is two bytes
    std::size_t end = at + mark;
    while (end < length && text[end] != '*' && text[end] != '.' &&
           !(text[end] == '\xC2' && end + 1 < length && text[end + 1] == '\xB7')) {
      ++end;
    }
    const std::size_t part = at + mark;
    if (end - part >= 2 && (text[part] == 'x' || text[part] == 'n') && bytes::IsCapital(text[part + 1])) {
      const std::string name(text + part + 1, end - part - 1);
      said->push_back({kWarning, at, end - at, "unknown-count", "",
                       "the count '" + std::string(1, text[part]) + "' of " + name +
                           " is not known: the molar mass is of the rest without it (give its count, as "
                           "from the certificate of analysis)",
                       "", "", "", reader::kNaN});
    } else {
      std::size_t name = part;
      while (name < end && bytes::IsDigit(text[name])) ++name;
      const Abbreviation* a = context.AcronymAt(text + name, end - name);
      if (a != nullptr && a->symbol.size() == end - name && a->compound && !a->formula.empty()) {
        said->push_back(
            {kNote, name, end - name, "abbreviation", "",
             "'" + a->symbol + "' read as " + a->formula + ", " + a->meaning + " (the abbreviation list)", "",
             "", "", reader::kNaN});
        kept += "*" + std::string(text + part, name - part) + "(" + a->formula + ")";
      } else {
        kept.append(text + at, end - at);
      }
    }
    at = end;
  }
  return kept;
}

// "peptide(SEQ)", "dna(SEQ)", "rna(SEQ)": the chain's formula read, every
// diagnostic of it over the whole text, and a note saying what was read;
// a salt's or solvate's parts may follow it (peptide(SEQ)·2TFA).
Reading ReadSequence(const Context& context, const char* text, std::size_t length, std::size_t open,
                     const std::string& kind) {
  Reading r;
  r.molar_mass = reader::kNaN;
  const char* closing = static_cast<const char*>(std::memchr(text + open, ')', length - open));
  const std::size_t close = closing == nullptr ? length : static_cast<std::size_t>(closing - text);
  const bool parts =
      close + 1 < length && (text[close + 1] == '*' || text[close + 1] == '.' ||
                             (text[close + 1] == '\xC2' && close + 2 < length && text[close + 2] == '\xB7'));
  if (closing == nullptr || (close + 1 < length && !parts)) {
    r.diagnostics.push_back(
        {kError, closing != nullptr ? 0 : open - 1, closing != nullptr ? length : 1, "sequence", "",
         closing != nullptr
             ? std::string(text, open) + "...) may be followed only by the parts of a salt or solvate (" +
                   std::string(text, open) + "...)\xC2\xB7" + "2TFA); for an ion give an adduct or a charge"
             : "the '(' of the sequence is not closed",
         "", "", "", reader::kNaN});
    return r;
  }
  const Chain chain = ReadChain(context, kind, text + open, close - open, ChainOptions());
  if (!chain.error.empty()) {
    r.diagnostics.push_back({kError, chain.error_length == 0 ? 0 : open + chain.error_offset,
                             chain.error_length == 0 ? length : chain.error_length, "sequence", "",
                             chain.error, "", "", "", reader::kNaN});
    return r;
  }
  std::vector<Diagnostic> said = {{kNote, 0, length, "sequence", "",
                                   "read " + std::string(text, open - 1) + " " + ChainText(chain) + " as " +
                                       chain.formula + " (" + std::to_string(chain.residues) +
                                       (chain.residues == 1 ? " residue)" : " residues)"),
                                   "", "", "", reader::kNaN}};
  for (const std::string& note : chain.notes)
    said.push_back({kNote, 0, length, "sequence", "", note, "", "", "", reader::kNaN});
  std::string formula = chain.formula + (parts ? SaltParts(context, text, close + 1, length, &said) : "");
  if (chain.charge_state != 0) {
    // ProForma's "/2": the ion [M+2H]2+, its protons added and charged.
    if (parts) {
      r.diagnostics.push_back(
          {kError, close + 1, length - close - 1, "sequence", "",
           "a charged chain (/" + std::to_string(chain.charge_state) + ") takes no salt's parts", "", "", "",
           reader::kNaN});
      return r;
    }
    std::vector<std::pair<std::string, double>> counts;
    const std::string why = ProtonatedCounts(chain, chain.charge_state, &counts);
    if (!why.empty()) {
      r.diagnostics.push_back({kError, 0, length, "sequence", "", why, "", "", "", reader::kNaN});
      return r;
    }
    formula = HillFormula(counts, chain.charge_state, false);
    said[0].message += "; the ion of charge state /" + std::to_string(chain.charge_state) + ", " + formula;
  }
  return reader::OverWhole(Read(context, formula.data(), formula.size()), said, length);
}

}  // namespace

namespace {

bool IsChainText(const std::string& formula) {
  std::string kind;
  return SequenceNotation(formula.data(), formula.size(), &kind) != 0;
}

// Refused when read with an error or a warning, or charged.
std::string ReadListFormula(const Context& c, const std::string& formula,
                            std::map<std::string, double>* counts) {
  if (formula.empty()) return "";
  const Reading r = Read(c, formula.data(), formula.size());
  for (const Diagnostic& d : r.diagnostics) {
    if (d.severity >= kWarning) return "the formula '" + formula + "': " + d.message;
  }
  if (r.charge != 0) return "the formula '" + formula + "' is charged: the charge is its own field";
  *counts = r.CountsByKey();
  return "";
}

}  // namespace

std::unique_ptr<Context> MakeContext(const char* masses, const char* groups, int* status, const char* lists) {
  return LoadContext(masses, groups, lists, {IsChainText, ReadListFormula}, status);
}

Reading Read(const Context& context, const char* text, std::size_t length) {
  std::string kind;
  if (const std::size_t open = SequenceNotation(text, length, &kind)) {
    return ReadSequence(context, text, length, open, kind);
  }
  return reader::Reader(context, text, length).Run();
}

Reading ReadInFull(const Context& context, const char* text, std::size_t length) {
  std::string kind;
  if (const std::size_t open = SequenceNotation(text, length, &kind)) {
    return ReadSequence(context, text, length, open, kind);
  }
  return reader::Reader(context, text, length).Run(false);
}

}  // namespace formix::toolkit
