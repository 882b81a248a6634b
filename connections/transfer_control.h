#pragma once
// What an SFTP transfer on a connection's worker and its progress dialog on the GUI thread
// share, and the main frame's side that shows the dialog.
//
// The worker never waits for the GUI thread: it reads the user's pause and cancel from the
// shared record's flags, leaves its reports in the record and has the monitor post a notice
// (one while none is unread), and posts the begin and the end. A record is made per transfer,
// so a query before the dialog has opened, or after an earlier transfer was cancelled, finds
// the transfer going on.
#include <atomic>
#include <memory>
#include <mutex>

#include "connections/transfer_progress.h"

class transfer_control {
 public:
  explicit transfer_control(bool download) : download(download) {}

  // The direction: true download, false upload.
  const bool download;

  // --- GUI side
  // The dialog was closed before the end (Cancel): the transfer stops at its next query.
  void cancel() { active.store(false); }
  void set_paused(bool paused) { paused_flag.store(paused); }
  // Takes the reports merged since the last take.
  transfer_progress take_progress();
  // True once the worker has reported the end.
  bool ended() const { return ended_flag.load(); }

  // --- Worker side
  // The query: false when the user cancelled; `paused` receives the pause flag.
  bool query(bool& paused) const;
  // Merges `report` into the unread reports; true when no notice is out for them yet (the
  // caller then has one posted).
  bool leave_progress(const transfer_progress& report);
  void mark_ended() { ended_flag.store(true); }

 private:
  std::atomic<bool> active{true};
  std::atomic<bool> paused_flag{false};
  std::atomic<bool> ended_flag{false};
  std::mutex lock;
  transfer_progress unread;
  bool notice_out = false;
};

// The main frame's side. Every call comes from a worker and only posts to the GUI thread.
class transfer_monitor {
 public:
  virtual ~transfer_monitor() = default;
  // A transfer begins: the progress dialog opens for it (unless it has already ended).
  virtual void transfer_begin(std::shared_ptr<transfer_control> transfer) = 0;
  // Reports are waiting in the record.
  virtual void transfer_progress_ready(std::shared_ptr<transfer_control> transfer) = 0;
  // The transfer ended: its dialog closes.
  virtual void transfer_end(std::shared_ptr<transfer_control> transfer) = 0;
};

// The main frame's monitor. Without one, transfers run unseen and nobody can pause or cancel
// them (stopping the connection still ends them).
void set_transfer_monitor(std::shared_ptr<transfer_monitor> monitor);
std::shared_ptr<transfer_monitor> current_transfer_monitor();
