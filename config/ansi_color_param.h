#pragma once
// The "AnsiColor" settings node: the list of ANSI colour plans. Entries 0-5 are always the
// built-in plans in table order with their names unchanged (their colours may be edited); the
// user's plans follow them.
#include <string_view>
#include <vector>

#include "config/color_plans.h"
#include "config/parameter.h"

class ansi_color_param : public parameter {
 public:
  ansi_color_param();

  // One "Plan" element per plan: attribute "Name", text the 16 colours.
  bool save(xml_document& doc) override;
  // Merges the "Plan" elements into the list: a known name gets the new colours in place, a new
  // name is appended; a plan without a name or with fewer than 16 colours is skipped.
  bool load(xml_document& doc) override;

  // The first plan of exactly this name, else the first plan of the list (the first built-in
  // plan when the list is empty).
  const ansi_color_plan& find_plan(std::u16string_view name) const;

  std::vector<ansi_color_plan> plans;
};
