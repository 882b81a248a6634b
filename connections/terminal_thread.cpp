#include <poll.h>

#include <array>
#include <atomic>
#include <memory>
#include <span>

#include "connections/protocol.h"
#include "connections/worker_threads.h"

namespace {

// A pass that found nothing to do waits this long at most for the peer or the send queue; the
// bound lets a resize reach the peer even when both stay quiet.
constexpr int idle_wait_ms = 100;

// Blocks until the peer has something, bytes are queued to send, the run is stopped or the
// bound passed.
void wait_for_work(const protocol& connection, platform::worker_control& run) {
  std::array<pollfd, 2> fds{};
  fds[0] = {run.wake_fd(), POLLIN, 0};
  wait_target target = connection.input_wait();
  nfds_t count = 1;
  if (target.fd >= 0) {
    fds[1] = {target.fd, target.events, 0};
    count = 2;
  }
  if (poll(fds.data(), count, idle_wait_ms) > 0 && (fds[0].revents & POLLIN)) run.clear_wake();
}

// Sends everything that is queued, in order; false when a write failed.
bool send_queued(protocol& connection, terminal_link& link, std::span<char> buffer, bool& busy) {
  for (;;) {
    int n = link.fetch_send_data(buffer.first<terminal_link::fetch_size>());
    if (n <= 0) return true;
    busy = true;
    if (connection.write(buffer.data(), n) <= 0) return false;
  }
}

void pump(protocol& connection, const std::shared_ptr<terminal_link>& link, platform::worker_control& run) {
  // One buffer serves both directions.
  std::array<char, 8192> buffer;
  // Set by the link when something turned up to send; the queue is only asked then, so a pass
  // that only receives costs nothing on the sending side.
  std::atomic<bool> send_ready{true};
  if (link) {
    link->set_send_ready([&run, &send_ready] {
      send_ready.store(true);
      run.wake();
    });
  }
  while (!run.stop_requested()) {
    bool busy = false;
    if (link) {
      connection.set_size(link->size());
      if (send_ready.exchange(false) && !send_queued(connection, *link, buffer, busy)) break;
    }
    int received = connection.read(buffer.data(), static_cast<int>(buffer.size()));
    if (received < 0) break;
    if (received > 0) {
      busy = true;
      if (link) link->receive_data(buffer.data(), received);
    }
    // Only a pass that moved nothing waits: whatever the peer or the queue already holds is
    // taken first.
    if (!busy) wait_for_work(connection, run);
  }
  if (link) link->set_send_ready({});
}

}  // namespace

void terminal_thread(protocol& connection, platform::worker_control& run) {
  auto link = connection.terminal();
  connection.report_state(state_connecting);
  if (connection.open(run) && !run.stop_requested()) {
    if (link) link->connection_opened();
    connection.report_state(state_connected);
    pump(connection, link, run);
  }
  connection.close();
  connection.report_state(state_disconnected);
}
