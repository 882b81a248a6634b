#pragma once
// The terminal side of a terminal session as its connection's worker sees it: the bytes to
// send, the bytes received, and the size of the view. The worker takes the link once when it
// starts and keeps it (through std::shared_ptr) until it ends, so the link outlives any view.
#include <cstddef>
#include <functional>
#include <span>

#include "connections/connection_state.h"

class terminal_link {
 public:
  static constexpr size_t fetch_size = 64;

  virtual ~terminal_link() = default;

  // The view's rows and columns, for the remote pseudo-terminal.
  virtual terminal_size size() const = 0;

  // Places up to 64 bytes to send in `buffer` and returns their number; 0 at once when nothing
  // is waiting. Bytes come out in the order they were queued.
  virtual int fetch_send_data(std::span<char, fetch_size> buffer) = 0;

  // One block received from the peer, in order.
  virtual void receive_data(const char* bytes, int length) = 0;

  // `on_ready` is called (from any thread, under a lock of the link's, so it may only signal)
  // whenever something to send turns up after fetch_send_data returned 0, so that a worker that
  // waits on its peer wakes for outgoing bytes too. An empty function removes it; after that
  // call returns it is not called again.
  virtual void set_send_ready(std::function<void()> on_ready) = 0;

  // A new connection is up (called by the worker before it reports the session connected): bytes
  // queued for an earlier connection, or while none was up, are not for this one and are dropped
  // here, so a text pressed or typed before a reconnect never runs at the new shell's prompt.
  virtual void connection_opened() {}
};
