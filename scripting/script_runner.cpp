#include "scripting/script_runner.h"

#include <lua.hpp>

#include <exception>
#include <utility>

#include "scripting/lua_dialog.h"
#include "scripting/lua_output.h"

namespace {

constexpr std::string_view start_mark = "<%";
constexpr std::string_view end_mark = "%>";

// Everything below that Lua calls, or that runs inside a protected call, keeps no object with a
// destructor in its frame: a Lua error longjmps through it.

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
    // A message as big as the script's memory may find no room outside it.
    try {
      text.assign(bytes, length);
    } catch (const std::exception&) {
    }
  }
  lua_settop(state, 0);
  return text;
}

// A state with the libraries, print, nprint, dialog, the count hook and the capped allocator;
// null (with `error` set) when it cannot be made.
lua_State* new_state(script_budget& budget, std::string& error) {
  lua_State* state = budget.new_state();
  if (!state) {
    error = "not enough memory";
    return nullptr;
  }
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
  script_runner& runner = instance();
  if (runner.budget_) return runner.budget_->append(runner.output, {bytes, count}) ? count : 0;
  try {
    runner.output.append(bytes, count);
  } catch (const std::exception&) {
    return 0;
  }
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
  try {
    return expand(text, result);
  } catch (const std::exception&) {
    // A copy that found no memory outside the script's (the C library refused it).
    error = "not enough memory";
    return -1;
  }
}

int script_runner::expand(std::string_view text, std::string& result) {
  script_budget budget(instruction_limit);
  // The last expansion's output goes now: this one's is counted from nothing.
  std::string().swap(output);
  struct budget_in_use {
    script_budget*& slot;
    ~budget_in_use() { slot = nullptr; }
  } in_use{budget_ = &budget};
  // Closed when the expansion ends, however it ends; its finalizers may still print.
  struct open_state {
    lua_State* state = nullptr;
    ~open_state() {
      if (state) lua_close(state);
    }
  } lua;

  std::string expansion;
  // Adds to the expansion; a growth that was refused is offered again after a collection, and a
  // second refusal stops the script.
  const auto add = [&](std::string_view bytes) {
    if (budget.append(expansion, bytes)) return true;
    budget.collect(lua.state);
    if (budget.append(expansion, bytes)) return true;
    error = "not enough memory";
    return false;
  };
  bool succeeded = true;
  size_t position = 0;
  for (;;) {
    const size_t start = text.find(start_mark, position);
    if (start == std::string_view::npos) break;
    const size_t end = text.find(end_mark, start + start_mark.size());
    if (end == std::string_view::npos) break;
    const std::string_view chunk = text.substr(start + start_mark.size(), end - start - start_mark.size());
    if (!add(text.substr(position, start - position))) {
      succeeded = false;
      break;
    }
    position = end + end_mark.size();
    if (!lua.state && !(lua.state = new_state(budget, error))) {
      succeeded = false;
      break;
    }
    output.clear();
    const bool ran = run(lua.state, chunk, error);
    // A library buffer refused without a retry (a big string.rep, say), or memory granted past the
    // cap at the last instruction, is settled now: the script is stopped by the cap only if its
    // live data does not fit.
    budget.settle(lua.state);
    if (!ran || !add(output)) {
      succeeded = false;
      break;
    }
  }
  if (succeeded && !add(text.substr(position))) succeeded = false;
  if (budget.memory_exceeded()) {
    // Also a script that caught the failed allocation and ended before its next count fails;
    // whatever it was told last (Lua's own "not enough memory", or its own error), the reason
    // is the cap.
    error = script_budget::memory_message();
    succeeded = false;
  }
  if (!succeeded) return -1;
  result = std::move(expansion);
  return 0;
}
