#pragma once
// Where the servers' trace lines wait until the "Tiny Server" tab shows them. The sink lives as
// long as the process, so a server thread that logs while the main window is being destroyed,
// or after it is gone, appends to the sink and never reaches a window; lines nobody drains any
// more are simply dropped at exit. Any thread.
#include <mutex>
#include <string>
#include <string_view>

class trace_sink {
 public:
  // The one sink of the process.
  static trace_sink& instance();

  // What the pending text keeps at most: its newest characters.
  static constexpr size_t max_pending = 10240;

  // Appends a finished line (its line break included); the oldest pending text beyond
  // max_pending characters is dropped.
  void append(std::u16string_view text);
  // Takes everything appended since the last take.
  std::u16string take();

 private:
  std::mutex lock;
  std::u16string pending;
};
