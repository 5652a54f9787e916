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
#include "toolkit/reading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include "formix_limits.h"
#include "formula/engine.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/numbers.h"
#include "toolkit/other_readings.h"
#include "toolkit/text.h"

namespace formix::toolkit {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

int Reading::Worst() const {
  int worst = -1;
  for (const Diagnostic& d : diagnostics) worst = d.severity > worst ? d.severity : worst;
  return worst;
}

namespace {

using formula::IsCapital;
using formula::IsClosing;
using formula::IsDigit;
using formula::IsOpening;
using formula::IsSmall;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string ChargeText(int z) {
  int m = z < 0 ? -z : z;
  return std::to_string(m) + (z < 0 ? "-" : "+");
}

// The outcome of looking for a charge at the end of the text.
struct ChargeFound {
  int charge = 0;
  std::size_t begin = 0;  // chars [begin, end) are the charge notation (removed)
  bool found = false;
  // A notation with two readings: nothing removed; chars [covered, end)
  // belong to the warning, not to "passed over".
  bool ambiguous = false;
  std::size_t covered = 0;
  std::size_t quoted = 0;  // chars [quoted, end) are what the warning quotes
  // The warning's text: "\x01u" stands for the molar mass of the reading
  // used, "\x01#0", "\x01#1", ... for those of the other readings, `others`.
  std::string readings;
  std::vector<std::string> others;
};

// The largest charge taken from a notation that does not mark it as one
// (digits and a sign after a bracket): more is a subscript misread.
constexpr int kLargestUnmarkedCharge = 8;

// Parses "digits sign", "sign digits" or a run of one sign over chars
// [b, e) with the given classifiers.  Returns the charge, 0 for none.
template <class DigitFn, class SignFn>
int ParseChargeBody(const std::vector<Char>& c, std::size_t b, std::size_t e, DigitFn digit, SignFn sign) {
  if (b >= e) return 0;
  std::size_t i = b;
  int leading = sign(c[i].code);
  if (leading != 0) ++i;
  int magnitude = 0;
  std::size_t digits = 0;
  while (i < e && digit(c[i].code) >= 0 && digits < 3) {
    magnitude = magnitude * 10 + digit(c[i].code);
    ++i, ++digits;
  }
  if (leading != 0) {
    if (digits == 0) {  // a run of one sign: ++, --
      int count = 1;
      while (i < e && sign(c[i].code) == leading) ++i, ++count;
      return i == e ? leading * count : 0;
    }
    return i == e && magnitude > 0 ? leading * magnitude : 0;
  }
  if (digits == 0 || i + 1 != e) return 0;
  int trailing = sign(c[i].code);
  return trailing != 0 && magnitude > 0 ? trailing * magnitude : 0;
}

int AsciiDigit(char32_t c) { return IsAsciiDigit(c) ? static_cast<int>(c - '0') : -1; }

std::string Utf8Of(const std::vector<Char>& c, const char* text, std::size_t b, std::size_t e) {
  if (b >= e) return "";
  return std::string(text + c[b].offset, c[e - 1].offset + c[e - 1].length - c[b].offset);
}

ChargeFound FindCharge(const std::vector<Char>& c, const char* text) {
  ChargeFound r;
  std::size_t e = c.size();
  while (e > 0 && IsBlank(c[e - 1].code)) --e;
  if (e == 0) return r;
  auto found = [&](std::size_t begin, int z) {
    r.found = z != 0 && begin > 0;
    r.charge = z;
    r.begin = begin;
    return r;
  };

  // Superscripts: SO4²⁻, NH4⁺.
  std::size_t k = e;
  while (k > 0 && (SuperscriptDigit(c[k - 1].code) >= 0 || SuperscriptSign(c[k - 1].code) != 0)) --k;
  if (k < e) return found(k, ParseChargeBody(c, k, e, SuperscriptDigit, SuperscriptSign));

  // A caret: SO4^2-, NH4^+.
  for (std::size_t h = e; h-- > 0 && e - h <= 5;) {
    if (c[h].code == '^') return found(h, ParseChargeBody(c, h + 1, e, AsciiDigit, Sign));
  }

  // In brackets at the end: SO4(2-), Fe(3+).
  if (c[e - 1].code == ')') {
    for (std::size_t o = e - 1; o-- > 0 && e - o <= 6;) {
      if (c[o].code != '(') continue;
      bool has_sign = false;
      for (std::size_t i = o + 1; i + 1 < e; ++i) has_sign = has_sign || Sign(c[i].code) != 0;
      if (has_sign) return found(o, ParseChargeBody(c, o + 1, e - 1, AsciiDigit, Sign));
      break;
    }
  }

  // A run of one sign at the end.
  std::size_t j = e;
  while (j > 0 && Sign(c[j - 1].code) == Sign(c[e - 1].code) && Sign(c[e - 1].code) != 0) --j;
  if (j < e) {
    const int sign = Sign(c[e - 1].code);
    const int count = static_cast<int>(e - j);
    if (j == 0) return r;
    const char32_t prev = c[j - 1].code;
    if (IsLetter(prev) || IsClosingChar(prev)) return found(j, sign * count);  // OH-, [Fe(CN)6]-
    if (!IsAsciiDigit(prev) || count != 1) return r;
    std::size_t d = j;
    while (d > 0 && IsAsciiDigit(c[d - 1].code) && j - d < 4) --d;
    if (d == 0 || (d > 0 && IsAsciiDigit(c[d - 1].code))) return r;
    int magnitude = 0;
    for (std::size_t i = d; i < j; ++i) magnitude = magnitude * 10 + AsciiDigit(c[i].code);
    const char* sign_text = sign < 0 ? "-" : "+";
    if ((c[d - 1].code == ']' || c[d - 1].code == '}') && magnitude <= kLargestUnmarkedCharge)
      return found(d, sign * magnitude);  // [Fe(CN)6]3-
    if (IsClosingChar(c[d - 1].code)) {
      // Ag(NH3)2+, Cu(NH3)42+, [X]42-: after a round bracket the digits are
      // a subscript as often as a charge, and more than 8 is no charge.
      const std::string base = Utf8Of(c, text, 0, d), digits = Utf8Of(c, text, d, j);
      r.ambiguous = true;
      r.covered = j;
      r.quoted = d;
      // The likeliest first: the last digit the charge where there are
      // several (Cu(NH3)42+: 4 and 2+), else the digits a subscript and
      // the charge 1.  A charge over 8 is left out.
      auto add = [&](std::size_t cut) {
        const int z = cut == digits.size() ? 1 : std::atoi(digits.c_str() + cut);
        if ((cut < digits.size() && digits[cut] == '0') || z > kLargestUnmarkedCharge) return;
        const std::string charge = cut == digits.size() ? std::string() : digits.substr(cut);
        r.others.push_back(base + digits.substr(0, cut) + "^" + charge + sign_text);
      };
      if (digits.size() > 1) add(digits.size() - 1);
      add(digits.size());
      for (std::size_t cut = 0; cut + 1 < digits.size(); ++cut) add(cut);
      if (digits.size() == 1) add(0);
      std::string list;
      for (std::size_t n = 0; n < r.others.size(); ++n)
        list += (n == 0 ? "" : ", ") + r.others[n] + " (\x01#" + std::to_string(n) + ")";
      r.readings = Quote(Utf8Of(c, text, d, e)) + " after a bracket can be read " +
                   std::to_string(r.others.size() + 1) + " ways: as " + base + digits + " with the '" +
                   sign_text + "' passed over and no charge (the reading used, \x01u), or as " + list +
                   "; write the charge with a caret";
      return r;
    }
    if (!IsLetter(c[d - 1].code)) return r;
    int capitals = 0;
    for (std::size_t i = 0; i < d; ++i) capitals += c[i].code >= 'A' && c[i].code <= 'Z';
    if (j - d == 1 && capitals >= 2) return found(j, sign);  // NH4+, H3O+
    // SO42-, Fe3+, O2-: the engine's reading, and a warning.
    std::string before = Utf8Of(c, text, 0, j - 1);
    std::string as_written = Utf8Of(c, text, 0, j);
    std::string last = Utf8Of(c, text, j - 1, j);
    r.ambiguous = true;
    r.covered = j;
    r.quoted = d;
    r.others.push_back(before + "^" + last + (sign < 0 ? "-" : "+"));
    r.readings = Quote(Utf8Of(c, text, d, e)) + " can be read two ways: as " + as_written +
                 " with no charge (the reading used, \x01u) or as " + before + " with the charge " + last +
                 (sign < 0 ? "-" : "+") + " (\x01#0); for the ion write " + before + "^" + last +
                 (sign < 0 ? "-" : "+");
    return r;
  }

  // A sign before digits at the end: SO4-2, SO4+2.
  std::size_t d = e;
  while (d > 0 && IsAsciiDigit(c[d - 1].code) && e - d < 4) --d;
  if (d < e && d >= 2 && Sign(c[d - 1].code) != 0 &&
      (IsLetter(c[d - 2].code) || IsAsciiDigit(c[d - 2].code) || IsClosingChar(c[d - 2].code))) {
    const int sign = Sign(c[d - 1].code);
    std::string before = Utf8Of(c, text, 0, d - 1);
    std::string digits = Utf8Of(c, text, d, e);
    r.ambiguous = true;
    r.covered = d - 1;
    r.quoted = d - 1;
    r.readings = Quote(Utf8Of(c, text, d - 1, e)) + " can be read two ways: as the formula reads it, " +
                 (sign < 0 ? before + digits + " with the '-' as a bond mark"
                           : before + " with '" + Utf8Of(c, text, d - 1, e) + "' passed over") +
                 " (the reading used, \x01u), or as " + before + " with the charge " + digits +
                 (sign < 0 ? "-" : "+") + " (\x01#0); for the ion write " + before + "^" + digits +
                 (sign < 0 ? "-" : "+");
    r.others.push_back(before + "^" + digits + (sign < 0 ? "-" : "+"));
  }
  return r;
}

// Notes of one kind are given once, at the first place, with a count.
struct NoteKinds {
  struct Kind {
    const char* code;
    std::string first;  // the first text rewritten
    std::string as;     // what it became
    std::size_t offset = 0, length = 0, count = 0;
  };
  Kind kinds[8] = {{"middle-dot", {}, {}},    {"subscript", {}, {}}, {"space", {}, {}},
                   {"dash", {}, {}},          {"fraction", {}, {}},  {"cyrillic", {}, {}},
                   {"decimal-comma", {}, {}}, {"bond", {}, {}}};
  void Add(int kind, const std::string& first, const std::string& as, std::size_t offset,
           std::size_t length) {
    Kind& k = kinds[kind];
    if (k.count++ == 0) {
      k.first = first;
      k.as = as;
      k.offset = offset;
      k.length = length;
    }
  }
};

enum NoteKind { kDot, kSubscript, kSpace, kDash, kFraction, kCyrillic, kComma, kBond };

std::string NoteMessage(int kind, const NoteKinds::Kind& k) {
  std::string more = k.count > 1 ? " (" + std::to_string(k.count) + " places)" : "";
  switch (kind) {
    case kDot:
      return Quote(k.first) + " read as '*', the separator of the parts of an adduct or hydrate" + more;
    case kSubscript:
      return "subscript digits read as digits" + more;
    case kSpace:
      return "typographic spaces read as spaces" + more;
    case kDash:
      return "dashes and minus signs read as '-'" + more;
    case kFraction:
      return Quote(k.first) + " read as " + k.as + more;
    case kCyrillic:
      return "the Cyrillic letter " + Quote(k.first) + " read as the Latin " + Quote(k.as) + more;
    case kComma:
      return "',' read as a decimal point" + more;
    default:
      return Quote(k.first) + " read as a bond mark" + more;
  }
}

// The library text under construction: Windows-1251 bytes, each with the
// span of the text as given that it came from.
struct LibraryText {
  std::string bytes;
  std::vector<std::size_t> begin, end;
  void Add(char b, std::size_t from, std::size_t to) {
    bytes += b;
    begin.push_back(from);
    end.push_back(to);
  }
};

// Parses up to 15 digits at c[i..); returns the count of digits read.
std::size_t ReadDigits(const std::vector<Char>& c, std::size_t i, std::size_t e, long long* value) {
  std::size_t n = 0;
  *value = 0;
  while (i + n < e && IsAsciiDigit(c[i + n].code) && n < 15) *value = *value * 10 + (c[i + n++].code - '0');
  if (i + n < e && IsAsciiDigit(c[i + n].code)) return 0;  // too long: leave it alone
  return n;
}

bool EvaluatePlain(const Context& context, const char* text, std::size_t length, double* atoms,
                   double* contributions, double* molar_mass);

class Reader {
 public:
  // A nested reader reads another reading of a text: it looks for no
  // other readings of its own.
  Reader(const Context& context, const char* text, std::size_t length, bool nested = false)
      : context_(context), text_(text), length_(length), nested_(nested) {}

