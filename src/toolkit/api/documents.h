// documents.h -- every result as the JSON object the tool's --json
// documents, the npm package and the Python package are made of
// (docs/formix-json.schema.json): written once, here.
#ifndef FORMIX_TOOLKIT_DOCUMENTS_H
#define FORMIX_TOOLKIT_DOCUMENTS_H

#include <string>
#include <string_view>

#include "toolkit/base/base.h"
#include "toolkit/bench/bench.h"
#include "toolkit/compound/compound.h"
#include "toolkit/context/context.h"
#include "toolkit/ms/ms.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// The version of the layout.
constexpr int kJsonFormat = 1;

// What a reading's object holds beyond formula, molar_mass, charge, hill
// and diagnostics.
enum ReadingParts : unsigned {
  kReadingText = 1,      // "text": the engine's notation
  kReadingElements = 2,  // "empirical" and "elements" (Hill order)
  kReadingStrict = 4,    // a warning withholds the number, as an error does
};

// Whether a reading shows its number (with kReadingStrict, no warning).
bool ShowsNumber(const Reading& reading, unsigned parts);

// `formula`: the text as given.
void WriteReading(JsonWriter& json, const Reading& reading, std::string_view formula, unsigned parts);

// The reading's object of a plain formula without a reading (the shortcut,
// ReadPlainFormula): WriteReading's with no parts (formula, molar_mass,
// hill, diagnostics), appended to `out`; false (and `out` unchanged) for
// anything the reading must decide.
bool WritePlainReading(const Context& context, const char* text, std::size_t length, std::string& out);
void WriteDiagnostics(JsonWriter& json, const Reading& reading);
void WriteAnalysis(JsonWriter& json, const ElementalAnalysis& analysis);
void WriteRatios(JsonWriter& json, const RatioAnalysis& ratios);
// `found`: NULL without a found m/z.
void WriteExact(JsonWriter& json, const ExactMasses& exact, const Reading& reading, std::string_view formula,
                const FoundComparison* found);
void WritePattern(JsonWriter& json, const Pattern& pattern, const Reading& reading, std::string_view formula,
                  double threshold, double resolving_power, bool fine);
// `amounts`: whether amounts were worked out (SolveAmounts).
void WriteReaction(JsonWriter& json, const Reaction& reaction, std::string_view equation, bool amounts);

// Formulas from an accurate mass: the query, the counts and the candidates.
void WriteFind(JsonWriter& json, const FindResult& result, const FindQuery& query);

// A solution or a dilution, with the diagnostics of its formula's reading.
void WriteSolution(JsonWriter& json, const Solution& solution, const Reading& reading);
void WriteDilution(JsonWriter& json, const Dilution& dilution, const Reading& reading);
// A chain: its sequence as read, ends, formula, masses and the ion asked for.
void WriteSequence(JsonWriter& json, const ChainMasses& masses);

// Parts of a context's document.
enum ContextParts : int { kContextDataFiles = 0, kContextElements = 1, kContextGroups = 2 };
void WriteContext(JsonWriter& json, const Context& context, int part);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_DOCUMENTS_H
