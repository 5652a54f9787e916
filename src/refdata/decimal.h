// decimal.h -- the library's decimal conversion, independent of the C
// locale: optional white space, an optional sign, digits with an optional
// '.' and fraction (either run may be empty, not both), an optional
// exponent.  Text that does not begin so reads as 0; only a signed +INF,
// -INF, +NAN or -NAN reads as infinity or NaN; there are no hexadecimal
// forms.
#ifndef FORMIX32_REFDATA_DECIMAL_H
#define FORMIX32_REFDATA_DECIMAL_H

namespace formix {

// Value of the longest prefix of `text` of the form above.
double ParseDecimal(const char* text);

// Value of the unsigned number that starts `text` (digits, '.', fraction,
// exponent; no white space or sign), 0 when there is none.  Used for the
// numbers of a formula, which always start at a digit or '.'.
double ParseUnsignedDecimal(const char* text);

// The end of the number ParseUnsignedDecimal reads at `text`: `text`
// itself when there is none.
const char* UnsignedDecimalEnd(const char* text);

}  // namespace formix

#endif  // FORMIX32_REFDATA_DECIMAL_H
