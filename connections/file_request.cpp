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
  note.clear();
  return 1;
}

std::optional<file_request_result> file_request::collect() {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_done) return std::nullopt;
  file_request_result result;
  result.kind = kind;
  result.argument = std::exchange(argument, std::monostate{});
  result.success = success;
  result.error_text = std::exchange(error_text, {});
  result.listing = std::exchange(listing, {});
  result.note = std::exchange(note, {});
  state.store(request_idle);
  return result;
}

bool file_request::take() {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_queued) return false;
  state.store(request_running);
  return true;
}

std::pair<int32_t, file_request_argument> file_request::running_request() {
  std::lock_guard<std::mutex> guard(lock);
  return {kind, argument};
}

void file_request::store_listing(std::vector<std::unique_ptr<file_entry>> entries) {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() == request_running) listing = std::move(entries);
}

void file_request::store_note(std::u16string text) {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() == request_running) note = std::move(text);
}

bool file_request::fail_running(std::u16string error) {
  std::lock_guard<std::mutex> guard(lock);
  if (state.load() != request_running) return false;
  success = 0;
  error_text = std::move(error);
  state.store(request_done);
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
