#include "platform/worker_thread.h"

#include <system_error>

namespace platform {

bool worker_control::stop_requested() const { return stop_.load(); }

void worker_control::clear_wake() {
  wake_.clear();
  if (stop_requested()) wake_.signal();
}

bool worker_control::wait_for_stop(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> guard(lock_);
  return stopped_.wait_for(guard, timeout, [this] { return stop_.load(); });
}

void worker_control::request_stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  stopped_.notify_all();
  wake_.signal();
}

// Shared by the owner and the thread, so either may go first.
struct worker_thread::shared_state {
  worker_control control;
  std::mutex lock;
  std::condition_variable ended_changed;
  bool ended = false;
};

worker_thread::~worker_thread() {
  if (!thread_.joinable()) return;
  if (running()) {
    request_stop();
    thread_.detach();
  } else {
    thread_.join();
  }
}

bool worker_thread::start(body work) {
  if (running()) return false;
  if (thread_.joinable()) thread_.join();
  auto state = std::make_shared<shared_state>();
  try {
    thread_ = std::thread([state, work = std::move(work)]() mutable {
      work(state->control);
      // The body's captures go before the end is reported, so an owner that saw the end may
      // free what they pointed at.
      work = nullptr;
      {
        std::lock_guard<std::mutex> guard(state->lock);
        state->ended = true;
      }
      state->ended_changed.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  state_ = std::move(state);
  return true;
}

void worker_thread::request_stop() {
  if (state_) state_->control.request_stop();
}

bool worker_thread::wait_for_end(std::chrono::milliseconds deadline) {
  if (!state_) return true;
  {
    std::unique_lock<std::mutex> guard(state_->lock);
    if (!state_->ended_changed.wait_for(guard, deadline, [this] { return state_->ended; })) return false;
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

void worker_thread::detach() {
  if (thread_.joinable()) thread_.detach();
}

bool worker_thread::running() const {
  if (!state_) return false;
  std::lock_guard<std::mutex> guard(state_->lock);
  return !state_->ended;
}

}  // namespace platform
