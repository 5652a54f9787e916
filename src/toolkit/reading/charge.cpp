// charge.cpp -- a charge written at the end of a formula: the notations
// taken without doubt (SO4^2-, SO4²⁻, SO4(2-), NH4+, OH-, [Fe(CN)6]3-) and
// those with two readings (SO42-, SO4-2, Fe3+), said with both.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "formix_limits.h"
#include "platform/messages.h"
#include "refdata/decimal.h"
#include "toolkit/base/base.h"
#include "toolkit/reading/reader.h"

#include <algorithm>
#include <string_view>

namespace formix::toolkit::reader {

// The largest charge taken from a notation that does not mark it as one
// (digits and a sign after a bracket): more is a subscript misread.
constexpr int kLargestUnmarkedCharge = 8;

// Parses "digits sign", "sign digits" or a run of one sign over chars
// [b, e) with the given classifiers.  Returns the charge, 0 for none.
template <class DigitFn, class SignFn>
int ParseChargeBody(const std::vector<Char>& c, std::size_t b, std::size_t e, DigitFn digit, SignFn sign) {
  if (b >= e) return 0;
  std::size_t i = b;
  int leading = sign(c[i].code);
  if (leading != 0) ++i;
  int magnitude = 0;
  std::size_t digits = 0;
  while (i < e && digit(c[i].code) >= 0 && digits < 3) {
    magnitude = magnitude * 10 + digit(c[i].code);
    ++i, ++digits;
  }
  if (leading != 0) {
    if (digits == 0) {  // a run of one sign: ++, --
      int count = 1;
      while (i < e && sign(c[i].code) == leading) ++i, ++count;
      return i == e ? leading * count : 0;
    }
    return i == e && magnitude > 0 ? leading * magnitude : 0;
  }
  if (digits == 0 || i + 1 != e) return 0;
  int trailing = sign(c[i].code);
  return trailing != 0 && magnitude > 0 ? trailing * magnitude : 0;
}

int AsciiDigit(char32_t c) { return IsAsciiDigit(c) ? static_cast<int>(c - '0') : -1; }

std::string Utf8Of(const std::vector<Char>& c, const char* text, std::size_t b, std::size_t e) {
  if (b >= e) return "";
  return std::string(text + c[b].offset, c[e - 1].offset + c[e - 1].length - c[b].offset);
}

ChargeFound FindCharge(const std::vector<Char>& c, const char* text) {
  ChargeFound r;
  std::size_t e = c.size();
  while (e > 0 && IsBlank(c[e - 1].code)) --e;
  if (e == 0) return r;
  auto found = [&](std::size_t begin, int z) {
    r.found = z != 0 && begin > 0;
    r.charge = z;
    r.begin = begin;
    return r;
  };

  // Superscripts: SO4²⁻, NH4⁺.
  std::size_t k = e;
  while (k > 0 && (SuperscriptDigit(c[k - 1].code) >= 0 || SuperscriptSign(c[k - 1].code) != 0)) --k;
  if (k < e) return found(k, ParseChargeBody(c, k, e, SuperscriptDigit, SuperscriptSign));

  // A caret: SO4^2-, NH4^+.
  for (std::size_t h = e; h-- > 0 && e - h <= 5;) {
    if (c[h].code == '^') return found(h, ParseChargeBody(c, h + 1, e, AsciiDigit, Sign));
  }

  // In brackets at the end: SO4(2-), Fe(3+).
  if (c[e - 1].code == ')') {
    for (std::size_t o = e - 1; o-- > 0 && e - o <= 6;) {
      if (c[o].code != '(') continue;
      bool has_sign = false;
      for (std::size_t i = o + 1; i + 1 < e; ++i) has_sign = has_sign || Sign(c[i].code) != 0;
      if (has_sign) return found(o, ParseChargeBody(c, o + 1, e - 1, AsciiDigit, Sign));
      break;
    }
  }

  // A run of one sign at the end.
  std::size_t j = e;
  while (j > 0 && Sign(c[j - 1].code) == Sign(c[e - 1].code) && Sign(c[e - 1].code) != 0) --j;
  if (j < e) {
    const int sign = Sign(c[e - 1].code);
    const int count = static_cast<int>(e - j);
    if (j == 0) return r;
    const char32_t prev = c[j - 1].code;
    if (IsLetter(prev) || IsClosingChar(prev)) return found(j, sign * count);  // OH-, [Fe(CN)6]-
    if (!IsAsciiDigit(prev) || count != 1) return r;
    std::size_t d = j;
    while (d > 0 && IsAsciiDigit(c[d - 1].code) && j - d < 4) --d;
    if (d == 0 || (d > 0 && IsAsciiDigit(c[d - 1].code))) return r;
    int magnitude = 0;
    for (std::size_t i = d; i < j; ++i) magnitude = magnitude * 10 + AsciiDigit(c[i].code);
    const char* sign_text = sign < 0 ? "-" : "+";
    if ((c[d - 1].code == ']' || c[d - 1].code == '}') && magnitude <= kLargestUnmarkedCharge)
      return found(d, sign * magnitude);  // [Fe(CN)6]3-
    if (IsClosingChar(c[d - 1].code)) {
      // Ag(NH3)2+, Cu(NH3)42+, [X]42-: after a round bracket the digits are
      // a subscript as often as a charge, and more than 8 is no charge.
      const std::string base = Utf8Of(c, text, 0, d), digits = Utf8Of(c, text, d, j);
      r.ambiguous = true;
      r.covered = j;
      r.quoted = d;
      // The likeliest first: the last digit the charge where there are
      // several (Cu(NH3)42+: 4 and 2+), else the digits a subscript and
      // the charge 1.  A charge over 8 is left out.
      auto add = [&](std::size_t cut) {
        const int z = cut == digits.size() ? 1 : std::atoi(digits.c_str() + cut);
        if ((cut < digits.size() && digits[cut] == '0') || z > kLargestUnmarkedCharge) return;
        const std::string charge = cut == digits.size() ? std::string() : digits.substr(cut);
        r.others.push_back(base + digits.substr(0, cut) + "^" + charge + sign_text);
      };
      if (digits.size() > 1) add(digits.size() - 1);
      add(digits.size());
      for (std::size_t cut = 0; cut + 1 < digits.size(); ++cut) add(cut);
      if (digits.size() == 1) add(0);
      std::string list;
      for (std::size_t n = 0; n < r.others.size(); ++n)
        list += (n == 0 ? "" : ", ") + r.others[n] + " (\x01#" + std::to_string(n) + ")";
      r.readings = Quote(Utf8Of(c, text, d, e)) + " after a bracket can be read " +
                   std::to_string(r.others.size() + 1) + " ways: as " + base + digits + " with the '" +
                   sign_text + "' passed over and no charge (the reading used, \x01u), or as " + list +
                   "; write the charge with a caret";
      return r;
    }
    if (!IsLetter(c[d - 1].code)) return r;
    int capitals = 0;
    for (std::size_t i = 0; i < d; ++i) capitals += IsCapitalLetter(c[i].code);
    if (j - d == 1 && capitals >= 2) return found(j, sign);  // NH4+, H3O+
    // SO42-, Fe3+, O2-: the engine's reading, and a warning.
    std::string before = Utf8Of(c, text, 0, j - 1);
    std::string as_written = Utf8Of(c, text, 0, j);
    std::string last = Utf8Of(c, text, j - 1, j);
    r.ambiguous = true;
    r.covered = j;
    r.quoted = d;
    r.others.push_back(before + "^" + last + (sign < 0 ? "-" : "+"));
    r.readings = Quote(Utf8Of(c, text, d, e)) + " can be read two ways: as " + as_written +
                 " with no charge (the reading used, \x01u) or as " + before + " with the charge " + last +
                 (sign < 0 ? "-" : "+") + " (\x01#0); for the ion write " + before + "^" + last +
                 (sign < 0 ? "-" : "+");
    return r;
  }

  // A sign before digits at the end: SO4-2 (two readings), SO4+2 (a charge).
  std::size_t d = e;
  while (d > 0 && IsAsciiDigit(c[d - 1].code) && e - d < 4) --d;
  if (d < e && d >= 2 && Sign(c[d - 1].code) != 0 &&
      (IsLetter(c[d - 2].code) || IsAsciiDigit(c[d - 2].code) || IsClosingChar(c[d - 2].code))) {
    const int sign = Sign(c[d - 1].code);
    // C10H12N2+2, Fe+3: a '+' before digits marks a charge (RDKit writes
    // charges so); the formula's own reading passes both over.
    if (sign > 0) {
      int magnitude = 0;
      for (std::size_t i = d; i < e; ++i) magnitude = magnitude * 10 + AsciiDigit(c[i].code);
      return magnitude > 0 ? found(d - 1, magnitude) : r;
    }
    std::string before = Utf8Of(c, text, 0, d - 1);
    std::string digits = Utf8Of(c, text, d, e);
    r.ambiguous = true;
    r.covered = d - 1;
    r.quoted = d - 1;
    r.readings = Quote(Utf8Of(c, text, d - 1, e)) + " can be read two ways: as the formula reads it, " +
                 (sign < 0 ? before + digits + " with the '-' as a bond mark"
                           : before + " with '" + Utf8Of(c, text, d - 1, e) + "' passed over") +
                 " (the reading used, \x01u), or as " + before + " with the charge " + digits +
                 (sign < 0 ? "-" : "+") + " (\x01#0); for the ion write " + before + "^" + digits +
                 (sign < 0 ? "-" : "+");
    r.others.push_back(before + "^" + digits + (sign < 0 ? "-" : "+"));
  }
  return r;
}

}  // namespace formix::toolkit::reader

