#include "connections/transfer_session.h"

#include <cstdio>
#include <utility>

#include "platform/worker_thread.h"

transfer_session::transfer_session(bool download, const platform::worker_control& run)
    : control(std::make_shared<transfer_control>(download)), monitor(current_transfer_monitor()), run(run) {
  if (monitor) monitor->transfer_begin(control);
}

transfer_session::~transfer_session() {
  control->mark_ended();
  if (monitor) monitor->transfer_end(control);
}

bool transfer_session::go_on(std::chrono::milliseconds pause_sleep) {
  bool shown_paused = false;
  while (!halted) {
    bool paused = false;
    if (run.stop_requested() || !control->query(paused)) {
      halted = true;
      break;
    }
    if (!paused) {
      if (shown_paused) {
        transfer_progress going_on;
        going_on.action = action;
        send(going_on);
      }
      return true;
    }
    if (!shown_paused) {
      // The throttled reports may lag behind what was copied: the bar catches up now.
      transfer_progress pause;
      pause.action = u"paused";
      if (totals.done > 0) pause.percent = transfer_percent(totals.done, totals.total);
      send(pause);
      shown_paused = true;
    }
    run.wait_for_stop(pause_sleep);
  }
  return false;
}

bool transfer_session::session_ending() const { return run.stop_requested(); }

void transfer_session::report(const transfer_progress& progress) {
  if (progress.action) action = *progress.action;
  send(progress);
}

void transfer_session::send(const transfer_progress& progress) {
  if (control->leave_progress(progress) && monitor) monitor->transfer_progress_ready(control);
}

void transfer_session::report_total(progress_clock& clock) {
  if (!clock.due()) return;
  transfer_progress progress;
  progress.detail = total_size_text(totals.total);
  report(progress);
}

void transfer_session::add_done(uint64_t bytes, progress_clock& clock) {
  totals.done += bytes;
  if (!clock.due()) return;
  transfer_progress progress;
  progress.percent = transfer_percent(totals.done, totals.total);
  report(progress);
}

void transfer_session::fail(std::string line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  if (failure.empty()) failure = std::move(line);
}
