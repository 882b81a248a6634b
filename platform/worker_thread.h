#pragma once
// A worker thread with cooperative stop: the owner asks it to stop and wakes it, waits at most
// a grace period for its end, and detaches it when it does not end in time. The worker's
// control block is shared, so a detached worker never touches freed memory.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/wake_event.h"

namespace platform {

// What the worker's body sees: the stop request and the wake to add to its poll set.
class worker_control {
 public:
  bool stop_requested() const;
  // Readable once a stop was requested (and whenever wake() was called); for poll loops.
  int wake_fd() const { return wake_.fd(); }
  // Makes wake_fd() readable, to wake the worker's poll loop; clear with clear_wake().
  void wake() { wake_.signal(); }
  // Makes wake_fd() unreadable again, unless a stop was requested (that wake stays).
  void clear_wake();
  // Sleeps at most `timeout`, returning early (true) when a stop was requested.
  bool wait_for_stop(std::chrono::milliseconds timeout) const;

 private:
  friend class worker_thread;
  void request_stop();

  std::atomic<bool> stop_{false};
  wake_event wake_;
  mutable std::mutex lock_;
  mutable std::condition_variable stopped_;
};

class worker_thread {
 public:
  using body = std::function<void(worker_control&)>;

  worker_thread() = default;
  // A worker still running is asked to stop and detached.
  ~worker_thread();
  worker_thread(const worker_thread&) = delete;
  worker_thread& operator=(const worker_thread&) = delete;

  // Starts the body on a new thread. False when one is already running (or was detached and
  // may still be) or the thread could not be made.
  bool start(body work);
  // Sets the stop flag and wakes the worker; returns at once.
  void request_stop();
  // Waits at most `deadline` for the body to return (and its captures to be destroyed); true
  // when it ended (the thread is then joined).
  bool wait_for_end(std::chrono::milliseconds deadline);
  // Lets a worker that did not end go on alone; it keeps its control block.
  void detach();
  // True from start until the body returned.
  bool running() const;

 private:
  struct shared_state;
  std::shared_ptr<shared_state> state_;
  std::thread thread_;
};

}  // namespace platform
