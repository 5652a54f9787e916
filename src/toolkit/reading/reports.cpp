// reports.cpp -- what the engine's trace shows about the text: bytes
// passed over, numbers that may be misread, brackets; the checks on the
// number; and the other readings of the text, said with both molar masses.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "formix_limits.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/hill.h"
#include "toolkit/reading/reader.h"

namespace formix::toolkit::reader {

std::string PassedOverReason(const std::string& run) {
  bool lower = true, digits = true;
  for (char c : run) {
    lower = lower && IsSmall(c);
    digits = digits && (IsDigit(c) || c == '.');
  }
  if (lower) return " is passed over: an element symbol starts with a capital letter";
  if (digits) {
    return " is passed over: a number counts only at the start, after an element symbol, after a "
           "closing bracket or after '*'";
  }
  if (run == "*") return " at the start is passed over";
  if (run == "+") return " is passed over: a formula is one species (for a reaction use 'formix react')";
  return " is passed over: it has no meaning in a formula";
}

void Reader::ReportPassedOver(const char* work, bool no_symbol) {
  const std::size_t n = std::strlen(work);
  for (std::size_t i = 0; i < n;) {
    const char c = work[i];
    if (trace_->read[i] || c == '-' || c == '=' || (i < zero_dots_.size() && zero_dots_[i]) ||
        Covered(SpanBegin(i))) {
      ++i;
      continue;
    }
    // One run: unread bytes next to each other in the text as given.
    std::size_t j = i + 1;
    while (j < n && !trace_->read[j] && work[j] != '-' && work[j] != '=' &&
           SpanBegin(j) == SpanEnd(j) &&  // byte j follows byte j - 1
           !Covered(SpanBegin(j)) && !(j < zero_dots_.size() && zero_dots_[j])) {
      ++j;
    }
    if (!no_symbol) {
      const std::size_t from = SpanBegin(i), to = SpanEnd(j);
      std::string run = Source(from, to);
      std::string message = Quote(run) + PassedOverReason(std::string(work + i, j - i));
      std::string suggestion = CaseSuggestion(context_, run);
      if (!suggestion.empty()) message += " (did you mean " + Quote(suggestion) + "?)";
      Add(kWarning, from, to - from, "ignored", message);
    }
    i = j;
  }
}

void Reader::ReportNumbers(const char* work) {
  for (std::size_t k = 0; k < trace_->number_count; ++k) {
    const std::size_t p = trace_->numbers[k];
    const std::size_t q = static_cast<std::size_t>(UnsignedDecimalEnd(work + p) - work);
    const double value = formula::ReadNumber(work + p);
    const std::size_t from = SpanBegin(p);
    if (Covered(from)) continue;
    if (q == p) {  // a lone '.': the number 0
      zero_dots_.resize(std::strlen(work) + 1, false);
      zero_dots_[p] = true;
      Add(kWarning, from, SpanEnd(p + 1) - from, "zero-multiplier",
          "the '.' at byte " + std::to_string(from) +
              " is read as the number 0: what it follows counts nothing");
      continue;
    }
    const std::size_t to = SpanEnd(q);
    const std::string number = Source(from, to);
    if (value == 0.0) {
      Add(kWarning, from, to - from, "zero-multiplier",
          Quote(number) + " is a factor of zero: what it follows counts nothing");
    }
    // Every byte of the number from the formula itself, not from a group.
    bool own = true;
    for (std::size_t i = p; i < q; ++i) own = own && trace_->origin_end[i] - trace_->origin_begin[i] == 1;
    if (!own) continue;
    for (std::size_t i = p; i + 1 < q; ++i) {
      if (trace_->origin_begin[i + 1] == trace_->origin_end[i] || Covered(SpanBegin(i + 1))) continue;
      const std::string between = Source(SpanEnd(i + 1), SpanBegin(i + 1));
      const bool space = between.find_first_not_of(' ') == std::string::npos;
      std::string message = Quote(number) + " is read as the one number " + std::string(work + p, q - p) +
                            ": the " + (space ? std::string("space") : Quote(between)) +
                            " between the digits is ignored";
      if (space) {
        // What follows the digits decides the advice: a formula (a hydrate),
        // or a sign at the end (PO4 3-: an ion); else none.
        const std::string head = Source(0, SpanEnd(i + 1)), rest = Source(SpanBegin(i + 1), length_);
        std::size_t d = 0;
        while (d < rest.size() && IsDigit(rest[d])) ++d;
        std::size_t end = rest.size();
        while (end > d && rest[end - 1] == ' ') --end;
        if (d < rest.size() && (IsCapital(rest[d]) || IsOpening(rest[d]))) {
          message += "; for a hydrate write " + head + "*" + rest;
        } else if (end == d + 1 && (rest[d] == '+' || rest[d] == '-')) {
          message += "; for the ion write " + head + "^" + rest.substr(0, end);
        }
      }
      Add(kWarning, from, to - from, "joined-digits", message);
      break;
    }
    const char* e = static_cast<const char*>(std::memchr(work + p, 'e', q - p));
    if (e == nullptr) e = static_cast<const char*>(std::memchr(work + p, 'E', q - p));
    if (e != nullptr) {
      Add(kWarning, from, to - from, "exponent",
          Quote(number) + " is read as a number with an exponent, " + std::to_string(value));
    }
  }
}

void Reader::ReportBrackets(const char* work) {
  std::vector<std::size_t> open;
  for (std::size_t i = 0; work[i] != '\0'; ++i) {
    if (!trace_->read[i]) continue;
    if (IsOpening(work[i])) {
      open.push_back(i);
    } else if (IsClosing(work[i])) {
      if (open.empty()) {
        Add(kWarning, SpanBegin(i), SpanEnd(i + 1) - SpanBegin(i), "unbalanced-brackets",
            Quote(std::string(1, work[i])) +
                " closes no bracket: everything before it is multiplied by the number after it");
      } else {
        open.pop_back();
      }
    } else if (work[i] == '*') {
      std::size_t q = i + 1;
      if (IsDigit(work[q]) || work[q] == '.')
        q = static_cast<std::size_t>(UnsignedDecimalEnd(work + q) - work);
      if (work[q] == '\0' || work[q] == '*' || IsClosing(work[q])) {
        const std::size_t from = SpanBegin(i), to = q > i + 1 ? SpanEnd(q) : SpanEnd(i + 1);
        Add(kWarning, from, to - from, "empty-part",
            q > i + 1
                ? "the multiplier " + Quote(Source(SpanBegin(i + 1), SpanEnd(q))) + " has nothing to multiply"
                : "the part after " + Quote(Source(from, SpanEnd(i + 1))) + " is empty");
      }
    }
  }
  for (std::size_t i : open) {
    Add(kWarning, SpanBegin(i), SpanEnd(i + 1) - SpanBegin(i), "unbalanced-brackets",
        Quote(std::string(1, work[i])) + " is never closed");
  }
}

// Takes back the diagnostics of `code` that start in bytes [from, to).
void Reader::Unsay(const char* code, std::size_t from, std::size_t to) {
  r_.diagnostics.erase(std::remove_if(r_.diagnostics.begin(), r_.diagnostics.end(),
                                      [&](const Diagnostic& d) {
                                        return d.code == code && from <= d.offset && d.offset < to;
                                      }),
                       r_.diagnostics.end());
}

// No number from masses the data file does not give as positive numbers,
// and none that is not finite.
void Reader::CheckNumber() {
  for (const ElementShare& e : r_.elements) {
    const auto i = static_cast<std::size_t>(e.index);
    if (i < context_.unusable_masses.size() && context_.unusable_masses[i]) {
      Add(kError, 0, length_, "unusable-mass",
          "the mass of " + e.symbol + " in " + context_.masses_file + " is no positive number", e.symbol);
    }
  }
  if (r_.Worst() < kError && !std::isfinite(r_.neutral_mass - r_.charge * kElectronMolarMass)) {
    Add(kError, 0, length_, "not-finite",
        "the molar mass is too large for a number (more than 1.8e308 g/mol)");
  }
}

// The molar mass of another reading of the text (NaN: none).
double Reader::OtherMass(const std::string& text) const {
  if (text.empty()) return kNaN;
  Reading other = Reader(context_, text.data(), text.size(), true).Run(true);
  return other.has_value ? other.molar_mass : kNaN;
}

void Reader::FindOtherReadings(const ChargeFound& charge) {
  // A text too long for the engine has no number to compare with.
  if (nested_ || lib_.bytes.size() > formula::kMaxTextLength) return;
  for (OtherReading& s :
       LookForOtherReadings(context_, chars_, text_, length_, charge.found ? charge.begin : chars_.size())) {
    quiet_.insert(quiet_.end(), s.quiet.begin(), s.quiet.end());
    // Notes the other reading explains away: D and T inside an abbreviation
    // (DCC, TBSCl) are no labels, a ',' that joins parts no decimal comma.
    if (std::strcmp(s.code, "abbreviation") == 0) Unsay("isotope-label", s.offset, s.offset + s.length);
    if (std::strcmp(s.code, "hydrate-dot") == 0) {
      for (const auto& [from, to] : s.quiet) Unsay("decimal-comma", from, to);
    }
    if (s.compound != nullptr) compounds_.push_back({s.offset, s.length, s.compound});
    std::vector<std::string> others;
    if (!s.other.empty()) others.push_back(s.other);
    if (s.severity == kError) {  // said at once: the formula is not evaluated
      ResolveOne({std::move(s), std::move(others), ""});
    } else {
      pending_.push_back({std::move(s), std::move(others), ""});
    }
  }
}

namespace {

void ReplaceAll(std::string& s, const std::string& what, const std::string& with) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
    s.replace(at, what.size(), with);
}

}  // namespace

