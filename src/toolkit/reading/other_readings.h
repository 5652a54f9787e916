// other_readings.h -- places where a formula as written can be read another way
// than the engine reads it: a mass number written as a coefficient
// (13C6H12O6), a coefficient in front of the first part of an adduct
// (3CdSO4·8H2O), a '.' or ',' joining two parts (C10H15N.2HBr, FeSO4,7H2O), an oxidation state
// in brackets (Cu(II)SO4), an abbreviation read letter by letter (NBS, Cp*,
// Bpy), a subscript with nothing before it (₃H₂O).  Each is found in the
// text as given; the reader then reads the other reading too and names
// both molar masses.
#ifndef FORMIX_TOOLKIT_OTHER_READINGS_H
#define FORMIX_TOOLKIT_OTHER_READINGS_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/context/context.h"

namespace formix::toolkit {

// A decoded character of the text as given.
struct Char {
  char32_t code;
  std::size_t offset, length;  // bytes in the text as given
};

struct OtherReading {
  int severity;                // enum Severity
  std::size_t offset, length;  // bytes of the text as given
  const char* code;
  // Where the masses go: "\x01u" for the molar mass of the reading used,
  // "\x01o" for that of the other reading (a control character, which no
  // text quoted from a formula holds: the reader reports it).
  std::string message;
  // The other reading as a text the reader takes as it is meant; "" when
  // there is none to calculate.
  std::string other;
  // Byte ranges of the text as given that other reports pass over in
  // silence (what this one explains).
  std::vector<std::pair<std::size_t, std::size_t>> quiet;
  // An abbreviation of a whole compound standing as a whole part of the
  // text (Tris, HEPES*HCl): the reader reads it as the compound's formula
  // where its letters are no formula at all.
  const Abbreviation* compound = nullptr;
};

// The other readings among chars [0, end) of `text` (`length` bytes; chars past
// `end` are a charge, kept in every other reading).
std::vector<OtherReading> LookForOtherReadings(const Context& context, const std::vector<Char>& chars,
                                               const char* text, std::size_t length, std::size_t end);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_OTHER_READINGS_H
