#include "connections/file_request.h"

#include <utility>

bool file_request::place(int32_t request_kind, file_request_argument request_argument) {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_idle) return false;
  kind = request_kind;
  argument = std::move(request_argument);
  state.store(request_queued);
  if (ready_callback) ready_callback();
  return true;
}

int file_request::reset() {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_done) return 0;
  state.store(request_idle);
  listing.clear();
  argument = std::monostate{};
  error_text.clear();
  return 1;
}

bool file_request::take() {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_queued) return false;
  state.store(request_running);
  return true;
}

void file_request::finish(int32_t result, std::u16string result_error) {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_running) return;
  success = result;
  error_text = std::move(result_error);
  state.store(request_done);
}

void file_request::set_ready_callback(std::function<void()> on_ready) {
  std::lock_guard<std::mutex> guard(lock);
  ready_callback = std::move(on_ready);
  if (ready_callback && state.load() == request_queued) ready_callback();
}
