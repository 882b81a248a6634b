#pragma once
// The terminal link over a shared terminal core: received blocks go through the core's parser
// under its screen mutex, bytes to send come from its send queue, the size from the view's
// published rows and columns.
#include <functional>
#include <memory>

#include "connections/terminal_link.h"

class terminal_core;

class terminal_core_link : public terminal_link {
 public:
  // `on_screen_changed` runs on the worker after a block changed the screen while no earlier
  // change was pending (`terminal_core::screen_changed_pending`); it must only post to the view,
  // which clears the flag when it takes the change. It may be empty.
  terminal_core_link(std::shared_ptr<terminal_core> core, std::function<void()> on_screen_changed);

  terminal_size size() const override;
  int fetch_send_data(std::span<char, fetch_size> buffer) override;
  void receive_data(const char* bytes, int length) override;
  void set_send_ready(std::function<void()> on_ready) override;
  // Empties the send queue.
  void connection_opened() override;

 private:
  std::shared_ptr<terminal_core> core;
  std::function<void()> on_screen_changed;
};
