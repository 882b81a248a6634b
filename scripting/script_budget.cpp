#include "scripting/script_budget.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

constexpr const char* memory_stop_format = "script stopped: it needed more than %d MiB of memory";
constexpr int memory_limit_mib = static_cast<int>(script_budget::memory_limit >> 20);

// The least growth between two collections that the budget asks for, so that a script living
// close to the cap is not collected at every instruction.
constexpr size_t collect_step = size_t{16} << 20;

// How far past the cap a request is still granted for the moment: the next instruction collects,
// and only live data past the cap stops the script. So a library buffer that Lua does not retry
// is not refused for the garbage that a collection would have freed.
constexpr size_t overdraft = script_budget::memory_limit / 8;

// The heap bytes a string holds; its own inline buffer is none.
size_t heap_bytes(const std::string& text) {
  static const size_t inline_capacity = std::string().capacity();
  return text.capacity() > inline_capacity ? text.capacity() : 0;
}

int collect_garbage(lua_State* state) {
  lua_gc(state, LUA_GCCOLLECT, 0);
  return 0;
}

}  // namespace

lua_State* script_budget::new_state() {
  lua_State* state = luaL_newstate();
  if (!state) return nullptr;
  // From here on every byte of the state is counted: it starts with what it holds now, which
  // the same C library allocated.
  used_ += static_cast<size_t>(lua_gc(state, LUA_GCCOUNT, 0)) * 1024 + static_cast<size_t>(lua_gc(state, LUA_GCCOUNTB, 0));
  main_thread_ = state;
  lua_setallocf(state, allocate, this);
  *static_cast<script_budget**>(lua_getextraspace(state)) = this;
  // A new coroutine takes its creator's hook, and scripts cannot change hooks (`debug.sethook`
  // is taken away by the runner), so every thread of a script is counted.
  lua_sethook(state, count_hook, LUA_MASKCOUNT, hook_interval);
  return state;
}

script_budget* script_budget::of(lua_State* state) { return *static_cast<script_budget**>(lua_getextraspace(state)); }

void* script_budget::allocate(void* budget_pointer, void* block, size_t old_size, size_t new_size) {
  auto* budget = static_cast<script_budget*>(budget_pointer);
  // Without a block, old_size tells the kind of object, not a size.
  const size_t held = block ? old_size : 0;
  if (new_size == 0) {
    std::free(block);
    budget->used_ -= held;
    return nullptr;
  }
  if (new_size > held && !budget->grant({block, old_size, new_size, new_size - held})) return nullptr;
  void* moved = std::realloc(block, new_size);
  if (!moved) {
    if (new_size > held) budget->used_ -= new_size - held;
    return nullptr;
  }
  if (new_size < held) budget->used_ -= held - new_size;
  return moved;
}

bool script_budget::append(std::string& text, std::string_view bytes) {
  const size_t capacity = text.capacity();
  if (bytes.size() <= capacity - text.size()) {
    text.append(bytes);
    return true;
  }
  if (bytes.size() > text.max_size() - text.size()) return grant({&text, capacity, SIZE_MAX, SIZE_MAX});
  const size_t needed = text.size() + bytes.size();
  // The string doubles while there is room for that; near the cap it takes only what it needs.
  // The new buffer is counted in full: the old one is freed only after the copy.
  const size_t doubled = capacity <= text.max_size() / 2 ? std::max(needed, 2 * capacity) : needed;
  const size_t wanted = doubled <= below_cap() ? doubled : needed;
  if (!grant({&text, capacity, needed, wanted})) return false;
  const size_t before = heap_bytes(text);
  try {
    std::string grown;
    grown.reserve(wanted);
    grown.append(text).append(bytes);
    text.swap(grown);
  } catch (const std::exception&) {
    // The C library had no memory for it (a bad_alloc, or a length_error): refused, not counted.
    used_ -= wanted;
    return false;
  }
  used_ = used_ - wanted - before + heap_bytes(text);
  return true;
}

bool script_budget::take(lua_State* state, size_t bytes) {
  if (bytes > room()) {
    lua_gc(state, LUA_GCCOLLECT, 0);
    after_collection();
    if (bytes > room()) {
      stop_for_memory();
      return false;
    }
  }
  count(bytes);
  return true;
}

void script_budget::give_back(size_t bytes) { used_ -= std::min(bytes, used_); }

