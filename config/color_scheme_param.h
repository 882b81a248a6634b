#pragma once
// The "ColorScheme" settings node: the list of colour schemes. Entries 0-2 are always the
// built-in schemes with their names unchanged; the user's schemes follow them.
#include <string_view>
#include <vector>

#include "config/color_plans.h"
#include "config/parameter.h"

class color_scheme_param : public parameter {
 public:
  color_scheme_param();

  // One "Scheme" element per scheme: attribute "Name", children "Foreground", "Background",
  // "AnsiColorMode", "AnsiColorPlan" in this order.
  bool save(xml_document& doc) override;
  // Merges the "Scheme" elements into the list. The four children must stand in the written
  // order (other elements may lie between); a scheme missing one, or with a colour that does not
  // scan, is skipped whole.
  bool load(xml_document& doc) override;

  // The first scheme of exactly this name, else the first scheme of the list (the first
  // built-in scheme when the list is empty).
  const color_scheme& find_scheme(std::u16string_view name) const;

  std::vector<color_scheme> schemes;
};