  Reading Run(bool shortcut = true);

 private:
  void Add(int severity, std::size_t offset, std::size_t length, const char* code, std::string message,
           std::string symbol = "") {
    r_.diagnostics.push_back(
        {severity, offset, length, code, std::move(symbol), std::move(message), "", "", "", kNaN});
  }
  std::string Source(std::size_t from, std::size_t to) const { return std::string(text_ + from, to - from); }
  bool Decode();
  std::size_t Label(std::size_t i, std::size_t end, std::string* element, int* mass_number) const;
  void Rewrite(const ChargeFound& charge);
  void Evaluate();
  bool RunPlain();
  void Finish(const double* atoms, const double* contributions, double mass, int count);
  bool HillOrderByPlaces(std::vector<std::pair<std::string, double>>* ordered) const;
  // Span of the text as given behind evaluated-text bytes [p, q).
  std::size_t SpanBegin(std::size_t p) const { return lib_.begin[trace_->origin_begin[p]]; }
  std::size_t SpanEnd(std::size_t q) const { return lib_.end[trace_->origin_end[q - 1] - 1]; }
  bool Covered(std::size_t offset) const {
    if (covered_from_ <= offset) return true;
    for (const auto& q : quiet_) {
      if (q.first <= offset && offset < q.second) return true;
    }
    return false;
  }
  void FindOtherReadings(const ChargeFound& charge);
  void CheckNumber();
  struct Pending;
  void ResolveOne(Pending p);
  void ResolveOtherReadings();
  double OtherMass(const std::string& text) const;
  void ReportPassedOver(const char* work, bool no_symbol);
  void ReportNumbers(const char* work);
  void ReportBrackets(const char* work);

