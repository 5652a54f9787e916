// chain.cpp -- chains from sequences (chain.h).
#include "toolkit/reading/chain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "refdata/bytes.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/hill.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

namespace {

using bytes::IsCapital;
using bytes::IsSmall;
bool Blank(char c) { return bytes::IsBlank(c) || c == '\r' || c == '\n'; }
char Upper(char c) { return IsSmall(c) ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLetters(const std::string& a, const char* b, std::size_t n) {
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// The bytes of the UTF-8 character at text[i] (1 for a stray byte).
std::size_t CharLength(const char* text, std::size_t i, std::size_t end) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (i + n > end) n = end - i;
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return k;
  }
  return n;
}

const char* AmbiguityMeaning(const std::string& kind, char code) {
  if (kind == "protein") {
    switch (code) {
      case 'B':
        return "Asx, aspartic acid or asparagine";
      case 'Z':
        return "Glx, glutamic acid or glutamine";
      case 'J':
        return "Xle, leucine or isoleucine";
      case 'X':
        return "any amino acid";
      default:
        return nullptr;
    }
  }
  switch (code) {
    case 'N':
      return "any base";
    case 'R':
      return "A or G";
    case 'Y':
      return kind == "dna" ? "C or T" : "C or U";
    case 'S':
      return "G or C";
    case 'W':
      return kind == "dna" ? "A or T" : "A or U";
    case 'K':
      return kind == "dna" ? "G or T" : "G or U";
    case 'M':
      return "A or C";
    case 'B':
      return "not A";
    case 'D':
      return "not C";
    case 'H':
      return "not G";
    case 'V':
      return kind == "dna" ? "not T" : "not U";
    default:
      return nullptr;
  }
}

// The modifications read by name (case aside) or by UNIMOD accession, with
// the change each makes to a residue's formula (UNIMOD's compositions; a
// label as [13C]).
struct Modification {
  const char* name;
  int unimod;
  const char* delta;
};
constexpr Modification kModifications[] = {
    {"Acetyl", 1, "C2H2O"},
    {"Amidated", 2, "H1N1O-1"},
    {"Biotin", 3, "C10H14N2O2S"},
    {"Carbamidomethyl", 4, "C2H3N1O1"},
    {"Carbamyl", 5, "C1H1N1O1"},
    {"Deamidated", 7, "H-1N-1O1"},
    {"Phospho", 21, "H1O3P1"},
    {"Glu->pyro-Glu", 27, "H-2O-1"},
    {"Gln->pyro-Glu", 28, "H-3N-1"},
    {"Methyl", 34, "C1H2"},
    {"Oxidation", 35, "O1"},
    {"Dimethyl", 36, "C2H4"},
    {"Trimethyl", 37, "C3H6"},
    {"Hex", 41, "C6H10O5"},
    {"HexNAc", 43, "C8H13N1O5"},
    {"GG", 121, "C4H6N2O2"},
    {"Formyl", 122, "C1O1"},
    {"iTRAQ4plex", 214, "C4[13C]3H12N1[15N]1O1"},
    {"Nitro", 354, "H-1N1O2"},
    {"TMT6plex", 737, "C8[13C]4H20N1[15N]1O2"},
    {"TMTpro", 2016, "C8[13C]7H25N1[15N]2O3"},
};

// Adds `factor` times the formula change `delta` ("H-2O", "C2H3NO",
// "C8[13C]4H20N[15N]O2": symbols with signed whole counts) to `counts`;
// false for a text that is no such change.
bool AddDelta(const std::string& delta, double factor, std::map<std::string, double>& counts) {
  std::size_t i = 0;
  std::map<std::string, double> change;
  while (i < delta.size()) {
    const std::size_t start = i;
    if (delta[i] == '[') {
      while (i < delta.size() && delta[i] != ']') ++i;
      if (i == delta.size()) return false;
      ++i;
    } else if (IsCapital(delta[i])) {
      ++i;
      while (i < delta.size() && IsSmall(delta[i])) ++i;
    } else {
      return false;
    }
    const std::string symbol = delta.substr(start, i - start);
    const bool negative = i < delta.size() && delta[i] == '-';
    if (negative) ++i;
    long n = 0;
    const std::size_t digits = i;
    while (i < delta.size() && bytes::IsDigit(delta[i]) && i - digits < 6) n = n * 10 + (delta[i++] - '0');
    if (i == digits) {
      if (negative) return false;
      n = 1;
    }
    change[symbol] += negative ? -static_cast<double>(n) : static_cast<double>(n);
  }
  if (change.empty()) return false;
  for (const auto& [symbol, n] : change) counts[symbol] += factor * n;
  return true;
}

// The change to the formula a bracket's text names: a modification of the
// table by name (case aside, "Oxidation") or accession ("UNIMOD:35"), or a
// formula change given as such ("Formula:H-2O"); "" for none.
std::string ModificationDelta(const std::string& text) {
  if (text.size() > 8 && SameLetters(text.substr(0, 8), "Formula:", 8)) return text.substr(8);
  const bool accession = text.size() > 7 && SameLetters(text.substr(0, 7), "UNIMOD:", 7);
  for (const Modification& m : kModifications) {
    if (accession ? text.substr(7) == std::to_string(m.unimod)
                  : SameLetters(text, m.name, std::strlen(m.name))) {
      return m.delta;
    }
  }
  return "";
}

// The names of the table, for messages.
std::string ModificationNames() {
  std::string names;
  for (const Modification& m : kModifications) names += (names.empty() ? "" : ", ") + std::string(m.name);
  return names;
}

// The monoisotopic mass of a change of the table (NaN where an isotope is
// missing from the context's list).
double DeltaMonoisotopic(const Context& context, const char* delta) {
  std::map<std::string, double> change, keyed;
  if (!AddDelta(delta, 1, change)) return std::nan("");
  for (const auto& [symbol, n] : change) keyed[IsotopeKey(symbol)] += n;
  double mono = 0.0, nominal = 0.0;
  std::string missing;
  return IsotopeMasses(context, keyed, &mono, &nominal, &missing) ? mono : std::nan("");
}

std::string Shift(double mass) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.4f", mass);
  return text;
}

