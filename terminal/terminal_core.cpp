#include "terminal/terminal_core.h"

#include <algorithm>
#include <mutex>

int terminal_core::receive_data(const void* bytes, size_t n) {
  int before = 0;
  int after = 0;
  int rows = 0;
  {
    std::lock_guard lock(screen.mutex);
    before = screen.line_count();
    parser.put_bytes(static_cast<const uint8_t*>(bytes), n);
    after = screen.line_count();
    rows = screen.rows;
  }
  return after == before ? -1 : std::max(after, rows);
}

void terminal_core::resize(int rows, int cols) {
  {
    std::lock_guard lock(screen.mutex);
    screen.resize(rows, cols);
  }
  view_rows = rows;
  view_cols = cols;
}

void terminal_core::set_console_type(const std::string& type) {
  {
    std::lock_guard lock(screen.mutex);
    parser.set_console_type(type);
  }
  queue.set_console_type(type);
}
