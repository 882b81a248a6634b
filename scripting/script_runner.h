#pragma once
// Expands a script template: literal text in which Lua chunks stand between "<%" and "%>". The
// literal text is copied; each chunk runs and is replaced by everything it printed. All chunks of
// one template run in one fresh Lua state (so a global set by one block is seen by the next),
// which is closed when the expansion ends: nothing survives into the next one.
//
// Lua here is Debian's C build, whose errors longjmp: every call that may raise runs inside a
// protected call, and no C++ object with a destructor lives in a frame that a raise can unwind.
//
// GUI thread only: a chunk may open a form (`dialog`) that runs the event loop.
#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scripting/script_budget.h"

class script_runner {
 public:
  // The one runner; the first call also points `lua_output_hook` at `capture_output`.
  static script_runner& instance();

  // 0 when every chunk ran, `result` then holding the expansion; -1 when a chunk failed (or
  // another expansion is still running), `result` untouched and the message in `error`.
  // `parent` owns the forms that `dialog` shows.
  int expand_template(QWidget* parent, std::string_view text, std::string& result);

  // The output hook while the runner exists: appends to `output`. During an expansion the output
  // counts against the script's memory: a growth past the cap is refused (0 is returned, nothing
  // appended), and `print` then collects and offers the bytes once more.
  static size_t capture_output(const char* bytes, size_t count);

  // Everything the running (or last) chunk printed; emptied before each chunk.
  std::string output;
  // The last failure's text; kept across later successful expansions.
  std::string error;
  QPointer<QWidget> parent;

  // How many Lua instructions one expansion may run. A script that loops for ever is ended with
  // an error when it passes this, so the GUI comes back (about a second or two of work). Time
  // spent inside one library call (a string search that backtracks) is no instructions: such a
  // call holds the GUI thread until it returns.
  static constexpr uint64_t default_instruction_limit = 400'000'000;
  uint64_t instruction_limit = default_instruction_limit;

  // How much memory one expansion may hold: its Lua state together with its output, the
  // expansion and the forms it describes. A script that needs more is ended with an error (also
  // one that catches the failed allocation with pcall), long before a growing table or output
  // could take the machine's memory.
  static constexpr size_t memory_limit = script_budget::memory_limit;

 private:
  script_runner() = default;
  // The expansion itself, once it may run.
  int expand(std::string_view text, std::string& result);

  bool running_ = false;
  // The budget of the expansion that is running, or null.
  script_budget* budget_ = nullptr;
};
