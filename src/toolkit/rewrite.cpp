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
#include "toolkit/numbers.h"
#include "toolkit/reader.h"

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
  return true;
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
