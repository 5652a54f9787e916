// cmd_composition.cpp -- formix composition: atoms, mass and mass share of
// each element of one formula.
#include <unistd.h>

#include <cmath>

#include "commands.h"
#include "text.h"

namespace formix::tool {

void CommandComposition(Session& s) {
  const Options& o = s.options;
  if (o.args.size() != 1) throw UsageError{"composition takes one formula"};
  const std::string& formula = o.args[0];
  Reading r = s.Read(formula);
  const bool shows = s.Shows(r.get());
  const double mass = formix_reading_molar_mass(r.get());
  const int charge = formix_reading_charge(r.get());
  const std::size_t n = shows ? formix_reading_element_count(r.get()) : 0;
  if (o.json) {
    Json json;
    json.Open('{').Key("format").Integer(kJsonFormat).Key("command").String("composition");
    json.Key("formula").String(formula).Key("molar_mass");
    if (shows) {
      json.Number(mass);
    } else {
      json.Null();
    }
    if (charge != 0) json.Key("charge").Integer(charge);
    if (shows) {
      json.Key("hill").String(formix_reading_hill(r.get()));
      const std::string empirical = formix_reading_empirical(r.get());
      if (!empirical.empty()) json.Key("empirical").String(empirical);
    }
    json.Key("elements").Open('[');
    for (std::size_t i = 0; i < n; ++i) {
      const formix_element_share* e = formix_reading_element(r.get(), i);
      json.Open('{').Key("symbol").String(e->symbol).Key("atoms").Number(e->atoms);
      json.Key("mass").Number(e->mass).Key("percent").Number(e->percent).Close();
    }
    json.Close();
    WriteDiagnostics(json, r.get());
    json.Close().End();
    return;
  }
  if (!shows) {
    Write(Printable(formula) + "\tM =\n");
    return;
  }
  std::string head = Printable(formula) + "\tM = " + Fixed(mass, o.precision) + " g/mol";
  if (charge != 0) {
    head += " (ion, charge " + std::to_string(std::abs(charge)) + (charge < 0 ? "-" : "+") +
            "; percentages of the neutral formula)";
  }
  std::string hill = std::string("Hill formula ") + formix_reading_hill(r.get());
  const std::string empirical = formix_reading_empirical(r.get());
  if (!empirical.empty() && empirical != formix_reading_hill(r.get())) hill += ", empirical " + empirical;
  Write(head + "\n" + hill + "\n");
  const bool bars = isatty(STDOUT_FILENO);
  Table table({"element", "atoms", "mass", "percent"});
  for (std::size_t i = 0; i < n; ++i) {
    const formix_element_share* e = formix_reading_element(r.get(), i);
    std::vector<std::string> row = {e->symbol, Shortest(e->atoms), Fixed(e->mass, o.precision),
                                    Fixed(e->percent, o.precision)};
    if (bars) {
      int width = static_cast<int>(std::lround(std::fmax(0.0, std::fmin(e->percent, 100.0)) / 2.5));
      std::string bar;
      for (int k = 0; k < width; ++k) bar += "\xE2\x96\x88";  // U+2588 FULL BLOCK
      row.push_back(bar);
    }
    table.Add(row);
  }
  table.Print();
}

}  // namespace formix::tool
