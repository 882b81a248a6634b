#include "connections/protocol.h"

#include <utility>

#include "config/session_record.h"
#include "connections/worker_threads.h"

protocol::protocol(int32_t kind, std::string_view uuid) : kind(kind), session_uuid(uuid) {}

protocol::~protocol() = default;

int protocol::start() {
  std::lock_guard<std::mutex> guard(control_lock);
  if (state.load() != state_disconnected) return 1;
  // Never two workers at once. One that reported its end is only returning; one that a stop
  // let go may take its time, and this start is then dropped like any start while connected.
  if (worker.running() && (worker_let_go || !worker.wait_for_end(finishing_grace))) return 1;
  worker_let_go = false;
  state.store(state_connecting);
  auto self = shared_from_this();
  bool explorer = mode == session_view_explorer;
  bool started = worker.start([self, explorer](platform::worker_control& run) {
    if (explorer)
      file_request_thread(*self, run);
    else
      terminal_thread(*self, run);
  });
  if (!started) state.store(state_disconnected);
  return 1;
}

int protocol::stop() {
  std::lock_guard<std::mutex> guard(control_lock);
  if (state.load() == state_disconnected) return 1;
  worker.request_stop();
  // The worker sees the stop at its next check and cleans up while its connection still works.
  if (needs_clean_up()) worker.wait_for_end(clean_up_grace);
  interrupt();
  if (!worker.wait_for_end(stop_grace)) {
    // The worker keeps what it holds and closes it itself when it gets there; for everybody
    // else the connection has ended now.
    worker.detach();
    worker_let_go = true;
    state.store(state_disconnected);
    auto view = owner();
    if (view) view->connection_state_changed(state_disconnected);
    if (request.fail_running(u"The connection has ended") && view) view->file_request_done();
  }
  return 1;
}

int protocol::restart() {
  stop();
  return start();
}

int protocol::release() {
  set_owner(nullptr);
  return stop();
}

void protocol::set_owner(std::shared_ptr<connection_owner> view) {
  std::lock_guard<std::mutex> guard(links_lock);
  owner_view = std::move(view);
}

std::shared_ptr<connection_owner> protocol::owner() const {
  std::lock_guard<std::mutex> guard(links_lock);
  return owner_view;
}

void protocol::set_terminal(std::shared_ptr<terminal_link> link) {
  std::lock_guard<std::mutex> guard(links_lock);
  terminal_side = std::move(link);
}

std::shared_ptr<terminal_link> protocol::terminal() const {
  std::lock_guard<std::mutex> guard(links_lock);
  return terminal_side;
}

void protocol::report_state(connection_state new_state) {
  state.store(new_state);
  if (auto view = owner()) view->connection_state_changed(new_state);
}

int protocol::queue_list_folder(const char* folder) {
  if (!folder) return -1;
  return request.place(request_list_folder, std::string(folder)) ? 0 : -1;
}

int protocol::queue_download(const std::vector<std::string>& remote_paths, const char* local_folder) {
  if (remote_paths.empty() || !local_folder) return -1;
  return request.place(request_download, transfer_request{remote_paths, local_folder}) ? 0 : -1;
}

int protocol::queue_upload(const std::vector<std::string>& local_paths, const char* remote_folder) {
  if (local_paths.empty() || !remote_folder) return -1;
  return request.place(request_upload, transfer_request{local_paths, remote_folder}) ? 0 : -1;
}

int protocol::queue_modify_entry(const std::string& path, const std::string& new_path, int mode) {
  if (path.empty() || new_path.empty()) return -1;
  return request.place(request_modify_entry, modify_request{path, new_path, mode}) ? 0 : -1;
}
