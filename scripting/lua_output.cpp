#include "scripting/lua_output.h"

#include <lua.hpp>

#include <cstdio>

// The functions here run inside Lua calls that may raise (longjmp through these frames), so they
// keep no object with a destructor.

lua_output_function lua_output_hook = lua_output_default;

size_t lua_output_default(const char* bytes, size_t count) { return std::fwrite(bytes, 1, count, stdout); }

namespace {

// Offers the bytes to the hook. A hook that takes fewer had no room for them: Lua's garbage is
// collected and the rest offered once more, as Lua itself retries a refused allocation; a second
// refusal raises Lua's memory error.
void write_out(lua_State* state, const char* bytes, size_t count) {
  const size_t taken = lua_output_hook(bytes, count);
  if (taken >= count) return;
  lua_gc(state, LUA_GCCOLLECT, 0);
  if (lua_output_hook(bytes + taken, count - taken) < count - taken) luaL_error(state, "not enough memory");
}

// Writes every argument through the hook, converted by the global `tostring`, with `separator`
// before every argument but the first (none when null).
void write_arguments(lua_State* state, const char* separator) {
  const int count = lua_gettop(state);
  lua_getglobal(state, "tostring");
  for (int i = 1; i <= count; ++i) {
    lua_pushvalue(state, -1);
    lua_pushvalue(state, i);
    lua_call(state, 1, 1);
    size_t length = 0;
    const char* text = lua_tolstring(state, -1, &length);
    if (!text) luaL_error(state, "'tostring' must return a string to 'print'");
    if (separator && i > 1) write_out(state, separator, 1);
    write_out(state, text, length);
    lua_pop(state, 1);
  }
}

int lua_print(lua_State* state) {
  write_arguments(state, "\t");
  write_out(state, "\n", 1);
  std::fflush(stdout);
  return 0;
}

int lua_nprint(lua_State* state) {
  write_arguments(state, nullptr);
  return 0;
}

}  // namespace

void register_print_functions(lua_State* state) {
  lua_register(state, "print", lua_print);
  lua_register(state, "nprint", lua_nprint);
}
