#pragma once
// Where Lua's `print` and `nprint` write: one process-wide hook. It writes to standard output
// until the template runner exists, which points it at its capture buffer for good.
//
// `print` and `nprint` are ours, registered over the base library's `print` in every state the
// runner makes: `print` writes its arguments as Lua's own does (tab-separated, newline at the
// end), `nprint` writes them back to back with no separator and no newline.
#include <cstddef>

struct lua_State;

// Returns how many of the bytes it took; fewer means it had no room for the rest, and `print`
// then collects Lua's garbage and offers them once more before it raises Lua's memory error.
using lua_output_function = size_t (*)(const char* bytes, size_t count);

// Writes the bytes to standard output; returns how many were written.
size_t lua_output_default(const char* bytes, size_t count);

extern lua_output_function lua_output_hook;

// Sets the globals `print` and `nprint` of `state`. May raise a Lua error (out of memory), so
// call it in protected mode.
void register_print_functions(lua_State* state);
