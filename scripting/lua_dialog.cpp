#include "scripting/lua_dialog.h"

#include <lua.hpp>

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/ui.h"
#include "scripting/CDialogForm.h"
#include "scripting/script_budget.h"
#include "scripting/script_runner.h"

namespace {

// The functions that Lua calls, and those that run inside protected calls, keep no object with a
// destructor in their frames: a Lua error longjmps through them. The description they fill belongs to
// the frame of show_dialog, which only makes protected calls.
//
// The description counts against the script's memory as it is read, so a table that names one
// big text many times is stopped at the cap instead of being copied until the machine's memory
// is gone; C++ allocations that fail raise Lua's memory error instead of throwing through Lua.

// What the form keeps of each text of the description: the description's copy, and its own copy
// of it in UTF-16.
constexpr size_t kept_copies = 3;

struct spec_reading {
  dialog_description description;
  // Bytes counted against the script's memory for the description.
  size_t counted = 0;
};

// Counts `bytes` for the description; raises the stop when they do not fit.
void count(lua_State* state, spec_reading& reading, size_t bytes) {
  script_budget* budget = script_budget::of(state);
  if (!budget->take(state, bytes)) budget->raise_stop(state);
  reading.counted += bytes;
}

// Runs `change` (which may allocate); false when the C library had no memory for it.
template <class F>
bool allocated(F&& change) {
  try {
    change();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void copy_text(lua_State* state, spec_reading& reading, std::string& target, const char* text, size_t length) {
  count(state, reading, length * kept_copies);
  if (!allocated([&] { target.assign(text, length); })) luaL_error(state, "not enough memory");
}

// Room for one more entry at the end of `list`, counted.
template <class T>
void make_room(lua_State* state, spec_reading& reading, std::vector<T>& list) {
  if (list.size() < list.capacity()) return;
  const size_t before = list.capacity() * sizeof(T);
  const size_t wanted = std::max<size_t>(4, 2 * list.capacity());
  // The new block is counted in full: the old one is freed only after the move.
  count(state, reading, wanted * sizeof(T));
  if (!allocated([&] { list.reserve(wanted); })) luaL_error(state, "not enough memory");
  script_budget::of(state)->give_back(before);
  reading.counted -= before;
}

// The text of the value at `index` when it is a string or a number (a number converted in place
// on the stack); null for any other value.
const char* text_at(lua_State* state, int index, size_t& length) {
  const int type = lua_type(state, index);
  if (type != LUA_TSTRING && type != LUA_TNUMBER) return nullptr;
  return lua_tolstring(state, index, &length);
}

// Reads field `name` of the table at `table` into `target` when it is a string or a number.
bool read_text_field(lua_State* state, spec_reading& reading, int table, const char* name, std::string& target) {
  lua_getfield(state, table, name);
  size_t length = 0;
  const char* text = text_at(state, -1, length);
  if (text) copy_text(state, reading, target, text, length);
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

void read_options(lua_State* state, spec_reading& reading, int table, std::vector<std::string>& options) {
  lua_getfield(state, table, "options");
  if (lua_type(state, -1) == LUA_TTABLE) {
    const lua_Integer count = luaL_len(state, -1);
    for (lua_Integer i = 1; i <= count; ++i) {
      lua_geti(state, -1, i);
      size_t length = 0;
      if (const char* text = text_at(state, -1, length)) {
        make_room(state, reading, options);
        options.emplace_back();
        copy_text(state, reading, options.back(), text, length);
      }
      lua_pop(state, 1);
    }
  }
  lua_pop(state, 1);
}

// Protected: (reading as light userdata, the table) -> fills the description.
int read_spec(lua_State* state) {
  auto* reading = static_cast<spec_reading*>(lua_touserdata(state, 1));
  dialog_description* description = &reading->description;
  read_text_field(state, *reading, 2, "title", description->title);
  lua_getfield(state, 2, "items");
  const int items = lua_gettop(state);
  const lua_Integer count = luaL_len(state, items);
  for (lua_Integer i = 1; i <= count; ++i) {
    lua_geti(state, items, i);
    const int entry = lua_gettop(state);
    make_room(state, *reading, description->items);
    description->items.emplace_back();
    dialog_item& item = description->items.back();
    if (!read_text_field(state, *reading, entry, "id", item.id) || !read_type(state, entry, item.type)) {
      description->items.pop_back();
      lua_pop(state, 1);
      continue;
    }
    read_text_field(state, *reading, entry, "label", item.label);
    read_options(state, *reading, entry, item.options);
    read_text_field(state, *reading, entry, "default", item.default_text);
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

// What show_dialog answers.
enum dialog_outcome { dialog_raised = -1, dialog_cancelled = 0, dialog_accepted = 1, dialog_no_memory = 2 };

// Reads the table at index 1, shows the form and sets the values; on dialog_raised an error
// value is on the stack.
dialog_outcome show_dialog(lua_State* state) {
  struct counted_reading : spec_reading {
    script_budget* budget;
    explicit counted_reading(script_budget* b) : budget(b) {}
    ~counted_reading() { budget->give_back(counted); }
  } reading(script_budget::of(state));
  lua_pushcfunction(state, read_spec);
  lua_pushlightuserdata(state, static_cast<spec_reading*>(&reading));
  lua_pushvalue(state, 1);
  if (lua_pcall(state, 2, 0, 0) != LUA_OK) return dialog_raised;

  try {
    CDialogForm form(reading.description, script_runner::instance().parent);
    if (platform::ui::instance().run_modal(form) != platform::IDOK) return dialog_cancelled;
  } catch (const std::exception&) {
    return dialog_no_memory;
  }

  lua_pushcfunction(state, set_values);
  lua_pushlightuserdata(state, &reading.description);
  return lua_pcall(state, 1, 0, 0) == LUA_OK ? dialog_accepted : dialog_raised;
}

}  // namespace

int lua_dialog(lua_State* state) {
  if (lua_gettop(state) != 1) return luaL_error(state, "dialog function require one table parameter!");
  luaL_checktype(state, 1, LUA_TTABLE);
  const dialog_outcome outcome = show_dialog(state);
  // show_dialog's frame, and the description and form in it, are gone before the error is raised again.
  if (outcome == dialog_raised) return lua_error(state);
  if (outcome == dialog_no_memory) return luaL_error(state, "not enough memory");
  lua_pushboolean(state, outcome);
  return 1;
}
