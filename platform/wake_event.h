#pragma once
// An eventfd that another thread signals to wake a poll loop: put fd() in the poll set with
// POLLIN; the loop clears it after waking.
namespace platform {

class wake_event {
 public:
  wake_event();
  ~wake_event();
  wake_event(const wake_event&) = delete;
  wake_event& operator=(const wake_event&) = delete;

  // False when no eventfd could be made; signal and clear then do nothing.
  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Makes fd() readable until clear(). Any thread may call it.
  void signal();
  // Makes fd() unreadable again.
  void clear();
  // Waits until signalled or `timeout_ms` passed (-1: no deadline); true when signalled.
  // Does not clear.
  bool wait(int timeout_ms) const;

 private:
  int fd_;
};

}  // namespace platform
