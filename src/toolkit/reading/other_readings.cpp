// other_readings.cpp -- readings other than the engine's (see other_readings.h).
#include "toolkit/reading/other_readings.h"

#include <algorithm>
#include <cstring>

#include "refdata/tables.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/severity.h"

namespace formix::toolkit {
namespace {

// What often follows a '.' in adducts and salts as pasted: water and the
// common acids (the solvent list adds the rest).
const char* const kPartners[] = {"H2O",   "D2O",   "HCl",   "HBr",   "HI",     "HF",     "HNO3",
                                 "H2SO4", "H3PO4", "HClO4", "CH3OH", "C2H5OH", "CH2Cl2", "CHCl3"};

// Symbols of the non-metals (and metalloids) that a Roman numeral in
// brackets after them is no oxidation state people write in a formula.
const char* const kNonMetals[] = {"H",  "He", "B",  "C",  "N",  "O",  "F",  "Ne", "Si", "P",  "S",
                                  "Cl", "Ar", "As", "Se", "Br", "Kr", "Te", "I",  "Xe", "At", "Rn"};

const char* const kRoman[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII"};

class Finder {
 public:
  Finder(const Context& context, const std::vector<Char>& chars, const char* text, std::size_t length,
         std::size_t end)
      : context_(context), c_(chars), text_(text), length_(length), end_(end) {}

  std::vector<OtherReading> Run() {
    if (end_ == 0) return {};
    LeadingSubscript();
    MassNumbers();
    LeadingCoefficient();
    Dots();
    OxidationStates();
    Abbreviations();
    return std::move(out_);
  }

 private:
  // Bytes of the text as given from char i (end_ and past: the end).
  std::size_t At(std::size_t i) const { return i < c_.size() ? c_[i].offset : length_; }
  std::string Bytes(std::size_t i, std::size_t j) const { return std::string(text_ + At(i), At(j) - At(i)); }
  // The text with chars [i, j) replaced.
  std::string Splice(std::size_t i, std::size_t j, const std::string& with) const {
    return std::string(text_, At(i)) + with + std::string(text_ + At(j), length_ - At(j));
  }
  char32_t Code(std::size_t i) const { return i < end_ ? c_[i].code : 0; }
  std::size_t SkipBlanks(std::size_t i) const {
    while (i < end_ && IsBlank(c_[i].code)) ++i;
    return i;
  }
  // The end of the run of a capital and small letters at i.
  std::size_t SymbolEnd(std::size_t i) const {
    if (!IsCapitalLetter(Code(i))) return i;
    std::size_t j = i + 1;
    while (IsSmallLetter(Code(j))) ++j;
    return j;
  }
  // The ASCII run at char i, at most `most` bytes (what a name can be
  // compared with: names are ASCII).
  std::string AsciiAhead(std::size_t i, std::size_t most) const {
    std::string s;
    for (std::size_t k = i; k < end_ && s.size() < most && c_[k].code < 128; ++k)
      s += static_cast<char>(c_[k].code);
    return s;
  }
  std::string Ascii(std::size_t i, std::size_t j) const {
    std::string s;
    for (std::size_t k = i; k < j; ++k) s += c_[k].code < 128 ? static_cast<char>(c_[k].code) : '\x01';
    return s;
  }
  bool IsElement(const std::string& s) const {
    return !s.empty() && refdata::LookupElement(context_.tables, s.data(), s.size()) >= 0;
  }
  bool IsSymbolOrGroup(const std::string& s) const { return context_.IsSymbolOrGroup(s.data(), s.size()); }
  void Add(OtherReading s) { out_.push_back(std::move(s)); }

  // Where the part that starts at char s ends (a separator outside
  // brackets, or end_).
  std::size_t PartEnd(std::size_t s) const {
    int depth = 0;
    for (std::size_t i = s; i < end_; ++i) {
      const char32_t c = c_[i].code;
      depth += IsOpeningChar(c) ? 1 : IsClosingChar(c) ? -1 : 0;
      if (depth <= 0 && IsSeparator(c)) return i;
    }
    return end_;
  }

  // ₃H₂O: a subscript where a formula should start.
  void LeadingSubscript() {
    const std::size_t s = SkipBlanks(0);
    if (s >= end_ || SubscriptDigit(c_[s].code) < 0) return;
    std::size_t e = s;
    while (e < end_ && SubscriptDigit(c_[e].code) >= 0) ++e;
    Add({kError,
         At(s),
         At(e) - At(s),
         "leading-subscript",
         "'" + Bytes(s, e) +
             "' at the start is a subscript with nothing before it: part of the formula is "
             "missing (a coefficient is written in normal digits)",
         "",
         {}});
  }

  // 13C6H12O6, 15NH4Cl, 2H: a number in front that is the mass number of an
  // isotope of the element after it (or near the element's mass numbers).
  void MassNumbers() {
    // At the start only: a number after '*' multiplies a part (10H2O),
    // where a mass number is rarely written.
    const std::size_t s = SkipBlanks(0);
    std::size_t d = s;
    int number = 0;
    while (d < end_ && IsAsciiDigit(c_[d].code) && d - s < 3)
      number = number * 10 + static_cast<int>(c_[d++].code - '0');
    if (d == s || IsAsciiDigit(Code(d)) || Code(d) == '.' || Code(d) == ',' || Code(d) == '/') return;
    const std::size_t e = SymbolEnd(d);
    if (e == d) return;
    const std::string element = Ascii(d, e);
    auto it = context_.isotopes.find(element);
    if (it == context_.isotopes.end()) return;
    const std::size_t part_end = PartEnd(s);
    const bool single = SkipBlanks(e) == part_end;  // 13C, 2H: one atom
    if (number < 10 && !single) return;             // 2H2O: two waters
    bool known = false;
    int lowest = 1000, highest = 0;
    for (const Isotope& iso : it->second) {
      known = known || iso.mass_number == number;
      lowest = std::min(lowest, iso.mass_number);
      highest = std::max(highest, iso.mass_number);
    }
    const std::string label = std::to_string(number) + element;
    const std::string part = Bytes(d, part_end);
    if (known) {
      Add({kWarning,
           At(s),
           At(e) - At(s),
           "mass-number",
           "'" + Bytes(s, e) + "' is read as " + std::to_string(number) + " \xC3\x97 " + part +
               " (\x01u); if " + std::to_string(number) + " is the mass number of " + label + ", it is " +
               Splice(s, e, "[" + label + "]") + " (\x01o): write an isotope label in brackets, [" + label +
               "]",
           Splice(s, e, "[" + label + "]"),
           {}});
    } else if (number >= lowest - 4 && number <= highest + 4) {
      Add({kWarning,
           At(s),
           At(e) - At(s),
           "mass-number",
           "'" + Bytes(s, e) + "' is read as " + std::to_string(number) + " \xC3\x97 " + part +
               " (\x01u); if " + std::to_string(number) + " is a mass number, " + label +
               " is not in the isotope list (isotopes.txt)",
           "",
           {}});
    }
  }

  // 3CdSO4·8H2O: a leading number multiplies every part.
  void LeadingCoefficient() {
    const std::size_t s = SkipBlanks(0);
    std::size_t d = s;
    while (d < end_ && (IsAsciiDigit(c_[d].code) || (d > s && c_[d].code == '.'))) ++d;
    if (d == s || d >= end_ || !(IsCapitalLetter(c_[d].code) || IsOpeningChar(c_[d].code))) return;
    const std::size_t separator = PartEnd(d);
    if (separator >= end_) return;
    std::size_t first_end = separator;
    while (first_end > d && IsBlank(c_[first_end - 1].code)) --first_end;
    const std::string number = Bytes(s, d), first = Bytes(d, first_end);
    const std::string other =
        "(" + first + ")" + number + std::string(text_ + At(first_end), length_ - At(first_end));
    Add({kWarning,
         At(s),
         At(d) - At(s),
         "leading-coefficient",
         "the leading '" + number + "' multiplies every part: " + number + " \xC3\x97 (" + Bytes(d, end_) +
             ") (\x01u); if it counts only " + first + ", write " + other + " (\x01o)",
         other,
         {}});
  }

  // Whether a partner of an adduct starts at char k.
  bool PartnerAt(std::size_t k) const {
    const std::string ahead = AsciiAhead(k, 12);
    auto starts = [&](const std::string& p) {
      return ahead.compare(0, p.size(), p) == 0 &&
             !(ahead.size() > p.size() && IsSmallLetter(ahead[p.size()]));
    };
    for (const char* p : kPartners) {
      if (starts(p)) return true;
    }
    for (const Solvent& s : context_.solvents) {
      if (!s.formula.empty() && starts(s.formula)) return true;
    }
    return false;
  }

  // C17H19NO3.HCl.3H2O, C10H15N.2HBr, CuSO4.5H2O: a '.' that joins parts; as
  // pharmacopoeias write them, a ',' too (FeSO4,7H2O).
  void Dots() {
    std::vector<std::size_t> joins;  // '.' read as '*' in the other reading
    std::size_t first = 0, first_end = 0;
    bool doubtful = false, commas = false;
    std::vector<std::pair<std::size_t, std::size_t>> quiet;
    int depth = 0;
    for (std::size_t i = 0; i < end_; ++i) {
      const char32_t c = c_[i].code;
      depth += IsOpeningChar(c) ? 1 : IsClosingChar(c) ? -1 : 0;
      if ((c != '.' && c != ',') || depth > 0 || i == 0 || i + 1 >= end_) continue;
      if (c == ',') commas = true;
      const char32_t before = c_[i - 1].code, after = c_[i + 1].code;
      std::size_t k = i + 1;
      while (k < end_ && IsAsciiDigit(c_[k].code)) ++k;
      const bool part_follows = k < end_ && (IsCapitalLetter(c_[k].code) || IsOpeningChar(c_[k].code));
      bool joins_here = false, doubtful_here = false;
      std::size_t from = i;
      if (IsAsciiDigit(before) && IsAsciiDigit(after)) {
        // 4.5 before H2O: a subscript 4 and a hydrate, unless the number
        // is a true fraction (0.7, 1.05) or not a subscript at all.
        std::size_t w = i;
        while (w > 0 && IsAsciiDigit(c_[w - 1].code)) --w;
        bool whole_zero = true;
        for (std::size_t x = w; x < i; ++x) whole_zero = whole_zero && c_[x].code == '0';
        const bool subscript = w > 0 && (IsLetter(c_[w - 1].code) || IsClosingChar(c_[w - 1].code));
        doubtful_here = subscript && !whole_zero && part_follows && PartnerAt(k);
        joins_here = doubtful_here;
        from = w;
      } else if (IsAsciiDigit(before)) {
        joins_here = IsCapitalLetter(after) || IsOpeningChar(after);  // O3.HCl: the same mass either way
      } else if (IsLetter(before) || IsClosingChar(before)) {
        joins_here = doubtful_here = part_follows;  // N.2HBr, Cl.H2O
      }
      if (joins_here) joins.push_back(i);
      if (joins_here && c == ',') quiet.push_back({At(i), At(i + 1)});  // no decimal comma either
      if (doubtful_here) {
        if (!doubtful) first = from, first_end = k;
        doubtful = true;
        quiet.push_back({At(i), At(i + 1)});
      }
    }
    if (!doubtful) return;
    std::string other(text_, length_);
    for (std::size_t i : joins) other[At(i)] = '*';
    std::string dotted = other;
    for (auto it = joins.rbegin(); it != joins.rend(); ++it) dotted.replace(At(*it), 1, "\xC2\xB7");
    Add({kWarning, At(first), At(first_end) - At(first), "hydrate-dot",
         std::string(commas ? "','" : "'.'") +
             " joins two parts but is read as a decimal point: " + std::string(text_, length_) +
             " is read as written (\x01u); as parts it is \x01o; for a hydrate or adduct write " + other +
             " or " + dotted,
         other, quiet});
  }

  // Cu(II)SO4: an oxidation state in brackets reads as iodine and vanadium.
  void OxidationStates() {
    for (std::size_t i = 0; i < end_; ++i) {
      const std::size_t e = SymbolEnd(i);
      if (e == i) continue;
      const std::string symbol = Ascii(i, e);
      i = e - 1;
      if (Code(e) != '(' || !IsElement(symbol)) continue;
      if (std::find_if(std::begin(kNonMetals), std::end(kNonMetals),
                       [&](const char* s) { return symbol == s; }) != std::end(kNonMetals)) {
        continue;
      }
      std::size_t k = e + 1;
      while (k < end_ && (c_[k].code == 'I' || c_[k].code == 'V' || c_[k].code == 'X')) ++k;
      if (Code(k) != ')') continue;
      const std::string numeral = Ascii(e + 1, k);
      if (std::find_if(std::begin(kRoman), std::end(kRoman), [&](const char* r) { return numeral == r; }) ==
          std::end(kRoman)) {
        continue;
      }
      const std::string other = Splice(e, k + 1, "");
      Add({kError,
           At(e),
           At(k + 1) - At(e),
           "oxidation-state",
           "'(" + numeral + ")' after " + symbol + " is read as " + AsRead(e + 1, k) +
               (numeral.find('V') == std::string::npos ? " (iodine)" : " (iodine and vanadium)") +
               "; as the oxidation state " + symbol + "(" + numeral +
               ") it is no part of the formula: write " + other + " (\x01o)",
           other,
           {}});
      i = k;
    }
  }

  // How the engine's tables take the letters of chars [i, j): symbols and
  // group names, longest first ("N, B, S"; "B, py").
  std::string AsRead(std::size_t i, std::size_t j) const {
    std::string out;
    for (std::size_t k = i; k < j;) {
      // A group name (expanded wherever it stands once others around it
      // are), else the longest element symbol, else one character.
      std::size_t best = 0;
      for (const std::string& g : context_.group_names) {
        if (g.size() > best && k + g.size() <= j && Ascii(k, k + g.size()) == g) best = g.size();
      }
      for (std::size_t n = std::min(SymbolEnd(k), j) - k; best == 0 && n > 0; --n) {
        if (IsElement(Ascii(k, k + n))) best = n;
      }
      if (best == 0) best = 1;
      const std::string piece = Bytes(k, k + best);
      out += (out.empty() ? "" : ", ") + (IsLetter(c_[k].code) ? piece : "'" + piece + "'");
      k += best;
    }
    return out;
  }

  // Whether chars [i, j) are a whole part of the text: at the start or
  // after a separator ('*', a middle dot, '.', ','), and at the end, before
  // a separator, or before a dash and a partner (Tris-HCl).  Tris·HCl is
  // tris and HCl; Na2EDTA and HEPES-Na are salts, whose formulas lack the
  // hydrogens the metal replaced.
  bool StandsWhole(std::size_t i, std::size_t j) const {
    auto separator = [](char32_t c) { return IsSeparator(c) || c == '.' || c == ','; };
    std::size_t b = i;
    while (b > 0 && IsBlank(c_[b - 1].code)) --b;
    if (b > 0 && !separator(c_[b - 1].code)) return false;
    const std::size_t e = SkipBlanks(j);
    if (e >= end_ || separator(Code(e))) return true;
    return IsDash(Code(e)) || Code(e) == '-' ? PartnerAt(SkipBlanks(e + 1)) : false;
  }

  // NBS, Cp*, TBSCl, Fe(phen)3 (a list), Co(Bpy)(CO)4 (a symbol and a group
  // name run together).
  void Abbreviations() {
    for (std::size_t i = 0; i < end_; ++i) {
      // At a capital (a symbol starts there: KCp*, TBSCl), or at a small
      // letter that starts a word (Fe(phen)3).
      if (!IsLetter(c_[i].code) || (i > 0 && IsLetter(c_[i - 1].code) && !IsCapitalLetter(c_[i].code)))
        continue;
      const std::string ahead = AsciiAhead(i, 15);  // fits the string itself, no allocation
      if (const Abbreviation* a = context_.AcronymAt(ahead.data(), ahead.size())) {
        const std::size_t j = i + a->symbol.size();
        std::string message = "'" + a->symbol + "' is read as " + AsRead(i, j) + " (\x01u); " + a->symbol +
                              " is also " + a->meaning;
        std::string other;
        if (!a->formula.empty()) {
          const bool bracketed = i > 0 && IsOpeningChar(c_[i - 1].code) && IsClosingChar(Code(j));
          other = Splice(i, j, bracketed ? a->formula : "(" + a->formula + ")");
          message += ", " + a->formula + ": " + other + " is \x01o";
        }
        message += "; define " + a->symbol + " in the group file, or write its formula";
        Add({kWarning,
             At(i),
             At(j) - At(i),
             "abbreviation",
             message,
             other,
             {{At(i), At(j)}},
             a->compound && StandsWhole(i, j) ? a : nullptr});
        i = j - 1;
        continue;
      }
    }
    // A capital and small letters that are neither a symbol nor a group
    // name, but a symbol or group name followed by group names (Bpy: B py).
    for (std::size_t i = 0; i < end_; ++i) {
      const std::size_t b = i, e = SymbolEnd(i);
      if (e <= b + 1) continue;
      const std::string word = Ascii(b, e);
      const std::size_t from = At(b);
      i = e - 1;
      if (IsSymbolOrGroup(word)) continue;
      if (std::any_of(out_.begin(), out_.end(), [&](const OtherReading& s) {
            return std::strcmp(s.code, "abbreviation") == 0 && s.offset <= from && from < s.offset + s.length;
          })) {
        continue;
      }
      // Small-letter pieces can only be group names: split the tail.
      std::vector<bool> ok(word.size() + 1, false);
      ok[word.size()] = true;
      for (std::size_t k = word.size(); k-- > 1;) {
        for (const std::string& g : context_.group_names) {
          if (!g.empty() && IsSmallLetter(static_cast<unsigned char>(g[0])) && k + g.size() <= word.size() &&
              ok[k + g.size()] && word.compare(k, g.size(), g) == 0)
            ok[k] = true;
        }
      }
      std::size_t head = 0;
      for (std::size_t k = word.size() - 1; k >= 1 && head == 0; --k) {
        const std::string prefix = word.substr(0, k);
        if (ok[k] && IsSymbolOrGroup(prefix)) head = k;
      }
      if (head == 0) continue;
      // As the engine reads it: the head, then the group names of the tail.
      std::string as_read = word.substr(0, head);
      for (std::size_t k = head; k < word.size();) {
        std::size_t next = k + 1;
        for (const std::string& g : context_.group_names) {
          if (!g.empty() && k + g.size() <= word.size() && ok[k + g.size()] &&
              word.compare(k, g.size(), g) == 0) {
            next = k + g.size();
            break;
          }
        }
        as_read += ", " + word.substr(k, next - k);
        k = next;
      }
      Add({kWarning,
           from,
           word.size(),
           "abbreviation",
           "'" + word + "' is no element symbol or group name: it is read as " + as_read +
               " (\x01u); if it is an abbreviation, define it in the group file, or write its formula",
           "",
           {}});
    }
  }

  const Context& context_;
  const std::vector<Char>& c_;
  const char* text_;
  std::size_t length_, end_;
  std::vector<OtherReading> out_;
};

}  // namespace

std::vector<OtherReading> LookForOtherReadings(const Context& context, const std::vector<Char>& chars,
                                               const char* text, std::size_t length, std::size_t end) {
  return Finder(context, chars, text, length, end).Run();
}

}  // namespace formix::toolkit