void Reader::ResolveOne(Pending p) {
  OtherReading& s = p.found;
  Diagnostic d{s.severity,           s.offset, s.length, s.code, std::move(p.symbol),
               std::move(s.message), "",       "",       "",     kNaN};
  const double used =
      r_.Worst() < kError
          ? (r_.charge == 0 ? r_.neutral_mass : r_.neutral_mass - r_.charge * kElectronMolarMass)
          : kNaN;
  ReplaceAll(d.message, "\x01u", MolarMassText(used));
  for (std::size_t k = 0; k < p.others.size(); ++k) {
    const double mass = OtherMass(p.others[k]);
    if (k == 0) {
      d.other = p.others[0];
      d.other_mass = mass;
    }
    ReplaceAll(d.message, "\x01#" + std::to_string(k), MolarMassText(mass));
    if (k == 0) ReplaceAll(d.message, "\x01o", MolarMassText(mass));
  }
  r_.diagnostics.push_back(std::move(d));
}

// Tris, HEPES*HCl, TCEP: a compound of the abbreviation list standing as a
// whole part, whose letters are no formula at all, is read as its formula,
// with a note, where the text so read has a number (an error elsewhere
// stays).  One with no
// formula (a protein) is an error at its place.
void Reader::SubstituteCompounds() {
  if (compounds_.empty() || r_.Worst() < kError || depth_ >= 4) return;
  std::string other(text_, length_);
  for (auto c = compounds_.rbegin(); c != compounds_.rend(); ++c) {
    if (c->abbreviation->formula.empty()) {
      Add(kError, c->offset, c->length, "abbreviation",
          Quote(Source(c->offset, c->offset + c->length)) + " is " + c->abbreviation->meaning +
              ": it has no formula to read");
      return;
    }
    other.replace(c->offset, c->length, "(" + c->abbreviation->formula + ")");
  }
  Reading as_compound = Reader(context_, other.data(), other.size(), depth_ + 1).Run(false);
  if (!as_compound.has_value) return;
  std::vector<Diagnostic> said;
  for (const CompoundAt& c : compounds_) {
    said.push_back({kNote, c.offset, c.length, "abbreviation", "",
                    Quote(Source(c.offset, c.offset + c.length)) + " read as " + c.abbreviation->formula +
                        ", " + c.abbreviation->meaning + " (the abbreviation list)",
                    "", "", "", kNaN});
  }
  r_ = OverWhole(std::move(as_compound), std::move(said), length_);
}

