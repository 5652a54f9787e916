// numbers.h -- decimal text of doubles and back, the same wherever the
// toolkit is built: the WebAssembly C++ library has no floating-point
// to_chars or from_chars, so these give their results from printf's exact
// conversions and fast_float's correctly rounded reading.
#ifndef FORMIX_TOOLKIT_NUMBERS_H
#define FORMIX_TOOLKIT_NUMBERS_H

#include <cstddef>
#include <string>

namespace formix::toolkit {

// The text std::to_chars(x) writes: the shortest digits that read back as
// x, in fixed or scientific notation, whichever is shorter (fixed on a tie);
// "nan", "inf", "-inf".  From std::to_chars where the C++ library has it,
// else from PortableShortestText.
std::string ShortestText(double x);
// The same into `out` (room for 32 bytes, no NUL); returns the length.
std::size_t ShortestTo(double x, char* out);
// The same from printf and fast_float alone (for the WebAssembly build,
// whose C++ library lacks floating-point to_chars).
std::string PortableShortestText(double x);

// The text std::to_chars(x, std::chars_format::fixed) writes: the shortest
// digits in fixed notation (a whole number: its exact digits).
std::string ShortestFixedText(double x);

// The text people read: the shortest digits in plain decimals for
// magnitudes from 1e-4 up to 1e15 ("0.0001", "249.677", "1000000"), else
// ShortestText ("1e-05", "2e+20"); "nan", "inf", "-inf".  The toolkit's
// messages and the tool write numbers so (formix_shortest).
std::string PlainText(double x);

// Decimals for a reader of a table or a bench line, from printf's exact
// conversions: `decimals` places ("%.2f"); `digits` significant figures in
// fixed notation ("" for a number that is not finite; 0.000123 at 2:
// "0.00012", 12345 at 2: "12345"); `digits` figures in printf's general
// form ("%.4g": 1e-300, 2.5e+12).
std::string FixedText(double x, int decimals);
std::string SignificantText(double x, int digits);
std::string GeneralText(double x, int digits);
// A molar mass as a message gives it: "18.02 g/mol", "no number".
std::string MolarMassText(double grams_per_mol);

// What std::from_chars(first, last, *value) does (general format): the end
// of the number read at `first`, or NULL when none stands there or it is
// out of range, `*value` then unchanged.
const char* ParseNumber(const char* first, const char* last, double* value);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_NUMBERS_H