  const Context& context_;
  const char* text_;
  std::size_t length_;
  bool nested_;
  Reading r_;
  // Other readings found, said once the reading used has its number, with
  // the texts of the readings behind "\x01#0", "\x01#1", ... of the message.
  struct Pending {  // NOLINT: declared above
    OtherReading found;
    std::vector<std::string> others;
    std::string symbol;  // the element symbol concerned, or ""
  };
  std::vector<Pending> pending_;
  std::vector<std::pair<std::size_t, std::size_t>> quiet_;  // bytes explained by a pending report
  std::vector<Char> chars_;
  LibraryText lib_;
  std::unique_ptr<formula::TraceObserver> trace_;
  std::size_t covered_from_ = std::numeric_limits<std::size_t>::max();
  std::vector<bool> zero_dots_;  // evaluated-text '.' read as a lone number
  struct LabelInfo {
    std::string element;
    int mass_number;
    double mass;
  };
  std::vector<LabelInfo> labels_;  // isotope labels, as engine symbols Qa, Qb, ...
};

bool Reader::Decode() {
  for (std::size_t at = 0; at < length_;) {
    if (text_[at] == '\0') {
      Add(kError, at, 1, "nul", "a NUL byte at byte " + std::to_string(at) + " ends no formula: remove it");
      return false;
    }
    char32_t code = 0;
    std::size_t n = DecodeUtf8(text_, length_, at, &code);
    if (n == 0) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text_[at]));
      Add(kError, at, 1, "invalid-utf8",
          std::string("the byte ") + hex + " at byte " + std::to_string(at) + " is not valid UTF-8");
      return false;
    }
    chars_.push_back({code, at, n});
    at += n;
  }
  return true;
}

