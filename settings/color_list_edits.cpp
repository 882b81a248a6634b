#include "settings/color_list_edits.h"

#include <algorithm>

#include "platform/qt_text.h"

template <typename Entry>
QString new_entry_name(const QString& typed, const std::vector<Entry>& list) {
  QString name = typed.trimmed();
  const std::u16string wanted = platform::to_u16string(name);
  for (const Entry& entry : list)
    if (entry.name == wanted) return {};
  return name;
}

template QString new_entry_name(const QString&, const std::vector<ansi_color_plan>&);
template QString new_entry_name(const QString&, const std::vector<color_scheme>&);

bool reset_plan_colors(std::vector<ansi_color_plan>& plans, int index, int first_color) {
  if (index < 0 || index >= static_cast<int>(plans.size())) return false;
  ansi_color_plan& plan = plans[static_cast<size_t>(index)];
  const auto builtin = std::find_if(builtin_ansi_color_plans.begin(), builtin_ansi_color_plans.end(),
                                    [&](const ansi_color_plan& known) { return known.name == plan.name; });
  if (builtin == builtin_ansi_color_plans.end()) return false;
  const auto from = builtin->colors.begin() + first_color;
  const auto to = plan.colors.begin() + first_color;
  if (std::equal(from, from + 8, to)) return false;
  std::copy(from, from + 8, to);
  return true;
}

bool delete_user_plan(std::vector<ansi_color_plan>& plans, int index, std::vector<color_scheme>& schemes,
                      bool& schemes_changed) {
  schemes_changed = false;
  if (index < 0 || index >= static_cast<int>(plans.size())) return false;
  const std::u16string name = plans[static_cast<size_t>(index)].name;
  if (is_builtin_ansi_color_plan(name)) return false;
  for (color_scheme& scheme : schemes) {
    if (scheme.ansi_color_plan == name) {
      scheme.ansi_color_plan = u"VGA";
      schemes_changed = true;
    }
  }
  plans.erase(plans.begin() + index);
  return true;
}

bool delete_user_scheme(std::vector<color_scheme>& schemes, std::u16string_view name) {
  if (find_builtin_color_scheme(name)) return false;
  const auto found = std::find_if(schemes.begin(), schemes.end(),
                                  [&](const color_scheme& scheme) { return scheme.name == name; });
  if (found == schemes.end()) return false;
  schemes.erase(found);
  return true;
}
