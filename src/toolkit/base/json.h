// json.h -- JSON text as the toolkit's documents are written: UTF-8
// strings (a byte that is not well-formed UTF-8 becomes U+FFFD, control
// characters \u00XX), numbers in their shortest form that reads back as
// the same double (null when not finite), commas the writer's business.
#ifndef FORMIX_TOOLKIT_JSON_H
#define FORMIX_TOOLKIT_JSON_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace formix::toolkit {

// Appends the JSON string literal of UTF-8 text.
void AppendJsonString(std::string& out, std::string_view utf8);
// Appends a JSON number: the shortest decimal of `value`, or null.
void AppendJsonNumber(std::string& out, double value);

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}
  JsonWriter& Open(char bracket);  // '{' or '['
  JsonWriter& Close();
  JsonWriter& Key(const char* name);
  JsonWriter& String(std::string_view value);
  JsonWriter& Number(double value);  // null when not finite
  JsonWriter& Integer(long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A value written elsewhere (a whole object or array).
  JsonWriter& Raw(std::string_view json);

 private:
  void BeforeValue();
  std::string& out_;
  std::vector<char> open_;  // closing brackets of the open containers
  std::vector<bool> has_member_;
  bool after_key_ = false;
};

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_JSON_H
