// cmd_mass.cpp -- formix mass: the molar mass of each formula, from the
// arguments or standard input, one output line for each.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "text.h"

namespace formix::tool {
namespace {

void One(Session& s, Json* json, const std::string& formula) {
  if (json == nullptr && formula.find('\0') == std::string::npos) {
    // Most formulas have nothing to report: the mass alone, without a reading.
    const double quiet = formix_quiet_molar_mass(s.context, formula.c_str());
    if (quiet == quiet) {
      Write(formula + "\t" + Fixed(quiet, s.options.precision) + "\n");
      return;
    }
  }
  Reading r = s.Read(formula);
  const bool shows = s.Shows(r.get());
  const double mass = formix_reading_molar_mass(r.get());
  const int charge = formix_reading_charge(r.get());
  if (json != nullptr) {
    json->Open('{');
    json->Key("formula").String(formula);
    json->Key("molar_mass");
    if (shows) {
      json->Number(mass);
    } else {
      json->Null();
    }
    if (charge != 0) json->Key("charge").Integer(charge);
    if (shows) json->Key("hill").String(formix_reading_hill(r.get()));
    WriteDiagnostics(*json, r.get());
    json->Close();
    return;
  }
  std::string line = Printable(formula) + "\t" + (shows ? Fixed(mass, s.options.precision) : "");
  if (charge != 0 && shows) {
    line += "\tion, charge " + std::to_string(charge < 0 ? -charge : charge) + (charge < 0 ? "-" : "+");
  }
  Write(line + "\n");
}

// Formulas on standard input, one a line (a final CR is dropped).
void Lines(Session& s, Json* json) {
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t length;
  errno = 0;
  while ((length = getline(&buffer, &capacity, stdin)) >= 0) {
    std::string line(buffer, static_cast<std::size_t>(length));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    One(s, json, line);
  }
  const int error = errno;
  std::free(buffer);
  if (std::ferror(stdin)) throw IoError{std::string("error reading standard input: ") + std::strerror(error)};
}

}  // namespace

void CommandMass(Session& s) {
  std::vector<std::string> sources = s.options.args;
  if (sources.empty()) sources.push_back("-");
  Json json;
  Json* j = s.options.json ? &json : nullptr;
  if (j != nullptr) {
    json.Document("mass");
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
