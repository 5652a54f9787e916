// text.cpp -- number and string formatting for the formix tool.
#include "text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fixed.h"
#include "formix.h"
#include "output.h"

namespace formix::tool {
namespace {

std::string NonFinite(double value) {
  if (std::isnan(value)) return "nan";
  return value > 0 ? "inf" : "-inf";
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t SequenceLength(const std::string& s, std::size_t i) {
  return formix_utf8_sequence(s.data() + i, s.size() - i);
}

}  // namespace

std::string Fixed(double value, int precision) {
  char quick[32];
  if (const char* end = FixedDecimals(value, precision, quick))
    return std::string(quick, static_cast<std::size_t>(end - quick));
  if (!std::isfinite(value)) return NonFinite(value);
  char buffer[512];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  if (r.ec != std::errc()) return Shortest(value);
  return std::string(buffer, r.ptr);
}

std::string Shortest(double value) {
  char buffer[32];
  return formix_shortest(value, buffer, sizeof buffer);
}

void TellNotes(const std::string& notes) {
  for (std::size_t at = 0, end; at < notes.size(); at = end + 1) {
    end = notes.find('\n', at);
    if (end == std::string::npos) end = notes.size();
    Tell("formix: note: " + Printable(notes.substr(at, end - at)) + "\n");
  }
}

std::string IonCharge(int charge) {
  char buffer[16];
  return std::string("ion, charge ") + formix_charge_text(charge, buffer, sizeof buffer);
}

std::string Printable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = SequenceLength(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n == 0 || c < 0x20 || c == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
      ++i;
    } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      // U+0080..U+009F: C1 controls, which some terminals obey (CSI).
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      out += buffer;
      i += 2;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

std::string PrintableLines(const std::string& text) {
  std::string shown;
  std::size_t from = 0;
  for (std::size_t j = 0; j <= text.size(); ++j) {
    if (j < text.size() && text[j] != '\n' && text[j] != '\t') continue;
    shown += Printable(text.substr(from, j - from));
    if (j < text.size()) shown += text[j];
    from = j + 1;
  }
  return shown;
}

std::size_t Column(const std::string& text, std::size_t offset) {
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  }
  return column;
}

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace formix::tool
