// chain.cpp -- chains from sequences (chain.h).
#include "toolkit/reading/chain.h"

#include <algorithm>
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
};

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
      if (!Use(Find(text_ + i + 1, close - i - 1, false), i, close + 1 - i)) return false;
      i = close + 1;
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
      continue;
    }
    const std::size_t n = CharLength(text_, i, end);
    return Fail(i, n, Quoted(i, n) + " is no " + kind_ + " residue code");
  }
  return true;
}

void Add(std::map<std::string, double>& counts, const char* symbol, double n) { counts[symbol] += n; }

}  // namespace

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
  std::string five = protein ? "H" : "OH", three = "OH";
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
      return chain_;
    }
    if (options.amide && free_c) {
      Fail(end, 3, "the sequence ends with a free C-terminus (-OH) but C-amide was asked for");
      return chain_;
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
  if (!Codes(begin, end)) return chain_;
  if (chain_.residues == 0) {
    Fail(0, 0, "the sequence holds no residue");
    return chain_;
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
    std::size_t cysteines = 0;
    for (const auto& [residue, n] : counts_) {
      if (residue->code == "C") cysteines += n;
    }
    if (static_cast<std::size_t>(options.disulfides) * 2 > cysteines) {
      Fail(0, 0,
           std::to_string(options.disulfides) + " disulfide bridges need " +
               std::to_string(options.disulfides * 2) + " cysteines; the sequence has " +
               std::to_string(cysteines));
      return chain_;
    }
    Add(counts, "H", -2.0 * static_cast<double>(options.disulfides));
    chain_.disulfides = options.disulfides;
  } else {
    // n residues joined by n - 1 phosphates: H2O - HPO3; a 5'-phosphate
    // adds the one taken off.
    Add(counts, "H", five == "phosphate" ? 2 : 1);
    Add(counts, "O", five == "phosphate" ? 1 : -2);
    if (five != "phosphate") Add(counts, "P", -1);
  }
  std::vector<std::pair<std::string, double>> list;
  for (const auto& [symbol, n] : counts) {
    if (n != 0) list.emplace_back(symbol, n);
  }
  chain_.formula = HillFormula(list, 0, false);
  std::vector<HillEntry> entries;
  for (const auto& [symbol, n] : list) entries.push_back({symbol, symbol});
  for (std::size_t i : HillOrder(entries)) chain_.counts.push_back(list[i]);
  chain_.five_end = five;
  chain_.three_end = three;
  return chain_;
}

std::string ChainText(const Chain& c) {
  if (c.kind == "protein") return c.five_end + "-" + c.sequence + "-" + c.three_end;
  return "5'-" + std::string(c.five_end == "phosphate" ? "p" : "") + c.sequence + "-3'";
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
