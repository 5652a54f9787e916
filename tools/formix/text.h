// text.h -- number and string formatting for the formix tool.
#ifndef FORMIX_TOOL_TEXT_H
#define FORMIX_TOOL_TEXT_H

#include <cstddef>
#include <string>

namespace formix::tool {

// Fixed-point with `precision` decimals; "nan", "inf", "-inf" otherwise.
std::string Fixed(double value, int precision);

// The shortest decimal that reads back as the same double, as the
// toolkit writes numbers (formix_shortest: "1.5", "10", "0.0001", "1e-05").
std::string Shortest(double value);

// Notes of a result, one a line, on standard error as "formix: note: ...".
void TellNotes(const std::string& notes);

// "ion, charge 2-": a species' charge as every command writes it
// (formix_charge_text).
std::string IonCharge(int charge);

// Text safe to print on one line: control bytes and bytes that are not
// valid UTF-8 written as \xNN.
std::string Printable(const std::string& text);
// Printable for text of several lines: line ends and tabs kept.
std::string PrintableLines(const std::string& text);

// The 1-based column of byte `offset` of UTF-8 text, counting characters.
std::size_t Column(const std::string& text, std::size_t offset);

// Edit distance, for suggesting the nearest command.
std::size_t Distance(const std::string& a, const std::string& b);

}  // namespace formix::tool

#endif  // FORMIX_TOOL_TEXT_H
