#include "scripting/script_runner.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "scripting/lua_dialog.h"
#include "scripting/lua_output.h"

namespace {

constexpr std::string_view start_mark = "<%";
constexpr std::string_view end_mark = "%>";

// The count hook runs every this many instructions; cheap enough not to show in a profile.
constexpr int hook_interval = 100'000;

// What a script past its memory cap is told.
constexpr const char* memory_stop_format = "script stopped: it needed more than %d MiB of memory";
constexpr int memory_limit_mib = static_cast<int>(script_runner::memory_limit >> 20);

// Lives in the frame of expand_template; the states point at it through their extra space
// (which every coroutine copies from the main thread, so all of them share one budget) and
// through their allocator. A new coroutine also takes its creator's hook, and scripts cannot
// change hooks (`debug.sethook` is taken away), so every thread of a script counts against this
// one budget.
struct script_budget {
  uint64_t used = 0;
  uint64_t limit = 0;
  // Bytes the state holds, garbage not yet collected included; growth past the cap is refused,
  // and from the first refusal on the script is stopped.
  size_t memory_used = 0;
  bool memory_exceeded = false;
  // The state itself, whose hook a stop sets from wherever it comes.
  lua_State* main_thread = nullptr;
};

script_budget*& budget_of(lua_State* state) {
  return *static_cast<script_budget**>(lua_getextraspace(state));
}

// Everything below that Lua calls, or that runs inside a protected call, keeps no object with a
// destructor in its frame: a Lua error longjmps through it.

void count_hook(lua_State* state, lua_Debug*) {
  script_budget* budget = budget_of(state);
  if (!budget->memory_exceeded && budget->used < budget->limit) {
    budget->used += hook_interval;
    if (budget->used < budget->limit) return;
  }
  // From here on every instruction of this thread and of the main one raises, so a pcall inside
  // the script cannot swallow the stop: the first instruction after it raises again, until the
  // script is left. A coroutine that resumed this one stops at its own next count.
  lua_sethook(state, count_hook, LUA_MASKCOUNT, 1);
  lua_sethook(budget->main_thread, count_hook, LUA_MASKCOUNT, 1);
  if (budget->memory_exceeded) luaL_error(state, memory_stop_format, memory_limit_mib);
  luaL_error(state, "script stopped: it ran more than %I instructions", static_cast<lua_Integer>(budget->limit));
}

// The state's allocator: the C library's, counted against the cap. Freeing and shrinking never
// fail, as Lua requires.
void* capped_allocate(void* budget_pointer, void* block, size_t old_size, size_t new_size) {
  auto* budget = static_cast<script_budget*>(budget_pointer);
  // Without a block, old_size tells the kind of object, not a size.
  const size_t held = block ? old_size : 0;
  if (new_size == 0) {
    std::free(block);
    budget->memory_used -= held;
    return nullptr;
  }
  const size_t room = script_runner::memory_limit - std::min(budget->memory_used, script_runner::memory_limit);
  if (new_size > held && new_size - held > room) {
    if (!budget->memory_exceeded) {
      // The main thread stops at its next instruction rather than at its next count: a script
      // that catches each failure would otherwise make Lua collect all its garbage on every
      // turn until then. (Setting a hook is safe at any moment; Lua's own interpreter does it
      // from a signal handler.)
      lua_sethook(budget->main_thread, count_hook, LUA_MASKCOUNT, 1);
    }
    budget->memory_exceeded = true;
    return nullptr;
  }
  void* moved = std::realloc(block, new_size);
  if (moved) budget->memory_used = budget->memory_used - held + new_size;
  return moved;
}

// Takes the place of `debug.sethook`: a script that cleared or replaced the count hook could
// loop for ever.
int refuse_sethook(lua_State* state) {
  return luaL_error(state, "debug.sethook is not available: the hook limits the script's instructions");
}

int open_libraries(lua_State* state) {
  // What luaL_openlibs opens, less `io`: a template types into a terminal, it has no files to
  // read or write.
  static const luaL_Reg libraries[] = {
      {"_G", luaopen_base},          {LUA_LOADLIBNAME, luaopen_package}, {LUA_COLIBNAME, luaopen_coroutine},
      {LUA_TABLIBNAME, luaopen_table}, {LUA_OSLIBNAME, luaopen_os},       {LUA_STRLIBNAME, luaopen_string},
      {LUA_MATHLIBNAME, luaopen_math}, {LUA_UTF8LIBNAME, luaopen_utf8},   {LUA_DBLIBNAME, luaopen_debug},
  };
  for (const luaL_Reg& library : libraries) {
    luaL_requiref(state, library.name, library.func, 1);
    lua_pop(state, 1);
  }
  lua_getglobal(state, LUA_DBLIBNAME);
  lua_pushcfunction(state, refuse_sethook);
  lua_setfield(state, -2, "sethook");
  lua_pop(state, 1);
  register_print_functions(state);
  lua_register(state, "dialog", lua_dialog);
  return 0;
}

// The chunk's text, NUL-terminated: it is also the chunk's name.
struct chunk_text {
  const char* bytes;
  size_t size;
};

int run_chunk(lua_State* state) {
  const auto* chunk = static_cast<const chunk_text*>(lua_touserdata(state, 1));
  if (luaL_loadbufferx(state, chunk->bytes, chunk->size, chunk->bytes, nullptr) != LUA_OK) return lua_error(state);
  lua_call(state, 0, 0);
  return 0;
}

// Leaves the text of the error value at index 1: a string as it is, a number as its text, any
// other value named by its type.
int describe_error(lua_State* state) {
  switch (lua_type(state, 1)) {
    case LUA_TSTRING:
      break;
    case LUA_TNUMBER:
      lua_tolstring(state, 1, nullptr);
      break;
    default:
      lua_pushfstring(state, "(error object is a %s value)", luaL_typename(state, 1));
      return 1;
  }
  lua_settop(state, 1);
  return 1;
}

// Takes the error value from the top of the stack and returns its text.
std::string take_error(lua_State* state) {
  std::string text = "not enough memory";
  lua_pushcfunction(state, describe_error);
  lua_insert(state, -2);
  if (lua_pcall(state, 1, 1, 0) == LUA_OK) {
    size_t length = 0;
    const char* bytes = lua_tolstring(state, -1, &length);
    text.assign(bytes, length);
  }
  lua_settop(state, 0);
  return text;
}

// A state with the libraries, print, nprint, dialog, the count hook and the capped allocator;
// null (with `error` set) when it cannot be made.
lua_State* new_state(script_budget& budget, std::string& error) {
  lua_State* state = luaL_newstate();
  if (!state) {
    error = "not enough memory";
    return nullptr;
  }
  // From here on the budget counts every byte: it starts with what the new state holds, which
  // the same C library allocated.
  budget.memory_used = static_cast<size_t>(lua_gc(state, LUA_GCCOUNT, 0)) * 1024 +
                       static_cast<size_t>(lua_gc(state, LUA_GCCOUNTB, 0));
  budget.main_thread = state;
  lua_setallocf(state, capped_allocate, &budget);
  budget_of(state) = &budget;
  lua_sethook(state, count_hook, LUA_MASKCOUNT, hook_interval);
  lua_pushcfunction(state, open_libraries);
  if (lua_pcall(state, 0, 0, 0) != LUA_OK) {
    error = take_error(state);
    lua_close(state);
    return nullptr;
  }
  return state;
}

// Runs one chunk; false with `error` set when it does not load or raises.
bool run(lua_State* state, std::string_view chunk, std::string& error) {
  const std::string text(chunk.substr(0, chunk.find('\0')));
  chunk_text argument{text.c_str(), text.size()};
  lua_pushcfunction(state, run_chunk);
  lua_pushlightuserdata(state, &argument);
  if (lua_pcall(state, 1, 0, 0) == LUA_OK) return true;
  error = take_error(state);
  return false;
}

}  // namespace

