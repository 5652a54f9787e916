// reading.h -- the reading room's door (with hill.h and chain.h): a
// formula as people write it (UTF-8) to the engine's notation and back,
// with a diagnostic for everything done to it or passed over.
#ifndef FORMIX_TOOLKIT_READING_H
#define FORMIX_TOOLKIT_READING_H

#include <cstddef>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formix.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/chain.h"  // IWYU pragma: export
#include "toolkit/reading/hill.h"   // IWYU pragma: export
#include "toolkit/reading/severity.h"

namespace formix::toolkit {

struct Diagnostic {
  int severity;
  std::size_t offset, length;  // bytes of the text as given
  std::string code;            // kind, e.g. "ignored"
  std::string symbol;
  std::string message;
  std::string library_caption, library_message;  // UTF-8, when the engine spoke
  // Where the text can be read another way: that reading, as a text the
  // reader takes as meant, and its molar mass (NaN: no number); "" and
  // NaN for none.  A warning may name more readings in its message.
  std::string other;
  double other_mass = std::numeric_limits<double>::quiet_NaN();
};

struct ElementShare {
  int index;           // in the element table (labels: past its end)
  std::string symbol;  // the element, or a label: [13C], D, T
  double atoms, mass, percent;
  std::string element;  // the element of a label ("" for a natural element)
  int mass_number = 0;  // the isotope of a label (0 for a natural element)
};

struct Reading {
  bool has_value = false;
  double molar_mass = 0.0;    // NaN without a value
  double neutral_mass = 0.0;  // the engine's result, electrons not counted
  int charge = 0;
  std::string text;  // the engine's notation, UTF-8
  std::vector<Diagnostic> diagnostics;
  std::vector<ElementShare> elements;   // in the element table's order, labels last
  std::vector<std::size_t> hill_order;  // `elements` in Hill's order (hill.h)
  std::string hill;                     // Hill formula, charge appended ("" without a value)
  std::string empirical;                // Hill order, counts divided by their greatest common
                                        // divisor, no charge; "" unless every count is whole

  int Worst() const;

  // Element counts by symbol, isotope labels under "element/mass number"
  // ("C/13"): what exact masses and adduct ions add up.
  std::map<std::string, double> CountsByKey() const;
};

// The molar mass of the electron, g/mol (one value: formix.h); in u, its
// mass for exact masses.
constexpr double kElectronMolarMass = FORMIX_ELECTRON_MOLAR_MASS;

// Reads `length` bytes of UTF-8 at `text` and calculates over `context`.
Reading Read(const Context& context, const char* text, std::size_t length);

// The molar mass of a formula the reader would take as it stands and say
// nothing about, without the work of a reading: ASCII element symbols of
// the table (none an abbreviation or an isotope label) with whole-number
// subscripts not starting with 0, brackets that pair up with something in
// them, '*' parts outside brackets each starting with a symbol or a
// bracket; no coefficient, charge or group name.  False for anything else,
// which Read decides.  When true, Read would give the same molar mass to
// the bit, no charge and no diagnostic.
bool ReadPlain(const Context& context, const char* text, std::size_t length, double* molar_mass);

// The same shortcut with the elements of the formula: their table slots in
// Hill order and their whole counts (below 1e15), for the documents of a
// plain formula (documents.h, WritePlainReading); false for anything the
// reading must decide (also a count that is not whole, or a symbol twice).
struct PlainFormula {
  double molar_mass = 0.0;
  std::size_t elements = 0;
  int slot[refdata::kMaxElements];
  long long count[refdata::kMaxElements];
};
bool ReadPlainFormula(const Context& context, const char* text, std::size_t length, PlainFormula* plain);

// Makes a context whose lists' formulas are read by this reader (as
// LoadContext); `status` receives an enum formix_status value.
std::unique_ptr<Context> MakeContext(const char* masses, const char* groups, int* status,
                                     const char* lists = nullptr);

// Read without the shortcut for plain formulas: every stage traced and
// every report looked for.  For callers that have found the shortcut does
// not apply (ReadPlain false: the same decision), and for the tests, which
// hold the shortcut to it.
Reading ReadInFull(const Context& context, const char* text, std::size_t length);

// A charge given on its own, as every command and front takes it: "2",
// "-1", "+2", "2+", "++" (a run of one sign: 2+), "-"; a whole number from
// 1 to kMostGivenCharge with its sign.  0, and why in `*error`, for
// anything else.
inline constexpr int kMostGivenCharge = 100;
int ReadGivenCharge(std::string_view text, std::string* error);

// A charge as the toolkit writes it: "2-", "1+" (the tool's "ion, charge
// 2-", the messages' "read as the charge 2-").
std::string ChargeText(int z);

// The text with each run of small letters split into known element symbols
// regardless of case (co -> Co, nacl -> NaCl), or "" when some run cannot
// be split or nothing would change.  Runs that hold a capital are kept.
std::string CaseSuggestion(const Context& context, const std::string& text);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_READING_H
