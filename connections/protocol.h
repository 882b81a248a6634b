#pragma once
// The live connection of one session: the abstract base of the SSH2, Telnet and serial
// connections, with its worker thread, its start, stop, restart and release, and the explorer's
// file-request mailbox.
//
// Threads: the GUI thread creates, starts, stops, releases and queues requests; the worker
// (`terminal_thread` or `file_request_thread`) opens, pumps bytes or runs requests, and closes.
// The worker holds the connection through std::shared_ptr and owns its handles (socket, library
// sessions, port): no other thread closes them. A stop is cooperative: it clears the running
// flag, wakes the worker, interrupts its blocking calls and waits a grace period; a worker that
// has still not ended is let go and finishes alone, touching only what it holds. A worker that
// must undo what it was doing over the connection (an upload's partial file) is given up to
// `clean_up_grace` for that before its calls are interrupted.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "connections/connection_owner.h"
#include "connections/connection_state.h"
#include "connections/file_request.h"
#include "connections/terminal_link.h"
#include "platform/worker_thread.h"

struct connection_params;

// What the worker waits on between passes when there was nothing to do: a descriptor and its
// poll events (-1: nothing to wait on but the wake).
struct wait_target {
  int fd = -1;
  short events = 0;
};

class protocol : public std::enable_shared_from_this<protocol> {
 public:
  // 100 checks, 10 ms apart.
  static constexpr std::chrono::milliseconds stop_grace{1000};
  // How long a start waits for a worker that has reported its end to return.
  static constexpr std::chrono::milliseconds finishing_grace{100};
  // How long a stop lets a worker that needs its connection to clean up (see needs_clean_up) go
  // on before interrupting it.
  static constexpr std::chrono::milliseconds clean_up_grace{5000};

  protocol(int32_t kind, std::string_view uuid);
  virtual ~protocol();
  protocol(const protocol&) = delete;
  protocol& operator=(const protocol&) = delete;

  // The host name, or "COM<n>".
  virtual std::u16string display_name() const = 0;
  // This connection's protocol and its own parameter block, copied into `out`; returns 1.
  virtual int get_params(connection_params& out) const = 0;

  // Starts the worker when disconnected and none is running; returns 1 in every case.
  int start();
  // Ends the worker (see above); returns 1. At once when disconnected; within stop_grace, or
  // clean_up_grace and stop_grace while the worker cleans up.
  int stop();
  // stop, then start.
  int restart();
  // Detaches the owner (no further reports), then stops; returns 1. The holder then lets its
  // pointer go; the object goes when the last holder (the holder or a late worker) lets it go.
  int release();

  // --- Run on the worker thread ---
  // Connects; when it fails the connection is already closed. `run` carries the stop request
  // and the wake that waits inside open (connecting, login questions) watch.
  virtual bool open(const platform::worker_control& run) = 0;
  // Ends the connection and releases its handles; safe when nothing is open. Returns 1.
  virtual int close() = 0;
  // Runs the taken file request; returns success, with an error text when it failed. A
  // transfer ends early when `run` is asked to stop.
  virtual int run_request(std::u16string& error_text, const platform::worker_control& run) = 0;
  // Never waits: > 0 bytes delivered, 0 nothing now, < 0 the connection has ended.
  virtual int read(char* buffer, int capacity) = 0;
  // Bytes written; 0 or less ends a terminal session.
  virtual int write(const char* data, int length) = 0;
  // Tells the peer the terminal's size (SSH2, and Telnet once the server agreed to NAWS);
  // returns 0.
  virtual int set_size(terminal_size size) = 0;
  // What to wait on when read() had nothing.
  virtual wait_target input_wait() const = 0;

  // --- Explorer requests (GUI thread): 0 queued, -1 refused (bad arguments or a busy mailbox)
  int queue_list_folder(const char* folder);
  int queue_download(const std::vector<std::string>& remote_paths, const char* local_folder);
  int queue_upload(const std::vector<std::string>& local_paths, const char* remote_folder);
  int queue_modify_entry(const std::string& path, const std::string& new_path, int mode);

  // The view that gets the state reports (and, in explorer mode, the SFTP and request notices).
  void set_owner(std::shared_ptr<connection_owner> view);
  std::shared_ptr<connection_owner> owner() const;
  // The terminal side of a terminal session; the worker takes it once when it starts.
  void set_terminal(std::shared_ptr<terminal_link> link);
  std::shared_ptr<terminal_link> terminal() const;

  // Worker side: stores the state and reports it to the owner, if any.
  void report_state(connection_state new_state);

  const int32_t kind;            // protocol_kind
  int32_t mode = 0;              // session_view: 0 terminal, 1 explorer (set before start)
  const std::string session_uuid;
  // The session's terminal type (set before start): the pseudo-terminal type SSH2 asks for, and
  // the type Telnet reports when TERM is unset or empty.
  std::string terminal_type;
  std::atomic<int32_t> state{state_disconnected};
  file_request request;

 protected:
  // Called by stop() on the stopping thread after the running flag was cleared: breaks the
  // worker's blocking calls (a socket's shutdown). Must not close anything.
  virtual void interrupt() {}
  // Any thread: true while the worker does what a stop must let it undo over the connection
  // before interrupt() breaks that (an upload, whose partial file is removed).
  virtual bool needs_clean_up() const { return false; }

 private:
  mutable std::mutex links_lock;
  std::shared_ptr<connection_owner> owner_view;
  std::shared_ptr<terminal_link> terminal_side;

  // Serialises start and stop, and guards the two below.
  std::mutex control_lock;
  platform::worker_thread worker;
  // The last stop let its worker go before it ended.
  bool worker_let_go = false;
};