// The cross-links that make a disulfide bridge (-H2), by name.
bool IsDisulfide(const std::string& name) {
  return SameLetters(name, "Disulfide", 9) || name == "MOD:00034" || name == "XLMOD:00034";
}

class ChainReader {
 public:
  ChainReader(const Context& context, const std::string& kind, const char* text, std::size_t length)
      : context_(context), kind_(kind), text_(text), length_(length) {}

  Chain Run(const ChainOptions& options);

 private:
  bool Fail(std::size_t offset, std::size_t length, std::string message) {
    if (chain_.error.empty()) {
      chain_.error = std::move(message);
      chain_.error_offset = offset;
      chain_.error_length = length;
    }
    return false;
  }
  std::string Quoted(std::size_t i, std::size_t n) const { return "'" + std::string(text_ + i, n) + "'"; }
  bool StartsWith(std::size_t i, std::size_t end, const char* s) const {
    const std::size_t n = std::strlen(s);
    return end - i >= n && std::memcmp(text_ + i, s, n) == 0;
  }
  bool EndsWith(std::size_t begin, std::size_t end, const char* s) const {
    const std::size_t n = std::strlen(s);
    return end - begin >= n && std::memcmp(text_ + end - n, s, n) == 0;
  }
  const Residue* Find(const char* code, std::size_t n, bool three) const;
  bool Use(const Residue* r, std::size_t at, std::size_t n);
  bool Codes(std::size_t begin, std::size_t end);

  const Context& context_;
  const std::string& kind_;
  const char* text_;
  std::size_t length_;
  Chain chain_;
  bool small_ = false;  // one-letter codes written in small letters
  std::map<const Residue*, std::size_t> counts_;
  std::map<std::string, double> modified_;  // the modifications' changes to the formula
  // A modification in brackets (ProForma): after a residue, of the chain's
  // N-terminus ("[Acetyl]-") or C-terminus ("-[Amidated]"), or fixed
  // ("<[Carbamidomethyl]@C>", `residue` its code's residue).  False with the
  // error at its place for a bracket that names none.
  bool Modify(std::size_t at, std::size_t n, double times);
  // "[+15.9949]": the modification of the table whose monoisotopic mass
  // shift it matches to its last decimal, with a note.
  bool MassShift(std::size_t at, std::size_t n, const std::string& text, double times);
  // One chain in text[begin, end): its ends and codes, added to the counts.
  bool OneChain(std::size_t begin, std::size_t end, const ChainOptions& options);
  std::size_t after_residue_ = static_cast<std::size_t>(-1);  // where the last residue ended
  const Residue* last_residue_ = nullptr;
  // Cross-link sites by label ("XL1"): the bracket's place, the residue,
  // the name given there ("" for [#XL1]).
  struct Site {
    std::size_t at, n;
    const Residue* residue;
    std::string name;
  };
  std::map<std::string, std::vector<Site>> links_;
  std::vector<std::pair<std::string, std::string>> ends_;  // each chain's N- and C-terminus (5', 3')
};

