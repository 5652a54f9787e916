// cmd_tables.cpp -- formix elements and formix groups: the tables of the
// data files in use, as the library read them.
#include <cstdio>

#include "commands.h"
#include "text.h"

namespace formix::tool {

void CommandElements(Session& s) {
  const Options& o = s.options;
  if (!o.args.empty()) throw UsageError{"elements takes no arguments"};
  const int count = formix_element_count(s.context);
  Json json;
  Table table({"index", "symbol", "mass"});
  if (o.json) {
    json.Document("elements", s.options.verbose ? s.context : nullptr);
    json.Key("file").String(formix_context_masses_file(s.context)).Key("elements").Open('[');
  }
  for (int i = 0; i < count; ++i) {
    const char* symbol = formix_element_symbol(s.context, i);
    const double mass = formix_element_mass(s.context, i);
    if (o.json) {
      json.Open('{').Key("index").Integer(i).Key("symbol").String(symbol).Key("mass").Number(mass).Close();
    } else {
      table.Add({std::to_string(i), symbol, Shortest(mass)});
    }
  }
  if (o.json) {
    json.Close().Close().End();
  } else {
    table.Print();
  }
}

void CommandGroups(Session& s) {
  const Options& o = s.options;
  if (!o.args.empty()) throw UsageError{"groups takes no arguments"};
  const int count = formix_group_count(s.context);
  Json json;
  Table table({"name", "formula", "molar mass"});
  if (o.json) {
    json.Document("groups", s.options.verbose ? s.context : nullptr);
    json.Key("file").String(formix_context_groups_file(s.context)).Key("groups").Open('[');
  }
  for (int i = 0; i < count; ++i) {
    const std::string name = formix_group_name(s.context, i);
    const std::string formula = formix_group_formula(s.context, i);
    // The group's molar mass is that of its name read as a formula.
    Reading r(formix_read(s.context, name.data(), name.size()), &formix_reading_free);
    const bool has = r && formix_reading_has_value(r.get());
    const double mass = has ? formix_reading_molar_mass(r.get()) : 0.0;
    if (o.json) {
      json.Open('{').Key("name").String(name).Key("formula").String(formula).Key("molar_mass");
      if (has) {
        json.Number(mass);
      } else {
        json.Null();
      }
      json.Close();
    } else {
      table.Add({name, formula, has ? Fixed(mass, o.precision) : ""});
    }
  }
  if (o.json) {
    json.Close().Close().End();
  } else {
    if (count == 0) {
      Tell("formix: no group file was found; formulas are read without groups\n");
    }
    table.Print();
  }
}

}  // namespace formix::tool
