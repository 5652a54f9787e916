// cmd_tables.cpp -- formix elements and formix groups: the tables of the
// data files in use, as the library read them.
#include <cstdio>

#include "commands.h"
#include "text.h"

namespace formix::tool {

void CommandElements(Session& s) {
  const Options& o = s.options;
  if (!o.args.empty()) throw UsageError{"elements takes no arguments"};
  if (o.json) {
    Json json;
    json.Document("elements", s.options.verbose ? s.context : nullptr);
    json.Members(ContextJson(s.context, FORMIX_JSON_ELEMENTS_TABLE).c_str()).Close().End();
    return;
  }
  Table table({"index", "symbol", "mass"});
  for (int i = 0; i < formix_element_count(s.context); ++i) {
    table.Add({std::to_string(i), formix_element_symbol(s.context, i),
               Shortest(formix_element_mass(s.context, i))});
  }
  table.Print();
}

void CommandGroups(Session& s) {
  const Options& o = s.options;
  if (!o.args.empty()) throw UsageError{"groups takes no arguments"};
  if (o.json) {
    Json json;
    json.Document("groups", s.options.verbose ? s.context : nullptr);
    json.Members(ContextJson(s.context, FORMIX_JSON_GROUPS_TABLE).c_str()).Close().End();
    return;
  }
  const int count = formix_group_count(s.context);
  Table table({"name", "formula", "molar mass"});
  for (int i = 0; i < count; ++i) {
    const std::string name = formix_group_name(s.context, i);
    // The group's molar mass is that of its name read as a formula.
    Reading r(formix_read(s.context, name.data(), name.size()), &formix_reading_free);
    const bool has = r && formix_reading_has_value(r.get());
    table.Add({name, formix_group_formula(s.context, i),
               has ? Fixed(formix_reading_molar_mass(r.get()), o.precision) : ""});
  }
  if (count == 0) Tell("formix: no group file was found; formulas are read without groups\n");
  table.Print();
}

}  // namespace formix::tool