// An isotope label at chars [i, end): [13C], a superscript mass number
// before a symbol (¹³C), or D and T (²H and ³H, unless the element table
// has symbols D or T).  Returns the chars it spans (0: none) and the
// element and mass number.
std::size_t Reader::Label(std::size_t i, std::size_t end, std::string* element, int* mass_number) const {
  auto symbol_at = [&](std::size_t k, std::size_t* stop) {
    std::string s;
    if (k < end && chars_[k].code >= 'A' && chars_[k].code <= 'Z') {
      s += static_cast<char>(chars_[k++].code);
      while (k < end && chars_[k].code >= 'a' && chars_[k].code <= 'z')
        s += static_cast<char>(chars_[k++].code);
    }
    *stop = k;
    return s;
  };
  std::size_t k = i;
  int number = 0;
  const char32_t c = chars_[i].code;
  if (c == '[') {
    ++k;
    while (k < end && IsAsciiDigit(chars_[k].code) && k - i <= 3)
      number = number * 10 + static_cast<int>(chars_[k++].code - '0');
    if (number == 0 || k == i + 1) return 0;
    std::size_t stop = 0;
    *element = symbol_at(k, &stop);
    if (element->empty() || stop >= end || chars_[stop].code != ']') return 0;
    *mass_number = number;
    return stop + 1 - i;
  }
  if (SuperscriptDigit(c) >= 0) {
    while (k < end && SuperscriptDigit(chars_[k].code) >= 0 && k - i < 3)
      number = number * 10 + SuperscriptDigit(chars_[k++].code);
    std::size_t stop = 0;
    *element = symbol_at(k, &stop);
    if (element->empty() || number == 0) return 0;
    *mass_number = number;
    return stop - i;
  }
  if ((c == 'D' || c == 'T') && !(i + 1 < end && chars_[i + 1].code >= 'a' && chars_[i + 1].code <= 'z')) {
    const char symbol[2] = {static_cast<char>(c), '\0'};
    if (refdata::LookupElement(context_.tables, symbol, 1) >= 0) return 0;  // the table's own D or T
    for (const std::string& group : context_.group_names) {                 // DMF, TMS: groups, not labels
      bool match = i + group.size() <= end;
      for (std::size_t g = 0; match && g < group.size(); ++g) {
        match = chars_[i + g].code == static_cast<unsigned char>(group[g]);
      }
      if (match) return 0;
    }
    *element = "H";
    *mass_number = c == 'D' ? 2 : 3;
    return 1;
  }
  return 0;
}

