#include "scripting/lua_dialog.h"

#include <lua.hpp>

#include <cstring>

#include "platform/ui.h"
#include "scripting/CDialogForm.h"
#include "scripting/script_runner.h"

namespace {

// The functions that Lua calls, and those that run inside protected calls, keep no object with a
// destructor in their frames: a Lua error longjmps through them. The description they fill belongs to
// the frame of show_dialog, which only makes protected calls.

// The text of the value at `index` when it is a string or a number (a number converted in place
// on the stack); null for any other value.
const char* text_at(lua_State* state, int index, size_t& length) {
  const int type = lua_type(state, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return nullptr;
  return lua_tolstring(state, index, &length);
}

// Reads field `name` of the table at `table` into `target` when it is a string or a number.
bool read_text_field(lua_State* state, int table, const char* name, std::string& target) {
  lua_getfield(state, table, name);
  size_t length = 0;
  const char* text = text_at(state, -1, length);
  if (text) target.assign(text, length);
  lua_pop(state, 1);
  return text != nullptr;
}

bool read_type(lua_State* state, int table, dialog_item_type& type) {
  lua_getfield(state, table, "type");
  size_t length = 0;
  const char* text = text_at(state, -1, length);
  bool known = true;
  if (text && length == 4 && std::memcmp(text, "edit", 4) == 0)
    type = dialog_item_edit;
  else if (text && length == 8 && std::memcmp(text, "dropdown", 8) == 0)
    type = dialog_item_dropdown;
  else if (text && length == 8 && std::memcmp(text, "droplist", 8) == 0)
    type = dialog_item_droplist;
  else
    known = false;
  lua_pop(state, 1);
  return known;
}

void read_options(lua_State* state, int table, std::vector<std::string>& options) {
  lua_getfield(state, table, "options");
  if (lua_type(state, -1) == LUA_TTABLE) {
    const lua_Integer count = luaL_len(state, -1);
    for (lua_Integer i = 1; i <= count; ++i) {
      lua_geti(state, -1, i);
      size_t length = 0;
      if (const char* text = text_at(state, -1, length)) options.emplace_back(text, length);
      lua_pop(state, 1);
    }
  }
  lua_pop(state, 1);
}

// Protected: (description as light userdata, the table) -> fills the description.
int read_spec(lua_State* state) {
  auto* description = static_cast<dialog_description*>(lua_touserdata(state, 1));
  read_text_field(state, 2, "title", description->title);
  lua_getfield(state, 2, "items");
  const int items = lua_gettop(state);
  const lua_Integer count = luaL_len(state, items);
  for (lua_Integer i = 1; i <= count; ++i) {
    lua_geti(state, items, i);
    const int entry = lua_gettop(state);
    description->items.emplace_back();
    dialog_item& item = description->items.back();
    if (!read_text_field(state, entry, "id", item.id) || !read_type(state, entry, item.type)) {
      description->items.pop_back();
      lua_pop(state, 1);
      continue;
    }
    read_text_field(state, entry, "label", item.label);
    read_options(state, entry, item.options);
    read_text_field(state, entry, "default", item.default_text);
    lua_getfield(state, entry, "require");
    item.require = lua_toboolean(state, -1) != 0;
    lua_pop(state, 2);
  }
  return 0;
}

// Protected: (description as light userdata) -> one global per item; a later item with the same id wins.
int set_values(lua_State* state) {
  const auto* description = static_cast<const dialog_description*>(lua_touserdata(state, 1));
  lua_pushglobaltable(state);
  for (const dialog_item& item : description->items) {
    lua_pushlstring(state, item.id.data(), item.id.size());
    lua_pushlstring(state, item.value.data(), item.value.size());
    lua_settable(state, -3);
  }
  return 0;
}

// Reads the table at index 1, shows the form and sets the values. 1 for OK, 0 for Cancel, -1
// with an error value on the stack when Lua raised.
int show_dialog(lua_State* state) {
  dialog_description description;
  lua_pushcfunction(state, read_spec);
  lua_pushlightuserdata(state, &description);
  lua_pushvalue(state, 1);
  if (lua_pcall(state, 2, 0, 0) != LUA_OK) return -1;

  CDialogForm form(description, script_runner::instance().parent);
  if (platform::ui::instance().run_modal(form) != platform::IDOK) return 0;

  lua_pushcfunction(state, set_values);
  lua_pushlightuserdata(state, &description);
  return lua_pcall(state, 1, 0, 0) == LUA_OK ? 1 : -1;
}

}  // namespace

int lua_dialog(lua_State* state) {
  if (lua_gettop(state) != 1) return luaL_error(state, "dialog function require one table parameter!");
  luaL_checktype(state, 1, LUA_TTABLE);
  const int outcome = show_dialog(state);
  // show_dialog's frame, and the description and form in it, are gone before the error is raised again.
  if (outcome < 0) return lua_error(state);
  lua_pushboolean(state, outcome);
  return 1;
}
