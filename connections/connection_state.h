#pragma once
// The states a connection reports to its view, and the size it tells the peer.
#include <cstdint>

// Values of `protocol::state` and of each state report to the owner view.
enum connection_state : int32_t {
  state_disconnected = 0,
  state_connecting = 1,  // the worker runs, the connection is not open yet
  state_connected = 2,   // open succeeded
};

// The terminal's size in character cells (rows first), as `protocol::set_size` takes it.
struct terminal_size {
  uint16_t rows = 0;
  uint16_t columns = 0;
};