// DTT, TDI, HBTU: a word in capitals with D or T read as deuterium and
// tritium where the formula is no plausible molecule (an element of no
// valence the rules know, such as a metal, or a DBE below 0 or not whole)
// is more likely an abbreviation than a labelled formula (HDO, DCOOD stay
// as they are).
void Reader::ReportLabelWords() {
  if (labels_.empty() || r_.charge != 0) return;
  double twice_dbe = 2.0;
  bool plausible = true;
  for (const ElementShare& e : r_.elements) {
    const int valence = Valence(e.element.empty() ? e.symbol : e.element);
    plausible = plausible && valence > 0 && e.atoms == std::floor(e.atoms);
    twice_dbe += e.atoms * (valence - 2);
  }
  plausible = plausible && twice_dbe >= 0 && std::fmod(twice_dbe, 2.0) == 0.0;
  if (plausible) return;
  for (std::size_t i = 0; i < chars_.size(); ++i) {
    std::size_t j = i;
    bool label = false;
    for (; j < chars_.size() && IsCapitalLetter(chars_[j].code); ++j) {
      label = label || chars_[j].code == 'D' || chars_[j].code == 'T';
    }
    const bool word = j - i >= 3 && label && (i == 0 || !IsLetter(chars_[i - 1].code)) &&
                      !(j < chars_.size() && IsSmallLetter(chars_[j].code));
    if (word && !Covered(chars_[i].offset) &&
        std::none_of(r_.diagnostics.begin(), r_.diagnostics.end(), [&](const Diagnostic& d) {
          return d.code == "abbreviation" && d.offset <= chars_[i].offset &&
                 chars_[i].offset < d.offset + d.length;
        })) {
      const std::size_t from = chars_[i].offset, to = chars_[j - 1].offset + chars_[j - 1].length;
      Add(kWarning, from, to - from, "abbreviation",
          Quote(Source(from, to)) +
              " is read letter by letter, D as deuterium and T as tritium, which gives no plausible "
              "molecule: a word in capitals is more likely an abbreviation (define it in the group file, or "
              "write its formula)");
    }
    i = std::max(i, j == i ? i : j - 1);
  }
}

void Reader::ResolveOtherReadings() {
  std::vector<Pending> pending = std::move(pending_);
  for (Pending& p : pending) ResolveOne(std::move(p));
}

}  // namespace formix::toolkit::reader