bool ChainReader::MassShift(std::size_t at, std::size_t n, const std::string& text, double times) {
  std::size_t i = 1, digits = 0, decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (bytes::IsDigit(text[i])) {
      ++digits;
      decimals += point;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (i != text.size() || digits == 0 || decimals > 9) {
    return Fail(at, n, Quoted(at, n) + " is no mass shift: write it +15.9949 or -17.0265");
  }
  const double shift = std::strtod(text.c_str(), nullptr);
  // One unit of the last decimal written (a shift rounded or cut there).
  const double within = std::pow(10.0, -static_cast<double>(decimals)) * (1 + 1e-9);
  std::vector<std::pair<const Modification*, double>> matches;
  for (const Modification& m : kModifications) {
    const double mono = DeltaMonoisotopic(context_, m.delta);
    if (std::fabs(mono - shift) <= within) matches.emplace_back(&m, mono);
  }
  const std::string limit = decimals == 0 ? "1" : "0." + std::string(decimals - 1, '0') + "1";
  if (matches.empty()) {
    return Fail(at, n,
                Quoted(at, n) + " matches no modification of the table within " + limit +
                    " u; name it ([Oxidation]) or give its formula ([Formula:O])");
  }
  if (matches.size() > 1) {
    std::string names;
    for (const auto& [m, mono] : matches)
      names += (names.empty() ? "" : " and ") + std::string(m->name) + " (" + Shift(mono) + ")";
    return Fail(at, n,
                Quoted(at, n) + " matches " + names + " within " + limit +
                    " u: give more decimals, the name or the formula");
  }
  const Modification& m = *matches[0].first;
  if (!AddDelta(m.delta, times, modified_)) return Fail(at, n, Quoted(at, n) + " has no formula");
  const std::string note = Quoted(at, n) + " read as " + m.name + " (UNIMOD:" + std::to_string(m.unimod) +
                           ", " + Shift(matches[0].second) + " u monoisotopic)";
  if (std::find(chain_.notes.begin(), chain_.notes.end(), note) == chain_.notes.end())
    chain_.notes.push_back(note);
  return true;
}

bool ChainReader::Modify(std::size_t at, std::size_t n, double times) {
  std::string text(text_ + at + 1, n - 2);
  const std::size_t hash = text.find('#');
  if (hash != std::string::npos) {
    // A cross-link (ProForma): C[Disulfide#XL1] ... C[#XL1], on a residue.
    const std::string label = text.substr(hash + 1);
    if (label.size() < 3 || label.compare(0, 2, "XL") != 0 || times != 1 || last_residue_ == nullptr ||
        after_residue_ != at) {
      return Fail(at, n,
                  Quoted(at, n) +
                      ": of the groups ProForma marks with '#', cross-links on a residue are read " +
                      "(C[Disulfide#XL1]...C[#XL1])");
    }
    links_[label].push_back({at, n, last_residue_, text.substr(0, hash)});
    if (hash == 0) return true;
    text.resize(hash);
    if (IsDisulfide(text)) return true;  // counted once the sites are known
    return Fail(at, n, Quoted(at, n) + ": of the cross-links only disulfides are read ([Disulfide#XL1])");
  }
  const std::string delta = ModificationDelta(text);
  if (!delta.empty() && AddDelta(delta, times, modified_)) return true;
  if (!text.empty() && (text[0] == '+' || text[0] == '-') && text.size() > 1 &&
      (bytes::IsDigit(text[1]) || text[1] == '.')) {
    return MassShift(at, n, text, times);
  }
  return Fail(at, n,
              Quoted(at, n) + " is no modification of the table (" + ModificationNames() +
                  "; or [UNIMOD:n] of those, or [Formula:H-2O]) and no " + kind_ + " residue code");
}

const Residue* ChainReader::Find(const char* code, std::size_t n, bool three) const {
  for (const Residue& r : context_.residues) {
    if (r.kind == kind_ && SameLetters(three ? r.three : r.code, code, n)) return &r;
  }
  return nullptr;
}

bool ChainReader::Use(const Residue* r, std::size_t at, std::size_t n) {
  if (r == nullptr) {
    const char* ambiguous = n == 1 ? AmbiguityMeaning(kind_, Upper(text_[at])) : nullptr;
    if (ambiguous != nullptr) {
      return Fail(at, n, Quoted(at, n) + " is an ambiguity code (" + ambiguous + "): it has no one formula");
    }
    return Fail(at, n, Quoted(at, n) + " is no " + kind_ + " residue code");
  }
  ++counts_[r];
  ++chain_.residues;
  last_residue_ = r;
  chain_.sequence += r->code.size() == 1 ? r->code : "[" + r->code + "]";
  return true;
}

// The codes in text[begin, end): one-letter, three-letter or bracketed.
bool ChainReader::Codes(std::size_t begin, std::size_t end) {
  bool hyphens = false, three = kind_ == "protein", any_capital = false, any_small = false;
  std::size_t letters = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const char c = text_[i];
    if (c == '[') {
      while (i < end && text_[i] != ']') ++i;
      continue;
    }
    hyphens = hyphens || c == '-';
    any_capital = any_capital || IsCapital(c);
    any_small = any_small || IsSmall(c);
    if (IsCapital(c) || IsSmall(c)) three = three && (letters++ % 3 == 0 ? IsCapital(c) : IsSmall(c));
  }
  // AlaGlySer: capitals each followed by two small letters.
  three = three && !hyphens && letters > 0 && letters % 3 == 0;
  small_ = any_small && !any_capital;
  std::size_t i = begin;
  std::size_t run = begin;  // the end of the run of letters at i, found once a run
  while (i < end) {
    const char c = text_[i];
    if (Blank(c)) {
      ++i;
      continue;
    }
    if (c == '-' && hyphens && i > begin && i + 1 < end) {
      ++i;
      continue;
    }
    if (c == '[') {
      std::size_t close = i + 1;
      while (close < end && text_[close] != ']' && text_[close] != '[') ++close;
      if (close >= end || text_[close] != ']') return Fail(i, 1, "the '[' is not closed");
      const Residue* code = Find(text_ + i + 1, close - i - 1, false);
      if (code == nullptr && kind_ == "protein" && after_residue_ == i) {
        // A modification of the residue before it (ProForma: M[Oxidation]).
        if (!Modify(i, close + 1 - i, 1)) return false;
        chain_.sequence += std::string(text_ + i, close + 1 - i);
        i = close + 1;
        after_residue_ = i;
        continue;
      }
      if (!Use(code, i, close + 1 - i)) return false;
      i = close + 1;
      after_residue_ = i;
      continue;
    }
    if (IsCapital(c) || IsSmall(c)) {
      if (run <= i) {
        run = i;
        while (run < end && (IsCapital(text_[run]) || IsSmall(text_[run]))) ++run;
      }
      if (three || (hyphens && kind_ == "protein" && run - i == 3)) {
        // Three-letter codes: run together (three) or one between hyphens.
        for (std::size_t k = i; k < run; k += 3) {
          if (run - k < 3) return Fail(k, run - k, Quoted(k, run - k) + " is no " + kind_ + " residue code");
          if (!Use(Find(text_ + k, 3, true), k, 3)) return false;
        }
        i = run;
        after_residue_ = i;
        continue;
      }
      if (hyphens && run - i != 1) {
        return Fail(i, run - i, Quoted(i, run - i) + " is no " + kind_ + " residue code");
      }
      if (IsSmall(c) && !small_) {
        return Fail(i, 1, Quoted(i, 1) + ": one-letter codes are all capitals or all small letters");
      }
      if (!Use(Find(text_ + i, 1, false), i, 1)) return false;
      ++i;
      after_residue_ = i;
      continue;
    }
    const std::size_t n = CharLength(text_, i, end);
    return Fail(i, n, Quoted(i, n) + " is no " + kind_ + " residue code");
  }
  return true;
}

