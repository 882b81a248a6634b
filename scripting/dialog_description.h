#pragma once
// The form that a script's `dialog` call asks for: a title and a list of fields, each a text
// field or a combo box with a label. Built from the Lua table for one call.
#include <cstdint>
#include <string>
#include <vector>

enum dialog_item_type : int32_t {
  dialog_item_edit = 0,      // "edit": a single-line text field
  dialog_item_dropdown = 1,  // "dropdown": a combo box whose text can be edited
  dialog_item_droplist = 2,  // "droplist": a combo box that only offers its list
};

struct dialog_item {
  std::string id;  // the Lua global that receives the value
  std::string label;
  dialog_item_type type = dialog_item_edit;
  std::vector<std::string> options;
  // The edit's initial text; the option to preselect in a combo box.
  std::string default_text;
  std::string value;  // the text entered, trimmed, filled on OK
  bool require = false;  // OK stays disabled while this field is blank
};

struct dialog_description {
  std::string title;
  std::vector<dialog_item> items;
};
