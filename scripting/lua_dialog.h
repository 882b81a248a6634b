#pragma once
// The Lua global `dialog`: dialog{title = ..., items = {{id =, type =, label =, options =,
// default =, require =}, ...}} shows a form over the template runner's parent window and, on OK,
// sets one global per item (named by its id) to the text entered. Returns true for OK, false for
// Cancel (nothing set then).
//
// An item without a string or number id, or whose type is not exactly "edit", "dropdown" or
// "droplist", is left out. Raises "dialog function require one table parameter!" unless called
// with exactly one argument, and Lua's own errors for a non-table argument or an `items` that
// cannot be read.
struct lua_State;

int lua_dialog(lua_State* state);