void Add(std::map<std::string, double>& counts, const char* symbol, double n) { counts[symbol] += n; }

}  // namespace

bool ChainReader::OneChain(std::size_t begin, std::size_t end, const ChainOptions& options) {
  const bool protein = kind_ == "protein";
  std::string five = protein ? "H" : "OH", three = "OH";
  const std::size_t sequence_from = chain_.sequence.size();
  if (protein) {
    // ProForma's terminal modifications: "[Acetyl]-" and "-[Amidated]".
    if (begin < end && text_[begin] == '[') {
      const char* close = static_cast<const char*>(std::memchr(text_ + begin, ']', end - begin));
      const std::size_t stop = close == nullptr ? end : static_cast<std::size_t>(close - text_) + 1;
      if (stop < end && text_[stop] == '-') {
        if (!Modify(begin, stop - begin, 1)) return false;
        five = std::string(text_ + begin, stop - begin);  // the N-terminus as written: [Acetyl]
        begin = stop + 1;
      }
    }
    if (end > begin + 2 && text_[end - 1] == ']') {
      std::size_t open = end - 1;
      while (open > begin && text_[open] != '[') --open;
      if (open > begin && text_[open] == '[' && text_[open - 1] == '-') {
        if (!Modify(open, end - open, 1)) return false;
        three = std::string(text_ + open, end - open);  // the C-terminus as written: [Amidated]
        end = open - 1;
      }
    }
  }
  if (protein) {
    bool free_n = false, free_c = false;
    if (StartsWith(begin, end, "H-")) {
      free_n = true;
      begin += 2;
    } else if (StartsWith(begin, end, "Ac-")) {
      five = "Ac";
      begin += 3;
    }
    if (EndsWith(begin, end, "-OH")) {
      free_c = true;
      end -= 3;
    } else if (EndsWith(begin, end, "-NH2")) {
      three = "NH2";
      end -= 4;
    }
    if (options.acetyl && free_n) {
      Fail(begin - 2, 2, "the sequence starts with a free N-terminus (H-) but N-acetyl was asked for");
      return false;
    }
    if (options.amide && free_c) {
      Fail(end, 3, "the sequence ends with a free C-terminus (-OH) but C-amide was asked for");
      return false;
    }
    if (options.acetyl) five = "Ac";
    if (options.amide) three = "NH2";
  } else {
    // The ends' primes as an apostrophe or as the prime sign (U+2032).
    if (StartsWith(begin, end, "5'-")) begin += 3;
    if (StartsWith(begin, end, "5\xE2\x80\xB2-")) begin += 5;
    if (EndsWith(begin, end, "-3'")) end -= 3;
    if (EndsWith(begin, end, "-3\xE2\x80\xB2")) end -= 5;
    if (begin < end && text_[begin] == 'p') {
      five = "phosphate";
      ++begin;
    }
    if (options.five_phosphate) five = "phosphate";
  }
  if (!Codes(begin, end)) return false;
  ends_.emplace_back(five, three);
  const std::string codes = chain_.sequence.substr(sequence_from);
  chain_.chain_texts.push_back(protein ? five + "-" + codes + "-" + three
                                       : "5'-" + std::string(five == "phosphate" ? "p" : "") + codes + "-3'");
  return true;
}

