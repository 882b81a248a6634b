#include "connections/transfer_control.h"

#include <utility>

namespace {

std::mutex monitor_lock;
std::shared_ptr<transfer_monitor> main_monitor;

}  // namespace

transfer_progress transfer_control::take_progress() {
  std::lock_guard<std::mutex> guard(lock);
  notice_out = false;
  return std::exchange(unread, transfer_progress{});
}

bool transfer_control::query(bool& paused) const {
  paused = paused_flag.load();
  return active.load();
}

bool transfer_control::leave_progress(const transfer_progress& report) {
  std::lock_guard<std::mutex> guard(lock);
  unread.merge(report);
  return !std::exchange(notice_out, true);
}

void set_transfer_monitor(std::shared_ptr<transfer_monitor> monitor) {
  std::lock_guard<std::mutex> guard(monitor_lock);
  main_monitor = std::move(monitor);
}

std::shared_ptr<transfer_monitor> current_transfer_monitor() {
  std::lock_guard<std::mutex> guard(monitor_lock);
  return main_monitor;
}