void Reader::Rewrite(const ChargeFound& charge) {
  NoteKinds notes;
  std::vector<std::size_t> grown;  // "ignored" warnings that cover a run
  const std::size_t end = charge.found ? charge.begin : chars_.size();
  bool part_start = true;  // where a multiplier may stand: the start, after '*'
  for (std::size_t i = 0; i < end; ++i) {
    const Char& ch = chars_[i];
    const std::size_t from = ch.offset, to = ch.offset + ch.length;
    const std::string as_given = Source(from, to);
    char32_t code = ch.code;
    std::string element;
    int mass_number = 0;
    if (const std::size_t n = Label(i, end, &element, &mass_number); n > 0) {
      const std::size_t label_end = chars_[i + n - 1].offset + chars_[i + n - 1].length;
      const Isotope* isotope = nullptr;
      auto it = context_.isotopes.find(element);
      if (it != context_.isotopes.end()) {
        for (const Isotope& iso : it->second) {
          if (iso.mass_number == mass_number) isotope = &iso;
        }
      }
      if (isotope == nullptr) {
        Add(kError, from, label_end - from, "unknown-isotope",
            "no isotope " + std::to_string(mass_number) + element + " in the isotope list (isotopes.txt)");
        i += n - 1;
        continue;
      }
      // The label becomes a symbol of its own for the engine: Qa, Qb, ...
      std::size_t slot = 0;
      while (slot < labels_.size() &&
             !(labels_[slot].element == element && labels_[slot].mass_number == mass_number)) {
        ++slot;
      }
      if (slot == labels_.size()) {
        if (labels_.size() == 26) {
          Add(kError, from, label_end - from, "too-many-labels", "more than 26 different isotope labels");
          i += n - 1;
          continue;
        }
        labels_.push_back({element, mass_number, isotope->mass});
      }
      if (code == 'D' || code == 'T') {
        Add(kNote, from, 1, "isotope-label",
            std::string("'") + static_cast<char>(code) + "' read as " +
                (code == 'D' ? "deuterium, 2H" : "tritium, 3H"));
      }
      lib_.Add('Q', from, label_end);
      lib_.Add(static_cast<char>('a' + slot), from, label_end);
      i += n - 1;
      part_start = false;
      continue;
    }
    if (part_start && IsAsciiDigit(code)) {
      long long a = 0, b = 0;
      std::size_t na = ReadDigits(chars_, i, end, &a);
      if (na > 0 && i + na < end && chars_[i + na].code == '/') {
        std::size_t nb = ReadDigits(chars_, i + na + 1, end, &b);
        if (nb > 0) {
          const std::size_t last = i + na + nb;  // the fraction is chars [i, last]
          const std::size_t span_end = chars_[last].offset + chars_[last].length;
          if (b == 0) {
            Add(kError, from, span_end - from, "fraction",
                Quote(Source(from, span_end)) + " divides by zero");
          } else {
            const std::string as = ShortestFixedText(static_cast<double>(a) / static_cast<double>(b));
            for (char d : as) lib_.Add(d, from, span_end);
            notes.Add(kFraction, Source(from, span_end), as, from, span_end - from);
          }
          i = last;
          part_start = false;
          continue;
        }
      }
    }
    int kind = -1;
    if (IsMiddleDot(code)) {
      code = '*', kind = kDot;
    } else if (SubscriptDigit(code) >= 0) {
      code = static_cast<char32_t>('0' + SubscriptDigit(code)), kind = kSubscript;
    } else if (IsWideSpace(code)) {
      code = ' ', kind = kSpace;
    } else if (IsDash(code)) {
      code = '-', kind = kDash;
    } else if (code == 0x2261) {  // triple bond
      code = '=', kind = kBond;
    } else if (code == 0x0421 || code == 0x0441) {
      kind = kCyrillic;
    } else if (code == ',') {
      kind = kComma;
    }
    if (kind >= 0) {
      std::string as;
      if (kind == kCyrillic) as = code == 0x0421 ? "C" : "c";
      notes.Add(kind, as_given, as, from, to - from);
    }
    unsigned char b = ToCp1251(code);
    if (b == 0) {
      // A run of such characters is one warning.
      Diagnostic* last = r_.diagnostics.empty() ? nullptr : &r_.diagnostics.back();
      if (last != nullptr && last->code == "ignored" && last->offset + last->length == from) {
        if (grown.empty() || grown.back() != r_.diagnostics.size() - 1)
          grown.push_back(r_.diagnostics.size() - 1);
        last->length += to - from;
      } else {
        Add(kWarning, from, to - from, "ignored",
            Quote(as_given) + " (" + CodePointName(code) +
                ") is passed over: it has no meaning in a formula");
      }
      continue;
    }
    lib_.Add(static_cast<char>(b), from, to);
    if (code == '*') {
      part_start = true;
    } else if (code != ' ') {
      part_start = false;
    }
  }
  for (std::size_t i : grown) {
    Diagnostic& d = r_.diagnostics[i];
    d.message =
        Quote(Source(d.offset, d.offset + d.length)) + " is passed over: it has no meaning in a formula";
  }
  for (int k = 0; k < 8; ++k) {
    const NoteKinds::Kind& kind = notes.kinds[k];
    if (kind.count > 0) Add(kNote, kind.offset, kind.length, kind.code, NoteMessage(k, kind));
  }
  if (charge.found) {
    const std::size_t from = chars_[charge.begin].offset;
    std::size_t to = chars_.back().offset + chars_.back().length;
    while (to > from && text_[to - 1] == ' ') --to;
    Add(kNote, from, to - from, "charge",
        Quote(Source(from, to)) + " read as the charge " + ChargeText(charge.charge) +
            ": the molar mass is the ion's, electrons counted");
    r_.charge = charge.charge;
  }
  if (charge.ambiguous) {
    covered_from_ = chars_[charge.covered].offset;
    const std::size_t from = chars_[charge.quoted].offset;
    OtherReading s{kWarning, from, length_ - from, "ambiguous-charge", charge.readings, "", {}};
    pending_.push_back({std::move(s), charge.others, ""});
  }
}

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
      if (space)
        message +=
            "; for a hydrate write " + Source(0, SpanEnd(i + 1)) + "*" + Source(SpanBegin(i + 1), length_);
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
  trace_ = std::make_unique<formula::TraceObserver>();
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
        pending_.push_back({{kWarning, from, to - from, "abbreviation", std::move(message), "", {}},
                            std::move(others),
                            symbol});
      }
    }
  }
  ReportNumbers(work);
  ReportPassedOver(work, no_symbol);
  ReportBrackets(work);

  Finish(atoms, contributions, mass, t.element_count);
}

// The elements with atoms, in table order, and the Hill formulas.
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
  std::vector<std::pair<std::string, double>> counts;
  counts.reserve(r_.elements.size());
  if (HillOrderByPlaces(&counts)) {
    FormatHillFormulas(std::move(counts), r_.charge, &r_.hill, &r_.empirical);
    return;
  }
  for (const ElementShare& e : r_.elements) counts.emplace_back(e.symbol, e.atoms);
  HillFormulas(std::move(counts), r_.charge, &r_.hill, &r_.empirical);
}