Chain ChainReader::Run(const ChainOptions& options) {
  chain_.kind = kind_;
  if (kind_ != "protein" && kind_ != "dna" && kind_ != "rna") {
    Fail(0, 0, "the kind of sequence '" + kind_ + "' is none of protein, dna, rna");
    return chain_;
  }
  if (length_ > kMaxSequenceText) {
    Fail(0, length_,
         "the sequence is " + std::to_string(length_) + " bytes long; at most " +
             std::to_string(kMaxSequenceText) + " are read");
    return chain_;
  }
  const bool protein = kind_ == "protein";
  if (!protein && (options.acetyl || options.amide || options.disulfides != 0)) {
    Fail(0, 0, "N-acetyl, C-amide and disulfides are for proteins, not " + kind_);
    return chain_;
  }
  if (protein && options.five_phosphate) {
    Fail(0, 0, "a 5'-phosphate is for dna and rna, not proteins");
    return chain_;
  }
  if (options.disulfides < 0 || options.disulfides > 1000000) {
    Fail(0, 0, "the number of disulfides must be a whole number from 0 to 1000000");
    return chain_;
  }
  std::size_t begin = 0, end = length_;
  if (begin < end && text_[begin] == '>') {  // a FASTA header
    while (begin < end && text_[begin] != '\n') ++begin;
  }
  while (begin < end && Blank(text_[begin])) ++begin;
  while (end > begin && Blank(text_[end - 1])) --end;
  // ProForma's fixed modifications, "<[Carbamidomethyl]@C>": each residue
  // of the code given.
  std::vector<std::pair<std::size_t, std::size_t>> fixed;  // the bracket's place and the code's
  while (protein && begin < end && text_[begin] == '<') {
    const char* close = static_cast<const char*>(std::memchr(text_ + begin, '>', end - begin));
    const std::size_t stop = close == nullptr ? end : static_cast<std::size_t>(close - text_);
    const char* bracket_end = static_cast<const char*>(std::memchr(text_ + begin, ']', stop - begin));
    if (close == nullptr || text_[begin + 1] != '[' || bracket_end == nullptr ||
        static_cast<std::size_t>(bracket_end - text_) + 3 != stop || bracket_end[1] != '@') {
      Fail(begin, stop - begin + (close != nullptr), "a fixed modification is written <[Carbamidomethyl]@C>");
      return chain_;
    }
    fixed.emplace_back(begin + 1, stop - 1);
    begin = stop + 1;
    while (begin < end && Blank(text_[begin])) ++begin;
  }
  // ProForma's charge state at the end, "/2" (protons added, as --charge).
  if (protein) {
    std::size_t slash = end;
    while (slash > begin && bytes::IsDigit(text_[slash - 1])) --slash;
    const bool minus = slash > begin + 1 && text_[slash - 1] == '-' && text_[slash - 2] == '/';
    const std::size_t mark = minus ? slash - 2 : slash - 1;
    if (slash < end && end - slash <= 3 && slash > begin + 1 && text_[mark] == '/' &&
        (mark == begin || text_[mark - 1] != '/')) {
      int z = 0;
      for (std::size_t k = slash; k < end; ++k) z = z * 10 + (text_[k] - '0');
      if (z == 0 || z > 100) {
        Fail(mark, end - mark, "a charge state is a whole number from 1 to 100 (/2)");
        return chain_;
      }
      chain_.charge_state = minus ? -z : z;
      end = mark;
    }
  }
  // Several chains (ProForma's "//"), each with its own ends.
  std::size_t from = begin;
  for (std::size_t k = begin; k <= end; ++k) {
    const bool last = k == end;
    if (!last && !(protein && text_[k] == '/')) continue;
    if (!last && (k + 1 >= end || text_[k + 1] != '/')) {
      Fail(k, end - k, "a charge state (/2) ends the sequence; adducts after it are not read yet");
      return chain_;
    }
    std::size_t b = from, e = k;
    while (b < e && Blank(text_[b])) ++b;
    while (e > b && Blank(text_[e - 1])) --e;
    if (b == e && !last) {
      Fail(k, 2, "a chain is missing before '//'");
      return chain_;
    }
    const std::size_t before = chain_.residues;
    if (chain_.chains > 0) chain_.sequence += "//";
    if (!OneChain(b, e, options)) return chain_;
    if (chain_.residues == before && (k < end || chain_.chains > 0)) {
      Fail(b == e ? from - 2 : b, b == e ? 2 : e - b, "a chain after '//' holds no residue");
      return chain_;
    }
    ++chain_.chains;
    from = k + 2;
    ++k;
  }
  if (chain_.residues == 0) {
    Fail(0, 0, "the sequence holds no residue");
    return chain_;
  }
  for (const auto& [bracket, code] : fixed) {
    std::size_t n = 0;
    for (const auto& [residue, count] : counts_) {
      if (residue->code.size() == 1 && residue->code[0] == text_[code]) n += count;
    }
    if (!Modify(bracket, code - 1 - bracket, static_cast<double>(n))) return chain_;
  }
  std::map<std::string, double> counts;
  for (const auto& [residue, n] : counts_) {
    const Reading r = Read(context_, residue->formula.data(), residue->formula.size());
    if (!r.has_value || r.charge != 0) {
      Fail(0, 0,
           "the formula '" + residue->formula + "' of the " + kind_ + " residue " + residue->code +
               " in residues.txt has no molar mass");
      return chain_;
    }
    for (const ElementShare& e : r.elements) counts[e.symbol] += e.atoms * static_cast<double>(n);
  }
  for (const auto& [five, three] : ends_) {
    if (protein) {
      Add(counts, "H", 2);
      Add(counts, "O", 1);
      if (five == "Ac") {
        Add(counts, "C", 2);
        Add(counts, "H", 2);
        Add(counts, "O", 1);
      }
      if (three == "NH2") {
        Add(counts, "N", 1);
        Add(counts, "H", 1);
        Add(counts, "O", -1);
      }
    } else {
      // n residues joined by n - 1 phosphates: H2O - HPO3; a 5'-phosphate
      // adds the one taken off.
      Add(counts, "H", five == "phosphate" ? 2 : 1);
      Add(counts, "O", five == "phosphate" ? 1 : -2);
      if (five != "phosphate") Add(counts, "P", -1);
    }
    chain_.five_end += (chain_.five_end.empty() ? "" : "//") + five;
    chain_.three_end += (chain_.three_end.empty() ? "" : "//") + three;
  }
  if (protein) {
    // Each cross-link: two cysteines, one of them naming it a disulfide.
    long links = 0;
    for (const auto& [label, sites] : links_) {
      const Site& first = sites.front();
      const bool named =
          std::any_of(sites.begin(), sites.end(), [](const Site& x) { return !x.name.empty(); });
      if (sites.size() != 2 || !named) {
        Fail(first.at, first.n,
             "the cross-link " + label + " has " + std::to_string(sites.size()) +
                 (sites.size() == 1 ? " site" : " sites") + (named ? "" : ", none named") +
                 ": a disulfide joins two cysteines, C[Disulfide#" + label + "]...C[#" + label + "]");
        return chain_;
      }
      for (const Site& x : sites) {
        if (x.residue->code != "C") {
          Fail(x.at, x.n, "the disulfide " + label + " is on " + x.residue->code + ", not a cysteine (C)");
          return chain_;
        }
      }
      ++links;
    }
    const long bridges = options.disulfides + links;
    std::size_t cysteines = 0;
    for (const auto& [residue, n] : counts_) {
      if (residue->code == "C") cysteines += n;
    }
    if (static_cast<std::size_t>(bridges) * 2 > cysteines) {
      Fail(0, 0,
           std::to_string(bridges) + " disulfide bridges need " + std::to_string(bridges * 2) +
               " cysteines; the sequence has " + std::to_string(cysteines));
      return chain_;
    }
    Add(counts, "H", -2.0 * static_cast<double>(bridges));
    chain_.disulfides = bridges;
  }
  for (const auto& [symbol, n] : modified_) counts[symbol] += n;
  std::vector<std::pair<std::string, double>> list;
  for (const auto& [symbol, n] : counts) {
    if (n < 0) {
      Fail(0, 0, "the modifications take more " + symbol + " than the chain has");
      return chain_;
    }
    if (n != 0) list.emplace_back(symbol, n);
  }
  chain_.formula = HillFormula(list, 0, false);
  std::vector<HillEntry> entries;
  for (const auto& [symbol, n] : list) entries.push_back({symbol, symbol});
  for (std::size_t i : HillOrder(entries)) chain_.counts.push_back(list[i]);
  return chain_;
}