void script_budget::settle(lua_State* state) {
  if (refusal_open_ || used_ > memory_limit) collect(state);
}

void script_budget::collect(lua_State* state) {
  if (state) {
    lua_pushcfunction(state, collect_garbage);
    // A finalizer that raised ends the collection early; what it freed so far counts.
    if (lua_pcall(state, 0, 0, 0) != LUA_OK) lua_pop(state, 1);
  }
  after_collection();
}

int script_budget::raise_stop(lua_State* state) const {
  if (memory_exceeded_) return luaL_error(state, memory_stop_format, memory_limit_mib);
  return luaL_error(state, "script stopped: it ran more than %I instructions", static_cast<lua_Integer>(instruction_limit_));
}

std::string script_budget::memory_message() {
  char text[96];
  std::snprintf(text, sizeof text, memory_stop_format, memory_limit_mib);
  return text;
}

size_t script_budget::below_cap() const { return used_ < memory_limit ? memory_limit - used_ : 0; }

size_t script_budget::room() const {
  const size_t ceiling = memory_limit + overdraft;
  return used_ < ceiling ? ceiling - used_ : 0;
}

void script_budget::count(size_t bytes) {
  used_ += bytes;
  if (used_ > collect_mark_ || used_ > memory_limit) check_soon();
}

bool script_budget::grant(const request& r) {
  const bool retry = refusal_open_ && open_refusal_ == r;
  if (retry) refusal_open_ = false;
  if (r.amount <= room()) {
    count(r.amount);
    return true;
  }
  if (retry) {
    // Refused again after a collection: the live data does not fit.
    stop_for_memory();
  } else {
    open_refusal_ = r;
    refusal_open_ = true;
    check_soon();
  }
  return false;
}

void script_budget::check_soon() {
  if (check_requested_) return;
  check_requested_ = true;
  // Setting a hook is safe at any moment, also from inside the allocator; Lua's own interpreter
  // does it from a signal handler.
  if (main_thread_) lua_sethook(main_thread_, count_hook, LUA_MASKCOUNT, 1);
}

void script_budget::after_collection() {
  // What is counted now is live (or made outside Lua): past the cap, or with a refused request
  // that would pass it, the script needs more than the cap.
  if (used_ > memory_limit || (refusal_open_ && open_refusal_.amount > below_cap())) stop_for_memory();
  refusal_open_ = false;
  collect_mark_ = used_ + std::max(below_cap() / 2, collect_step);
}

void script_budget::stop_for_memory() {
  memory_exceeded_ = true;
  // The main thread stops at its next instruction rather than at its next count: a script that
  // catches each failure would otherwise make Lua collect all its garbage on every turn until
  // then.
  if (main_thread_) lua_sethook(main_thread_, count_hook, LUA_MASKCOUNT, 1);
}

void script_budget::stop_every_instruction(lua_State* state) {
  lua_sethook(state, count_hook, LUA_MASKCOUNT, 1);
  lua_sethook(main_thread_, count_hook, LUA_MASKCOUNT, 1);
}

void script_budget::count_hook(lua_State* state, lua_Debug*) { of(state)->on_hook(state); }

void script_budget::on_hook(lua_State* state) {
  if (!stopped()) {
    // A count of 1 is a check that was asked for, or a coroutine made while one was pending;
    // afterwards the thread counts whole intervals again.
    const bool short_count = lua_gethookcount(state) == 1;
    bool restore = short_count;
    if (check_requested_) {
      check_requested_ = false;
      restore = true;
      if (refusal_open_ || used_ > collect_mark_ || used_ > memory_limit) {
        lua_gc(state, LUA_GCCOLLECT, 0);
        after_collection();
      }
      // The interval that the check cut short is not known: it counts in full.
      instructions_ += hook_interval;
    } else {
      instructions_ += short_count ? 1 : hook_interval;
    }
    if (instructions_ >= instruction_limit_) instructions_exceeded_ = true;
    if (!stopped()) {
      if (restore) {
        lua_sethook(state, count_hook, LUA_MASKCOUNT, hook_interval);
        lua_sethook(main_thread_, count_hook, LUA_MASKCOUNT, hook_interval);
      }
      return;
    }
  }
  // From here on every instruction of this thread and of the main one raises, so a pcall inside
  // the script cannot swallow the stop: the first instruction after it raises again, until the
  // script is left. A coroutine that resumed this one stops at its own next count.
  stop_every_instruction(state);
  raise_stop(state);
}
