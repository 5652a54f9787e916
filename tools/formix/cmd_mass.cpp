// cmd_mass.cpp -- formix mass: the molar mass of each formula, from the
// arguments or standard input, one output line for each.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "fixed.h"
#include "text.h"

namespace formix::tool {
namespace {

// Most formulas have nothing to report: the text line of one (`length`
// bytes, no NUL among them) from its mass alone, without a reading.  False
// when it has something to report.
bool Quiet(Session& s, const char* formula, std::size_t length) {
  const double mass = formix_quiet_molar_mass(s.context, formula);
  if (mass != mass) return false;
  // The formula, a tab, the mass and a line end, written at once.
  char line[320];
  if (length + 64 > sizeof line) return false;
  std::memcpy(line, formula, length);
  char* end = FixedDecimals(mass, s.options.precision, line + length + 1);
  if (end == nullptr) return false;  // a number Fixed writes another way
  line[length] = '\t';
  *end++ = '\n';
  Write(line, static_cast<std::size_t>(end - line));
  return true;
}

// The same for a JSON result: the library's object, when it has nothing
// to report.
bool QuietJson(Json& json, const formix_context* context, const char* formula, std::size_t length) {
  static char object[4096];
  const std::size_t n = formix_quiet_json(context, formula, length, object, sizeof object);
  if (n == 0 || n >= sizeof object) return false;
  json.Raw(std::string_view(object, n));
  return true;
}

void One(Session& s, Json* json, const std::string& formula) {
  if (json == nullptr && formula.find('\0') == std::string::npos &&
      Quiet(s, formula.c_str(), formula.size())) {
    return;
  }
  if (json != nullptr && QuietJson(*json, s.context, formula.data(), formula.size())) return;
  Reading r = s.Read(formula);
  const bool shows = s.Shows(r.get());
  const double mass = formix_reading_molar_mass(r.get());
  const int charge = formix_reading_charge(r.get());
  if (json != nullptr) {
    json->Raw(formix_reading_json(r.get(), s.options.strict ? FORMIX_JSON_STRICT : 0));
    return;
  }
  std::string line = Printable(formula) + "\t" + (shows ? Fixed(mass, s.options.precision) : "");
  if (charge != 0 && shows) {
    line += "\t" + IonCharge(charge);
  }
  Write(line + "\n");
}

// Formulas on standard input, one a line (a final CR is dropped).  A line
// longer than a formula can be keeps its first FORMIX_MAX_TEXT + 1 bytes
// (which the reading refuses); the rest is read past, never held.
void Lines(Session& s, Json* json) {
  LineReader lines(stdin, FORMIX_MAX_TEXT + 1);
  char* line = nullptr;
  std::size_t n = 0;
  while (lines.Next(&line, &n)) {
    if (n > 0 && line[n - 1] == '\r') --n;
    line[n] = '\0';
    if (json == nullptr && std::strlen(line) == n && Quiet(s, line, n)) continue;
    if (json != nullptr && QuietJson(*json, s.context, line, n)) continue;
    One(s, json, std::string(line, n));
  }
}

}  // namespace

void CommandMass(Session& s) {
  std::vector<std::string> sources = s.options.args;
  if (sources.empty()) sources.push_back("-");
  Json json;
  Json* j = s.options.json ? &json : nullptr;
  if (j != nullptr) {
    json.Document("mass", s.options.verbose ? s.context : nullptr);
    json.Key("results").Open('[');
  }
  for (const std::string& source : sources) {
    if (source == "-") {
      Lines(s, j);
    } else {
      One(s, j, source);
    }
  }
  if (j != nullptr) {
    json.Close().Close();
    json.End();
  }
}

}  // namespace formix::tool