std::string ProtonatedCounts(const Chain& chain, int charge,
                             std::vector<std::pair<std::string, double>>* counts) {
  *counts = chain.counts;
  bool hydrogen = false;
  for (auto& [symbol, n] : *counts) {
    if (symbol != "H") continue;
    n += charge;
    hydrogen = true;
    if (n < 0) {
      // G (5 H) at 6-: no chain loses protons it does not have.
      return "the chain has " + ShortestText(n - charge) + " hydrogens: it cannot lose " +
             std::to_string(-charge) + " protons (charge " + std::to_string(charge) + ")";
    }
  }
  if (!hydrogen && charge < 0)
    return "the chain has no hydrogen to lose for the charge " + std::to_string(charge);
  if (!hydrogen) counts->emplace_back("H", charge);
  return "";
}

std::string ChainText(const Chain& c) {
  std::string text;
  for (const std::string& t : c.chain_texts) text += (text.empty() ? "" : "//") + t;
  return text;
}

Chain ReadChain(const Context& context, const std::string& kind, const char* text, std::size_t length,
                const ChainOptions& options) {
  return ChainReader(context, kind, text, length).Run(options);
}

std::size_t SequenceNotation(const char* text, std::size_t length, std::string* kind) {
  for (const char* k : {"peptide", "dna", "rna"}) {
    const std::size_t n = std::strlen(k);
    if (length > n && std::memcmp(text, k, n) == 0 && text[n] == '(') {
      *kind = n == 7 ? "protein" : k;
      return n + 1;
    }
  }
  return 0;
}

}  // namespace formix::toolkit
