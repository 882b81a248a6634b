#include "terminal/terminal_core.h"

#include <algorithm>
#include <mutex>
#include <thread>

int terminal_core::receive_data(const void* bytes, size_t n) {
  int before = 0;
  int after = 0;
  int rows = 0;
  while (gui_waiting.load(std::memory_order_acquire) > 0) std::this_thread::yield();
  {
    std::lock_guard lock(screen.mutex);
    before = screen.line_count();
    parser.put_bytes(static_cast<const uint8_t*>(bytes), n);
    after = screen.line_count();
    rows = screen.rows;
  }
  return after == before ? -1 : std::max(after, rows);
}

std::unique_lock<std::recursive_mutex> terminal_core::gui_lock() {
  gui_waiting.fetch_add(1, std::memory_order_acq_rel);
  std::unique_lock lock(screen.mutex);
  gui_waiting.fetch_sub(1, std::memory_order_acq_rel);
  return lock;
}

void terminal_core::resize(int rows, int cols) {
  {
    auto lock = gui_lock();
    screen.resize(rows, cols);
  }
  view_rows = rows;
  view_cols = cols;
}

void terminal_core::set_console_type(const std::string& type) {
  {
    auto lock = gui_lock();
    parser.set_console_type(type);
  }
  queue.set_console_type(type);
}
