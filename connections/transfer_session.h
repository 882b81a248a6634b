#pragma once
// The worker's side of one SFTP transfer request: it tells the main frame's monitor of the
// begin and the end, leaves progress reports for the dialog, and answers whether to go on.
#include <chrono>
#include <memory>
#include <string>

#include "connections/transfer_control.h"
#include "connections/transfer_progress.h"

namespace platform {
class worker_control;
}

class transfer_session {
 public:
  // Posts the begin (the dialog opens).
  transfer_session(bool download, const platform::worker_control& run);
  // Posts the end (the dialog closes).
  ~transfer_session();
  transfer_session(const transfer_session&) = delete;
  transfer_session& operator=(const transfer_session&) = delete;

  // The pause-and-cancel poll: false once the user cancelled or the worker is asked to stop;
  // while paused it sleeps `pause_sleep` between queries, doing nothing else. A pause is
  // reported at once with the fraction done so far and the action "paused"; going on again
  // brings the action back.
  bool go_on(std::chrono::milliseconds pause_sleep);
  // False once a poll said stop.
  bool stopped() const { return halted; }
  // The worker is asked to stop: its session ends after this request.
  bool session_ending() const;

  void report(const transfer_progress& progress);
  // The total counted so far as the detail, when `clock` is due.
  void report_total(progress_clock& clock);
  // Counts copied bytes; the percent is reported when `clock` is due.
  void add_done(uint64_t bytes, progress_clock& clock);

  // An entry that did not arrive whole or was skipped: `line` (what and why) goes to standard
  // error, and the first such line becomes the request's failure.
  void fail(std::string line);

  transfer_totals totals;
  // The first entry that failed or was skipped, and why; empty while none was.
  std::string failure;

 private:
  // Leaves a report for the dialog, having a notice posted when none is out.
  void send(const transfer_progress& progress);

  const std::shared_ptr<transfer_control> control;
  const std::shared_ptr<transfer_monitor> monitor;
  const platform::worker_control& run;
  bool halted = false;
  // The action the dialog shows, but for a pause: what it starts with until one is reported.
  std::u16string action = u"calculating...";
};
