#include <poll.h>

#include <string>

#include "connections/protocol.h"
#include "connections/worker_threads.h"

namespace {

// Waits for a placed request or a stop; the bound only keeps the wait finite.
constexpr int request_wait_ms = 1000;

void wait_for_request(platform::worker_control& run) {
  pollfd wake{run.wake_fd(), POLLIN, 0};
  if (poll(&wake, 1, request_wait_ms) > 0) run.clear_wake();
}

void serve_requests(protocol& connection, platform::worker_control& run) {
  connection.request.set_ready_callback([&run] { run.wake(); });
  while (!run.stop_requested()) {
    if (!connection.request.take()) {
      wait_for_request(run);
      continue;
    }
    std::u16string error_text;
    int success = connection.run_request(error_text, run);
    connection.request.finish(success, std::move(error_text));
    if (auto view = connection.owner()) view->file_request_done();
  }
  connection.request.set_ready_callback({});
}

}  // namespace

void file_request_thread(protocol& connection, platform::worker_control& run) {
  connection.report_state(state_connecting);
  if (connection.open(run) && !run.stop_requested()) {
    connection.request.reset();
    connection.report_state(state_connected);
    serve_requests(connection, run);
  }
  connection.close();
  connection.report_state(state_disconnected);
}
