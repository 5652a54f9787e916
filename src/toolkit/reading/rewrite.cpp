// rewrite.cpp -- the text as given to the engine's notation: decoding the
// UTF-8, isotope labels, and the rewrites (middle dots, subscript digits,
// typographic spaces and dashes, fractions, the Cyrillic ES, the decimal
// comma, bond marks), each noted once with its count.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "formix_limits.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/reader.h"

namespace formix::toolkit::reader {

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

// Parses up to 15 digits at c[i..); returns the count of digits read.
std::size_t ReadDigits(const std::vector<Char>& c, std::size_t i, std::size_t e, long long* value) {
  std::size_t n = 0;
  *value = 0;
  while (i + n < e && IsAsciiDigit(c[i + n].code) && n < 15) *value = *value * 10 + (c[i + n++].code - '0');
  if (i + n < e && IsAsciiDigit(c[i + n].code)) return 0;  // too long: leave it alone
  return n;
}

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
  Unmark();
  return true;
}

namespace {

// The superscript form of a digit or sign; 0 for other characters.
char32_t Superscript(char32_t c) {
  static const char32_t kDigits[] = {0x2070, 0x00B9, 0x00B2, 0x00B3, 0x2074,
                                     0x2075, 0x2076, 0x2077, 0x2078, 0x2079};
  if (IsAsciiDigit(c)) return kDigits[c - '0'];
  if (c == '+') return 0x207A;
  if (c == '-' || IsDash(c)) return 0x207B;
  return 0;
}

}  // namespace

// Markup pasted from documents read as what it marks: HTML's <sub>2</sub>
// and <sup>2-</sup>, LaTeX's H$_2$O, H_2O, H_{2}O and ^{2-}, and Markdown's
// H~2~O; a line end left at the end (a Windows CSV's CR) is dropped
// unsaid.  What is dropped leaves chars_, so every later step sees the
// formula and still reports at the places of the text as given.
void Reader::Unmark() {
  while (!chars_.empty() && (chars_.back().code == '\r' || chars_.back().code == '\n')) chars_.pop_back();
  if (std::none_of(chars_.begin(), chars_.end(), [](const Char& c) {
        return c.code == '<' || c.code == '_' || c.code == '^' || c.code == '$' || c.code == '~';
      })) {
    return;  // most formulas: no markup, nothing to allocate
  }
  const std::size_t n = chars_.size();
  auto at = [&](std::size_t i) { return i < n ? chars_[i].code : 0; };
  auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  // The tag "<name>" or "</name>" at i: its length in chars, 0 for none.
  auto tag = [&](std::size_t i, const char* name, bool closing) -> std::size_t {
    std::size_t k = i;
    if (at(k++) != '<') return 0;
    if (closing && at(k++) != '/') return 0;
    for (const char* p = name; *p != '\0'; ++p) {
      if (lower(at(k++)) != static_cast<char32_t>(*p)) return 0;
    }
    return at(k) == '>' ? k + 1 - i : 0;
  };
  auto find_closing = [&](std::size_t from, const char* name) -> std::size_t {
    for (std::size_t k = from; k < n; ++k) {
      if (tag(k, name, true) > 0) return k;
    }
    return n;
  };
  std::size_t dollars = 0, tildes = 0;
  for (const Char& c : chars_) dollars += c.code == '$', tildes += c.code == '~';
  std::vector<bool> drop(n, false);
  std::vector<char32_t> as(n, 0);
  std::size_t first = n, first_end = n, count = 0;
  std::size_t marked_to = 0;  // markup inside markup ($_2$) is one place
  auto mark = [&](std::size_t from, std::size_t to) {
    if (from < marked_to) return;
    if (count++ == 0) first = from, first_end = to;
    marked_to = to;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const char32_t c = chars_[i].code;
    for (const char* name : {"sub", "sup"}) {
      const std::size_t open = tag(i, name, false);
      if (open == 0) continue;
      const std::size_t close = find_closing(i + open, name);
      if (close == n) break;
      const std::size_t close_end = close + tag(close, name, true);
      for (std::size_t k = i; k < i + open; ++k) drop[k] = true;
      for (std::size_t k = close; k < close_end; ++k) drop[k] = true;
      if (name[2] == 'p') {
        for (std::size_t k = i + open; k < close; ++k) as[k] = Superscript(chars_[k].code);
      }
      mark(i, close_end);
      i = close_end - 1;
      break;
    }
    if (drop[i]) continue;
    if ((c == '_' || c == '^') && (at(i + 1) == '{' || (c == '_' && IsAsciiDigit(at(i + 1))))) {
      std::size_t e = i + 1;
      if (at(e) == '{') {
        while (e < n && at(e) != '}') ++e;
        if (e == n) continue;  // never closed: no markup
      } else {
        while (IsAsciiDigit(at(e + 1))) ++e;
      }
      drop[i] = true;
      if (at(i + 1) == '{') drop[i + 1] = drop[e] = true;
      if (c == '^') {
        for (std::size_t k = i + 2; k < e; ++k) as[k] = Superscript(chars_[k].code);
      }
      mark(i, e + 1);
      i = at(i + 1) == '{' ? e : i;
    } else if (c == '$' && dollars >= 2 && dollars % 2 == 0) {
      std::size_t e = i + 1;
      while (e < n && at(e) != '$') ++e;
      drop[i] = drop[e] = true;
      mark(i, e + 1);
    } else if (c == '~' && tildes >= 2 && tildes % 2 == 0 && IsAsciiDigit(at(i + 1))) {
      std::size_t e = i + 1;
      while (IsAsciiDigit(at(e)) || at(e) == '.') ++e;
      if (at(e) != '~') continue;
      drop[i] = drop[e] = true;
      mark(i, e + 1);
      i = e;
    }
  }
  if (count == 0) return;
  const std::size_t from = chars_[first].offset;
  const std::size_t to = chars_[first_end - 1].offset + chars_[first_end - 1].length;
  Add(kNote, from, to - from, "markup",
      Quote(Source(from, to)) + " read as the subscript or superscript its markup marks" +
          (count > 1 ? " (" + std::to_string(count) + " places)" : ""));
  std::vector<Char> kept;
  kept.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (drop[i]) continue;
    kept.push_back(chars_[i]);
    if (as[i] != 0) kept.back().code = as[i];
  }
  chars_ = std::move(kept);
}

// An isotope label at chars [i, end): [13C], a superscript mass number
// before a symbol (¹³C), or D and T (²H and ³H, unless the element table
// has symbols D or T).  Returns the chars it spans (0: none) and the
// element and mass number.
std::size_t Reader::Label(std::size_t i, std::size_t end, std::string* element, int* mass_number) const {
  auto symbol_at = [&](std::size_t k, std::size_t* stop) {
    std::string s;
    if (k < end && IsCapitalLetter(chars_[k].code)) {
      s += static_cast<char>(chars_[k++].code);
      while (k < end && IsSmallLetter(chars_[k].code)) s += static_cast<char>(chars_[k++].code);
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
  if ((c == 'D' || c == 'T') && !(i + 1 < end && IsSmallLetter(chars_[i + 1].code))) {
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

}  // namespace formix::toolkit::reader
