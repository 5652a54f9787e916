// json.cpp -- see json.h.
#include "toolkit/base/json.h"

#include <cmath>
#include <cstdio>

#include "toolkit/base/numbers.h"
#include "toolkit/base/text.h"

namespace formix::toolkit {

void AppendJsonString(std::string& out, std::string_view utf8) {
  out += '"';
  for (std::size_t i = 0; i < utf8.size();) {
    // A run of bytes written as they are, at once.
    std::size_t j = i;
    while (j < utf8.size()) {
      const unsigned char b = static_cast<unsigned char>(utf8[j]);
      if (b < 0x20 || b >= 0x80 || b == '"' || b == '\\' || b == 0x7F) break;
      ++j;
    }
    out.append(utf8.data() + i, j - i);
    if (j == utf8.size()) break;
    i = j;
    const unsigned char u = static_cast<unsigned char>(utf8[i]);
    if (u >= 0x80) {
      char32_t code = 0;
      const std::size_t n = DecodeUtf8(utf8.data(), utf8.size(), i, &code);
      if (n == 0) {
        out += "\xEF\xBF\xBD";  // JSON text is UTF-8: a byte that is not becomes U+FFFD
        ++i;
      } else if (code < 0xA0) {
        char buffer[8];  // a C1 control: escaped, as terminals may obey it
        std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(code));
        out += buffer;
        i += n;
      } else {
        out.append(utf8.data() + i, n);
        i += n;
      }
    } else if (u == '"' || u == '\\') {
      out += '\\';
      out += static_cast<char>(u);
      ++i;
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
      ++i;
    }
  }
  out += '"';
}

void AppendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[32];
  out.append(buffer, ShortestTo(value, buffer));
}

void JsonWriter::BeforeValue() {
  if (!after_key_ && !open_.empty()) {
    if (has_member_.back()) out_ += ',';
    has_member_.back() = true;
  }
  after_key_ = false;
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  open_.push_back(bracket == '{' ? '}' : ']');
  has_member_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::Close() {
  out_ += open_.back();
  open_.pop_back();
  has_member_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(const char* name) {
  if (has_member_.back()) out_ += ',';
  has_member_.back() = true;
  AppendJsonString(out_, name);
  out_ += ':';
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  BeforeValue();
  AppendJsonString(out_, value);
  return *this;
}

JsonWriter& JsonWriter::Number(double value) {
  BeforeValue();
  AppendJsonNumber(out_, value);
  return *this;
}

JsonWriter& JsonWriter::Integer(long long value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view json) {
  BeforeValue();
  out_ += json;
  return *this;
}

}  // namespace formix::toolkit
