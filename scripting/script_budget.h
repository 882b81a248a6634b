#pragma once
// What one template expansion may use: a number of Lua instructions, and memory. The memory
// counted is Lua's own (the state's allocator is `allocate`) together with what the script makes
// outside Lua: its printed output, the expansion being built, the descriptions of its forms. A
// script past either bound is stopped: from then on every instruction raises the stop, so a
// pcall inside the script cannot swallow it.
//
// A request that does not fit is refused, but the refusal is not final yet: Lua answers a refused
// allocation with a full (emergency) collection and asks again with the same request, and the C++
// side collects and asks again itself. Only a request refused again after a collection stops the
// script, so its message ("it needed more than 256 MiB") is true of the live data. Lua's auxiliary
// buffers (string.rep, table.concat, ...) allocate without that retry: their refusal is settled at
// the next instruction, or when the chunk ends, by collecting. To keep such refusals rare, a
// request that passes the cap by little (an eighth of it) is granted for the moment and the next
// instruction collects: only live data past the cap stops the script. And the garbage is
// collected at the next instruction once memory in use passes a mark halfway between what was
// live after the last collection and the cap.
//
// Lives in the frame of the expansion; its states point at it through their extra space (which
// every coroutine copies from the main thread, so all threads share one budget) and through the
// allocator's user data. Everything here that Lua calls, or that may raise, keeps no object with a
// destructor in its frame. GUI thread only, like the expansions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct lua_State;

class script_budget {
 public:
  static constexpr size_t memory_limit = size_t{256} << 20;
  // The count hook runs every this many instructions; cheap enough not to show in a profile.
  static constexpr int hook_interval = 100'000;

  explicit script_budget(uint64_t instruction_limit) : instruction_limit_(instruction_limit) {}
  script_budget(const script_budget&) = delete;
  script_budget& operator=(const script_budget&) = delete;

  // A new state counted against this budget (libraries not opened yet), or null when Lua could
  // not make one.
  lua_State* new_state();
  // The budget of a state made by new_state.
  static script_budget* of(lua_State* state);

  // The state's allocator: the C library's, counted. Freeing and shrinking never fail.
  static void* allocate(void* budget, void* block, size_t old_size, size_t new_size);

  // Appends to a string that the script's output makes (the captured output, the expansion),
  // counting the string's growth. False, with nothing appended, when the growth was refused; the
  // caller collects (or lets the script collect) and offers the same bytes once more, and a
  // second refusal stops the script.
  bool append(std::string& text, std::string_view bytes);

  // Counts `bytes` that the script makes outside Lua. When they do not fit, Lua's garbage is
  // collected once and they are counted again; false when they still do not fit, and the script
  // is then stopped. Call it where a Lua error may unwind: the collection runs finalizers.
  bool take(lua_State* state, size_t bytes);
  // Gives back what take counted, once those bytes are freed.
  void give_back(size_t bytes);

  // With the state idle (between chunks, after one): collects the garbage, settling a refusal
  // that no retry followed and whether what is held now is past the cap. `state` may be null (no
  // chunk has run yet). settle does it only when there is something to settle.
  void collect(lua_State* state);
  void settle(lua_State* state);

  // Raises the stop's Lua error in `state` (so it never returns). Call it only once stopped.
  int raise_stop(lua_State* state) const;

  bool stopped() const { return memory_exceeded_ || instructions_exceeded_; }
  bool memory_exceeded() const { return memory_exceeded_; }
  // The message of a script stopped for its memory.
  static std::string memory_message();

 private:
  // What a refused request asked for: a retry asks for exactly the same.
  struct request {
    const void* key = nullptr;
    size_t held = 0;
    size_t wanted = 0;
    size_t amount = 0;  // what it needed beyond what was counted
    bool operator==(const request& other) const {
      return key == other.key && held == other.held && wanted == other.wanted;
    }
  };

  static void count_hook(lua_State* state, struct lua_Debug*);
  void on_hook(lua_State* state);
  // What may still be granted now (the cap and its overdraft).
  size_t room() const;
  size_t below_cap() const;
  void count(size_t bytes);
  // Counts `r.amount` when it fits; otherwise refuses, finally when `r` is the retry of the
  // refusal that is still open.
  bool grant(const request& r);
  // The next instruction of the main thread runs the hook, which collects and settles.
  void check_soon();
  void after_collection();
  void stop_for_memory();
  // Every thread that runs the hook from now on raises the stop at once.
  void stop_every_instruction(lua_State* state);

  uint64_t instruction_limit_;
  uint64_t instructions_ = 0;
  bool instructions_exceeded_ = false;
  // Bytes counted, garbage not yet collected included.
  size_t used_ = 0;
  bool memory_exceeded_ = false;
  // The last refusal, until its retry or the next settling.
  request open_refusal_;
  bool refusal_open_ = false;
  bool check_requested_ = false;
  size_t collect_mark_ = memory_limit / 2;
  lua_State* main_thread_ = nullptr;
};