script_runner& script_runner::instance() {
  static script_runner* const the_runner = [] {
    auto* runner = new script_runner;
    lua_output_hook = capture_output;
    return runner;
  }();
  return *the_runner;
}

size_t script_runner::capture_output(const char* bytes, size_t count) {
  instance().output.append(bytes, count);
  return count;
}

int script_runner::expand_template(QWidget* parent_window, std::string_view text, std::string& result) {
  // A form shown by `dialog` runs the event loop; an expansion started from there would share
  // the capture buffer with the one that waits.
  if (running_) {
    error = "another script is still running";
    return -1;
  }
  struct running_flag {
    bool& flag;
    explicit running_flag(bool& f) : flag(f) { flag = true; }
    ~running_flag() { flag = false; }
  } running(running_);

  parent = parent_window;
  std::string expansion;
  script_budget budget{0, instruction_limit};
  lua_State* state = nullptr;
  bool succeeded = true;
  size_t position = 0;
  for (;;) {
    const size_t start = text.find(start_mark, position);
    if (start == std::string_view::npos) break;
    const size_t end = text.find(end_mark, start + start_mark.size());
    if (end == std::string_view::npos) break;
    expansion.append(text.substr(position, start - position));
    const std::string_view chunk = text.substr(start + start_mark.size(), end - start - start_mark.size());
    position = end + end_mark.size();
    if (!state && !(state = new_state(budget, error))) {
      succeeded = false;
      break;
    }
    output.clear();
    if (!run(state, chunk, error)) {
      succeeded = false;
      break;
    }
    expansion += output;
  }
  if (state) lua_close(state);
  if (budget.memory_exceeded) {
    // Also a script that caught the failed allocation and ended before its next count fails;
    // whatever it was told last (Lua's own "not enough memory", or its own error), the reason
    // is the cap.
    char text[96];
    std::snprintf(text, sizeof text, memory_stop_format, memory_limit_mib);
    error = text;
    succeeded = false;
  }
  if (!succeeded) return -1;
  expansion.append(text.substr(position));
  result = std::move(expansion);
  return 0;
}