namespace formix::toolkit {

std::string ChargeText(int z) {
  const long long m = z < 0 ? -static_cast<long long>(z) : z;
  return std::to_string(m) + (z < 0 ? "-" : "+");
}

int ReadGivenCharge(std::string_view text, std::string* error) {
  const auto sign_of = [](char c) { return c == '+' ? 1 : c == '-' ? -1 : 0; };
  int z = 0;
  if (!text.empty() && text.find_first_not_of(text[0]) == std::string_view::npos && sign_of(text[0]) != 0) {
    z = sign_of(text[0]) * static_cast<int>(std::min<std::size_t>(text.size(), 1000));  // ++: 2+
  } else {
    std::string_view digits = text;
    int sign = 1;
    if (!digits.empty() && sign_of(digits.front()) != 0) {
      sign = sign_of(digits.front());
      digits.remove_prefix(1);
    } else if (!digits.empty() && sign_of(digits.back()) != 0) {
      sign = sign_of(digits.back());
      digits.remove_suffix(1);
    }
    if (!digits.empty() && digits.size() <= 3 &&
        digits.find_first_not_of("0123456789") == std::string_view::npos) {
      for (char d : digits) z = z * 10 + (d - '0');
      z *= sign;
    }
  }
  if (z == 0 || z > kMostGivenCharge || z < -kMostGivenCharge) {
    *error = "a charge is a whole number from 1 to 100 with its sign: 2, -1, 3+, ++ (not '" +
             std::string(text) + "')";
    return 0;
  }
  return z;
}

}  // namespace formix::toolkit
