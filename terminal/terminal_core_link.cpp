#include "terminal/terminal_core_link.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

#include "terminal/terminal_core.h"

namespace {

static_assert(terminal_link::fetch_size == send_queue::fetch_size, "one fetch fills one piece");

uint16_t cells(int32_t value) {
  return static_cast<uint16_t>(std::clamp<int32_t>(value, 0, UINT16_MAX));
}

}  // namespace

terminal_core_link::terminal_core_link(std::shared_ptr<terminal_core> core,
                                       std::function<void()> on_screen_changed)
    : core(std::move(core)), on_screen_changed(std::move(on_screen_changed)) {}

terminal_size terminal_core_link::size() const {
  return {cells(core->view_rows.load()), cells(core->view_cols.load())};
}

int terminal_core_link::fetch_send_data(std::span<char, fetch_size> buffer) {
  return core->queue.fetch_send_data(buffer, std::chrono::milliseconds(0));
}

void terminal_core_link::receive_data(const char* bytes, int length) {
  if (length <= 0) return;
  core->receive_data(bytes, static_cast<size_t>(length));
  // One notice per burst: the view reads the whole change when it gets round to it.
  if (!core->screen_changed_pending.exchange(true) && on_screen_changed) on_screen_changed();
}

void terminal_core_link::set_send_ready(std::function<void()> on_ready) {
  core->queue.set_ready_callback(std::move(on_ready));
}

void terminal_core_link::connection_opened() { core->queue.discard_unsent(); }
