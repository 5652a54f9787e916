// text.cpp -- UTF-8 / Windows-1251 conversion and number formatting.
#include "text.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace formix::tool {
namespace {

// One conversion descriptor per direction, opened on first use and kept:
// batches convert thousands of formulas.  (iconv_t)-1 when unavailable.
iconv_t ToCp1251Descriptor() {
  static iconv_t cd = iconv_open("CP1251", "UTF-8");
  return cd;
}
iconv_t ToUtf8Descriptor() {
  static iconv_t cd = iconv_open("UTF-8", "CP1251");
  return cd;
}

// Runs iconv over the whole input.  With `bad_offset`, stops at the first
// byte that has no form in the target and reports its offset; without it,
// skips such bytes.
bool Convert(iconv_t cd, const std::string& in, std::string* out, std::size_t* bad_offset) {
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    *out = in;
    return true;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  std::string result(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = &result[0];
  std::size_t dst_left = result.size();
  bool ok = true;
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1)) break;
    if (bad_offset != nullptr) {
      *bad_offset = static_cast<std::size_t>(src - in.data());
      ok = false;
      break;
    }
    ++src;  // skip a byte with no form in the target
    --src_left;
  }
  result.resize(result.size() - dst_left);
  *out = result;
  return ok;
}

// Length of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool ToCp1251(const std::string& utf8, std::string* out, std::string* bad) {
  if (IsAscii(utf8)) {  // the same bytes in both
    *out = utf8;
    return true;
  }
  std::size_t offset = 0;
  if (Convert(ToCp1251Descriptor(), utf8, out, &offset)) return true;
  unsigned char lead = static_cast<unsigned char>(utf8[offset]);
  std::size_t n = SequenceLength(lead);
  if (offset + n > utf8.size() || lead < 0xC0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", lead);
    *bad = std::string("byte ") + hex + " (not UTF-8)";
    return false;
  }
  unsigned code = lead & (0x7Fu >> n);
  for (std::size_t i = 1; i < n; ++i) code = (code << 6) | (utf8[offset + i] & 0x3Fu);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " (U+%04X)", code);
  *bad = "'" + utf8.substr(offset, n) + "'" + buffer;
  return false;
}

std::string ToUtf8(const std::string& cp1251) {
  if (IsAscii(cp1251)) return cp1251;
  std::string out;
  Convert(ToUtf8Descriptor(), cp1251, &out, nullptr);
  return out;
}

std::string Fixed(double value, int precision) {
  char buffer[512];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  if (r.ec != std::errc()) return Shortest(value);
  std::string out(buffer, r.ptr);
  return out == "-nan" ? "nan" : out;
}

std::string Shortest(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  double magnitude = std::fabs(value);
  if (value == 0.0 || (magnitude >= 1e-4 && magnitude < 1e15)) {
    // Plain decimals for everyday magnitudes: "100", "0.5", "249.677".
    for (int decimals = 0; decimals <= 20; ++decimals) {
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
      if (std::strtod(buffer, nullptr) == value) return buffer;
    }
  }
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  return std::isfinite(value) ? Shortest(value) : "null";
}

}  // namespace formix::tool
