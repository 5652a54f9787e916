// reader.h -- the reader's insides, shared by the files of the reading
// layer (charge.cpp, rewrite.cpp, reports.cpp, reading.cpp, plain.cpp):
// the outcome of the charge search, the text under construction and the
// Reader itself.  Nothing outside src/toolkit/ includes it.
#ifndef FORMIX_TOOLKIT_READER_H
#define FORMIX_TOOLKIT_READER_H

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formula/engine.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/other_readings.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit::reader {

using formula::IsCapital;
using formula::IsClosing;
using formula::IsDigit;
using formula::IsOpening;
using formula::IsSmall;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

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

// Looks for a charge at the end of the decoded text (charge.cpp).
ChargeFound FindCharge(const std::vector<Char>& c, const char* text);

// "2-", "1+": a charge as the notes write it.

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

std::string NoteMessage(int kind, const NoteKinds::Kind& k);

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
std::size_t ReadDigits(const std::vector<Char>& c, std::size_t i, std::size_t e, long long* value);

// The reading of another text as the reading of this one (`length`
// bytes): `said` first, then the other reading's diagnostics over the whole
// text (their places are the other text's), but those of code `unsaid`.
Reading OverWhole(Reading other, std::vector<Diagnostic> said, std::size_t length, const char* unsaid = "");

// A structure pasted where a formula belongs (SMILES, InChI, InChIKey):
// the diagnostic's code and message (pasted.cpp).
bool StructureNotation(const char* text, std::size_t length, std::string* code, std::string* message);

// A deuterated solvent by name (acetone-d6, DMSO-d6, d8-THF): the base's
// formula, its name and the count of deuterium atoms (pasted.cpp).
bool DeuteratedName(const Context& context, const char* text, std::size_t length, std::string* formula,
                    std::string* name, int* count);

// ReadPlain with the engine's per-element results (`atoms` and
// `contributions` may be NULL) (plain.cpp).
bool EvaluatePlain(const Context& context, const char* text, std::size_t length, double* atoms,
                   double* contributions, double* molar_mass);

class Reader {
 public:
  // A nested reader reads another reading of a text: it looks for no
  // other readings of its own.
  Reader(const Context& context, const char* text, std::size_t length, bool nested = false)
      : context_(context), text_(text), length_(length), nested_(nested) {}
  // A reader of a text in which compounds of the list were replaced by
  // their formulas `depth` times (a formula of the list may name a compound
  // of the list in its turn, or itself: the depth is bounded).
  Reader(const Context& context, const char* text, std::size_t length, int depth)
      : context_(context), text_(text), length_(length), nested_(false), depth_(depth) {}

  Reading Run(bool shortcut = true);

 private:
  void Add(int severity, std::size_t offset, std::size_t length, const char* code, std::string message,
           std::string symbol = "") {
    r_.diagnostics.push_back(
        {severity, offset, length, code, std::move(symbol), std::move(message), "", "", "", kNaN});
  }
  std::string Source(std::size_t from, std::size_t to) const { return std::string(text_ + from, to - from); }
  bool Decode();
  void Unmark();
  bool Pasted();
  std::size_t Label(std::size_t i, std::size_t end, std::string* element, int* mass_number) const;
  void Rewrite(const ChargeFound& charge);
  void Evaluate();
  bool RunPlain();
  void Finish(const double* atoms, const double* contributions, double mass, int count);
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
  void SubstituteCompounds();
  void Unsay(const char* code, std::size_t from, std::size_t to);
  void ReportLabelWords();
  double OtherMass(const std::string& text) const;
  void ReportPassedOver(const char* work, bool no_symbol);
  void ReportNumbers(const char* work);
  void ReportBrackets(const char* work);

  const Context& context_;
  const char* text_;
  std::size_t length_;
  bool nested_;
  int depth_ = 0;
  Reading r_;
  // Other readings found, said once the reading used has its number, with
  // the texts of the readings behind "\x01#0", "\x01#1", ... of the message.
  struct Pending {  // NOLINT: declared above
    OtherReading found;
    std::vector<std::string> others;
    std::string symbol;  // the element symbol concerned, or ""
  };
  std::vector<Pending> pending_;
  struct CompoundAt {
    std::size_t offset, length;  // bytes of the text as given
    const Abbreviation* abbreviation;
  };
  std::vector<CompoundAt> compounds_;
  bool named_ = false;  // the reading is another text's (a deuterated solvent by name)  // whole compounds of
                        // the abbreviation list
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

}  // namespace formix::toolkit::reader

#endif  // FORMIX_TOOLKIT_READER_H