// The elements' counts in Hill order from the context's alphabetical
// places, with no string compared: when every element is natural and no
// two share a symbol (else false, and the general order decides).  The
// same order: C and H first when there is carbon, then by symbol.
bool Reader::HillOrderByPlaces(std::vector<std::pair<std::string, double>>* ordered) const {
  const int natural = context_.tables.element_count;
  struct Entry {
    int key;
    const ElementShare* e;
  };
  Entry entries[refdata::kMaxElements];
  std::size_t n = 0;
  bool carbon = false;
  for (const ElementShare& e : r_.elements) {
    if (e.index >= natural) return false;  // a label
    carbon = carbon || e.symbol == "C";
    entries[n++] = {context_.symbol_places[static_cast<std::size_t>(e.index)], &e};
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& s = entries[i].e->symbol;
    // Places run below kMaxElements; C and H go before them all.
    if (carbon && s == "C") entries[i].key = -2;
    if (carbon && s == "H") entries[i].key = -1;
  }
  std::sort(entries, entries + n, [](const Entry& a, const Entry& b) { return a.key < b.key; });
  for (std::size_t i = 1; i < n; ++i) {
    if (entries[i].key == entries[i - 1].key) return false;  // a symbol twice: merged by the general order
  }
  for (std::size_t i = 0; i < n; ++i) ordered->emplace_back(entries[i].e->symbol, entries[i].e->atoms);
  return true;
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

}  // namespace

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
    if (std::strcmp(s.code, "abbreviation") == 0) {
      // D and T inside an abbreviation (DCC, TBSCl) are no labels to note.
      r_.diagnostics.erase(std::remove_if(r_.diagnostics.begin(), r_.diagnostics.end(),
                                          [&](const Diagnostic& d) {
                                            return d.code == "isotope-label" && d.offset >= s.offset &&
                                                   d.offset < s.offset + s.length;
                                          }),
                           r_.diagnostics.end());
    }
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

std::string MassText(double mass) {
  if (!(mass == mass)) return "no number";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f g/mol", mass);
  return buffer;
}

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
  ReplaceAll(d.message, "\x01u", MassText(used));
  for (std::size_t k = 0; k < p.others.size(); ++k) {
    const double mass = OtherMass(p.others[k]);
    if (k == 0) {
      d.other = p.others[0];
      d.other_mass = mass;
    }
    ReplaceAll(d.message, "\x01#" + std::to_string(k), MassText(mass));
    if (k == 0) ReplaceAll(d.message, "\x01o", MassText(mass));
  }
  r_.diagnostics.push_back(std::move(d));
}

void Reader::ResolveOtherReadings() {
  std::vector<Pending> pending = std::move(pending_);
  for (Pending& p : pending) ResolveOne(std::move(p));
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
  } else if (Decode()) {
    ChargeFound charge = FindCharge(chars_, text_);
    Rewrite(charge);
    FindOtherReadings(charge);
    r_.text = Cp1251ToUtf8(lib_.bytes.c_str(), lib_.bytes.size());
    if (r_.Worst() < kError) Evaluate();
  }
  if (nested_) pending_.clear();
  ResolveOtherReadings();
  if (r_.Worst() < kError) CheckNumber();
  r_.has_value = r_.Worst() < kError;
  if (r_.has_value) {
    r_.molar_mass = r_.charge == 0 ? r_.neutral_mass : r_.neutral_mass - r_.charge * kElectronMolarMass;
  } else {
    r_.elements.clear();
    r_.hill.clear();
    r_.empirical.clear();
  }
  return std::move(r_);
}

Reading Read(const Context& context, const char* text, std::size_t length) {
  return Reader(context, text, length).Run();
}

Reading ReadInFull(const Context& context, const char* text, std::size_t length) {
  return Reader(context, text, length).Run(false);
}

namespace {

// Whether the reader takes the `length` bytes at `text` as they stand with
// nothing to say (see ReadPlain), group names aside.
bool IsPlain(const Context& context, const char* text, std::size_t length) {
  using formula::IsCapital;
  using formula::IsClosing;
  using formula::IsDigit;
  using formula::IsOpening;
  using formula::IsSmall;
  if (length == 0 || length > formula::kMaxTextLength) return false;
  enum class Last { kStart, kSymbol, kNumber, kOpening, kClosing, kStar, kStarNumber };
  Last last = Last::kStart;
  char open[formula::kWorkingTextSize];
  std::size_t depth = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (IsCapital(c)) {  // most bytes start a symbol
      std::size_t j = i + 1;
      while (j < length && IsSmall(text[j])) ++j;
      if (j - i == 1 && (c == 'D' || c == 'T')) return false;  // isotope labels
      if (context.IsAbbreviation(text + i, j - i)) return false;
      // NBS, KCp*, TBSCl: an acronym starting at a capital.
      if (j < length &&
          context.acronym_first[static_cast<unsigned char>(c)]
                               [static_cast<unsigned char>(text[i + 1]) & 0x7F] != 0 &&
          context.AcronymAt(text + i, length - i) != nullptr) {
        return false;
      }
      last = Last::kSymbol;
      i = j - 1;
      continue;
    }
    // What may follow the start, an opening bracket or a part's '*' [and
    // its number]: a symbol or an opening bracket (a number for a '*').
    const bool leading = last == Last::kStart || last == Last::kOpening || last == Last::kStarNumber ||
                         (last == Last::kStar && !IsDigit(c));
    if (leading && !IsOpening(c)) {
      return false;
    } else if (IsDigit(c)) {
      if (c == '0' || (last != Last::kSymbol && last != Last::kClosing && last != Last::kStar)) return false;
      while (i + 1 < length && IsDigit(text[i + 1])) ++i;
      last = last == Last::kStar ? Last::kStarNumber : Last::kNumber;
    } else if (IsOpening(c)) {
      // (II), (IV): an oxidation state, which the reader reports.
      std::size_t k = i + 1;
      while (k < length && (text[k] == 'I' || text[k] == 'V' || text[k] == 'X')) ++k;
      if (k > i + 1 && k < length && IsClosing(text[k])) return false;
      open[depth++] = c;
      last = Last::kOpening;
    } else if (IsClosing(c)) {
      if (depth == 0) return false;
      const char o = open[--depth];
      if ((o == '(') != (c == ')') || (o == '[') != (c == ']')) return false;
      last = Last::kClosing;
    } else if (c == '*') {
      if (depth != 0) return false;
      last = Last::kStar;
    } else {
      return false;
    }
  }
  return depth == 0 && last != Last::kStar && last != Last::kStarNumber && last != Last::kOpening;
}

