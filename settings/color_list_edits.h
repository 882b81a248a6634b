#pragma once
// The edits the colour pages make to the lists of ANSI colour plans and colour schemes, on the
// lists themselves, so that every rule holds without a window: the built-in entries (the first
// six plans and the first three schemes) can be reset but never deleted, an index that names no
// entry changes nothing, and names are compared exactly.
#include <QString>

#include <string_view>
#include <vector>

#include "config/color_plans.h"

// The name typed for a new plan or scheme, trimmed at both ends; empty when that is blank or
// exactly the name of an entry of `list`.
template <typename Entry>
QString new_entry_name(const QString& typed, const std::vector<Entry>& list);

// Colours first_color to first_color + 7 of plans[index] become those of the built-in plan of
// its name again. False, and nothing changed, when plans[index] is no built-in plan or already
// holds those eight colours.
bool reset_plan_colors(std::vector<ansi_color_plan>& plans, int index, int first_color);

// Removes the user's plan at `index`; every scheme that names it falls back to "VGA".
// False, nothing removed, for a built-in plan or an index outside the list. `schemes_changed`
// tells whether a scheme was repointed.
bool delete_user_plan(std::vector<ansi_color_plan>& plans, int index, std::vector<color_scheme>& schemes,
                      bool& schemes_changed);

// Removes the user's scheme of exactly this name. False for a built-in scheme or a name that
// no scheme has.
bool delete_user_scheme(std::vector<color_scheme>& schemes, std::u16string_view name);

// The entry of exactly this name, or null.
template <typename Entry>
Entry* find_exact(std::vector<Entry>& list, std::u16string_view name) {
  for (Entry& entry : list)
    if (entry.name == name) return &entry;
  return nullptr;
}
