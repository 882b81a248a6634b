#pragma once
// What a terminal view and its connection's worker share: the screen buffer (with the screen
// mutex), the escape parser, the send queue and the flags the worker and the GUI read without a
// lock. Both sides hold it through std::shared_ptr, so a worker that outlives its view never
// touches freed memory.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "terminal/escape_parser.h"
#include "terminal/screen_buffer.h"
#include "terminal/send_queue.h"

class terminal_core {
 public:
  terminal_core() = default;
  terminal_core(const terminal_core&) = delete;
  terminal_core& operator=(const terminal_core&) = delete;

  screen_buffer screen;
  send_queue queue;
  terminal_modes modes;
  escape_parser parser{screen, queue, modes};

  // The view's size, written by the GUI on resize and read by the worker for the remote
  // pseudo-terminal (`protocol::set_size`).
  std::atomic<int32_t> view_rows{screen_buffer::default_rows};
  std::atomic<int32_t> view_cols{screen_buffer::default_cols};
  // Set by the worker after a received block while the GUI has not yet taken the change.
  std::atomic<bool> screen_changed_pending{false};

  // The screen mutex for the GUI thread. A worker in a flood releases the mutex and takes it
  // again at once for its next block, which could keep the GUI waiting for many blocks; while a
  // GUI lock is waiting the worker holds back its next block, so the GUI waits at most for the
  // block being parsed.
  std::unique_lock<std::recursive_mutex> gui_lock();
  // GUI locks waiting for the mutex.
  std::atomic<int> gui_waiting{0};

  // The data path of one received block: takes the screen mutex, feeds every byte to the
  // parser, releases it. Returns the new scroll range: -1 when the line count did not change,
  // else the new line count, but at least the screen rows.
  int receive_data(const void* bytes, size_t n);

  // Resizes the screen (under the mutex) and publishes the size to the worker.
  void resize(int rows, int cols);

  // The session's terminal type for the parser's replies and the navigation keys.
  void set_console_type(const std::string& type);
};