// ReadPlain with the engine's per-element results (`atoms` and
// `contributions` may be NULL).
bool EvaluatePlain(const Context& context, const char* text, std::size_t length, double* atoms,
                   double* contributions, double* molar_mass) {
  if (!context.problems.empty() || !IsPlain(context, text, length)) return false;
  char work[formula::kWorkingTextSize];
  std::memcpy(work, text, length);
  work[length] = '\0';
  if (formula::EvaluateAsItStands(context.tables, work, atoms, contributions, molar_mass)) return true;
  // Group names: expanded as the reader expands them, and the result must
  // be plain in its turn (a group's formula may hold anything).  A capital
  // and small letters that are neither a symbol nor a group name (Bpy: B
  // and the group py) the reader reports.
  bool small_group = false;
  for (std::size_t i = 0; i + 1 < length && !small_group; ++i) {
    small_group = context.small_group_starts[static_cast<unsigned char>(text[i]) & 0x7F]
                                            [static_cast<unsigned char>(text[i + 1]) & 0x7F];
  }
  for (std::size_t i = 0; small_group && i < length; ++i) {
    if (!formula::IsCapital(text[i])) continue;
    std::size_t j = i + 1;
    while (j < length && formula::IsSmall(text[j])) ++j;
    if (j - i > 1 && !context.IsSymbolOrGroup(text + i, j - i)) return false;
    i = j - 1;
  }
  formula::QuietObserver quiet;
  if (!formula::ExpandAllGroups(context.tables, work, quiet) || quiet.too_complex) return false;
  return IsPlain(context, work, std::strlen(work)) &&
         formula::EvaluateAsItStands(context.tables, work, atoms, contributions, molar_mass);
}

}  // namespace

bool ReadPlain(const Context& context, const char* text, std::size_t length, double* molar_mass) {
  return EvaluatePlain(context, text, length, nullptr, nullptr, molar_mass);
}

namespace {

using Counts = std::vector<std::pair<std::string, double>>;

// The counts in Hill order: equal symbols (a mass file may hold one twice)
// counted together, C first, then H, then the others alphabetically (with
// no carbon, all alphabetically); an isotope label ([13C], D, T) after its
// element.
Counts HillOrder(Counts counts) {
  std::sort(counts.begin(), counts.end());
  Counts merged;
  merged.reserve(counts.size());
  for (auto& c : counts) {
    if (!merged.empty() && merged.back().first == c.first) {
      merged.back().second += c.second;
    } else {
      merged.push_back(std::move(c));
    }
  }
  struct Key {
    std::string_view base;  // the element of a label, else the symbol (views of `merged`)
    bool label;
    int rank;
    std::size_t at;  // in `merged`
  };
  std::vector<Key> keys;
  keys.reserve(merged.size());
  bool carbon = false;
  for (std::size_t i = 0; i < merged.size(); ++i) {
    const std::string_view s = merged[i].first;
    std::string_view base = s;
    if (s == "D" || s == "T") {
      base = "H";
    } else if (!s.empty() && s[0] == '[') {
      std::size_t k = 1;
      while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k;
      base = s.substr(k, s.size() - k - 1);
    }
    carbon = carbon || base == "C";
    const bool label = base != s;
    keys.push_back({base, label, 0, i});
  }
  for (Key& k : keys) k.rank = !carbon ? 2 : k.base == "C" ? 0 : k.base == "H" ? 1 : 2;
  std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.base != b.base) return a.base < b.base;
    return a.label < b.label;  // the element before its labels
  });
  Counts ordered;
  ordered.reserve(merged.size());
  for (const Key& k : keys) ordered.push_back(std::move(merged[k.at]));
  return ordered;
}

// Counts in Hill order written out (see HillFormula).
std::string FormatHill(Counts ordered, int charge, bool divide) {
  if (divide) {
    long long g = 0;
    for (const auto& c : ordered) {
      if (c.second != std::floor(c.second) || c.second < 1 || c.second > 1e15) return "";
      long long n = static_cast<long long>(c.second);
      while (n != 0) g = std::exchange(n, g % n);
    }
    for (auto& c : ordered) c.second /= static_cast<double>(g == 0 ? 1 : g);
  }
  std::string out;
  for (const auto& c : ordered) {
    out += c.first;
    if (c.second == 1.0) continue;
    // A whole count (nearly all) as an integer: what the shortest fixed
    // form of the double reads.
    const bool whole = c.second == std::floor(c.second) && c.second > 0 && c.second < 1e15;
    out += whole ? std::to_string(static_cast<long long>(c.second)) : ShortestFixedText(c.second);
  }
  if (charge != 0) {
    const int m = charge < 0 ? -charge : charge;
    out += "^" + (m == 1 ? std::string() : std::to_string(m)) + (charge < 0 ? "-" : "+");
  }
  return out;
}

}  // namespace

std::string HillFormula(std::vector<std::pair<std::string, double>> counts, int charge, bool divide) {
  return FormatHill(HillOrder(std::move(counts)), charge, divide);
}

void HillFormulas(std::vector<std::pair<std::string, double>> counts, int charge, std::string* hill,
                  std::string* empirical) {
  FormatHillFormulas(HillOrder(std::move(counts)), charge, hill, empirical);
}

void FormatHillFormulas(std::vector<std::pair<std::string, double>> ordered, int charge, std::string* hill,
                        std::string* empirical) {
  *hill = FormatHill(ordered, charge, false);
  *empirical = FormatHill(std::move(ordered), 0, true);  // a ratio of atoms: no charge
}

namespace {

// Elements with no stable isotope and no use in everyday formulas: a case
// suggestion takes them only where nothing else splits the text.
const char* const kRareSymbols[] = {"Tc", "Pm", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Pa", "Np", "Pu", "Am",
                                    "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db", "Sg", "Bh",
                                    "Hs", "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og"};
// The elements of organic formulas.
const char* const kOrganicSymbols[] = {"C", "H", "N", "O", "S", "P", "F", "Cl", "Br", "I", "B", "Si"};

template <class Allowed>
std::string SplitRuns(const std::string& text, Allowed allowed) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsSmall(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && IsSmall(text[j])) ++j;
    // A run of small letters right after a capital belongs to its symbol.
    if (i > 0 && IsCapital(text[i - 1])) {
      out.append(text, i, j - i);
      i = j;
      continue;
    }
    // Split the run, longer symbols first, with backtracking.
    const std::string run = text.substr(i, j - i);
    std::vector<int> choice(run.size() + 1, 0);  // length of the symbol at each position, from the end
    std::vector<bool> ok(run.size() + 1, false);
    ok[run.size()] = true;
    for (std::size_t k = run.size(); k-- > 0;) {
      for (int len = 3; len >= 1; --len) {
        if (k + static_cast<std::size_t>(len) > run.size() || !ok[k + static_cast<std::size_t>(len)])
          continue;
        std::string sym = run.substr(k, static_cast<std::size_t>(len));
        sym[0] = static_cast<char>(sym[0] - 'a' + 'A');
        if (allowed(sym)) {
          ok[k] = true;
          choice[k] = len;
          break;
        }
      }
    }
    if (!ok[0]) return "";
    for (std::size_t k = 0; k < run.size(); k += static_cast<std::size_t>(choice[k])) {
      std::string sym = run.substr(k, static_cast<std::size_t>(choice[k]));
      sym[0] = static_cast<char>(sym[0] - 'a' + 'A');
      out += sym;
    }
    changed = true;
    i = j;
  }
  return changed ? out : "";
}

bool In(const char* const* list, std::size_t n, const std::string& s) {
  return std::find_if(list, list + n, [&](const char* x) { return s == x; }) != list + n;
}

}  // namespace

std::string CaseSuggestion(const Context& context, const std::string& text) {
  const refdata::Tables& t = context.tables;
  auto known = [&](const std::string& s) { return refdata::LookupElement(t, s.data(), s.size()) >= 0; };
  // An organic reading first where it has carbon and hydrogen (ch3cooh:
  // CH3COOH, not CH3CoOH), then common elements (no2: NO2, not No2), then
  // any element.
  const std::size_t organic_count = sizeof kOrganicSymbols / sizeof *kOrganicSymbols;
  std::string organic = SplitRuns(
      text, [&](const std::string& s) { return known(s) && In(kOrganicSymbols, organic_count, s); });
  if (!organic.empty() && organic.find('C') != std::string::npos && organic.find('H') != std::string::npos) {
    bool carbon = false;  // C itself, not Cl
    for (std::size_t i = 0; i < organic.size(); ++i)
      carbon = carbon || (organic[i] == 'C' && !(i + 1 < organic.size() && organic[i + 1] == 'l'));
    if (carbon) return organic;
  }
  const std::size_t rare_count = sizeof kRareSymbols / sizeof *kRareSymbols;
  std::string common =
      SplitRuns(text, [&](const std::string& s) { return known(s) && !In(kRareSymbols, rare_count, s); });
  return common.empty() ? SplitRuns(text, known) : common;
}

}  // namespace formix::toolkit
