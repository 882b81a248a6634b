#pragma once
// The base of the tiny servers: a named server with one worker thread, a running flag, a log
// level and the trace lines it writes to the "Tiny Server" tab.
//
// start and stop run on the GUI thread; run runs on the worker, waits in poll on its sockets and
// the worker's wake descriptor, and returns once `running` is clear (or its wait failed, after
// clearing `running` itself). stop clears the flag, wakes the worker and waits for it at most
// stop_grace; a worker still busy then is left to end on its own.
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <string>
#include <string_view>

#include "config/log_level.h"
#include "config/net_socket.h"
#include "platform/worker_thread.h"

class server {
 public:
  static constexpr std::chrono::milliseconds stop_grace{1000};

  virtual ~server();
  server(const server&) = delete;
  server& operator=(const server&) = delete;

  // Ends the worker: clears `running`, wakes the worker and waits at most stop_grace for it.
  // Returns at once when the server is not running. Always true.
  virtual bool stop();
  bool is_running() const { return running; }
  // Writes one trace line when `message_level` is at least the server's level; returns the
  // characters formatted (0 when the line was dropped). Text from the network goes only in
  // through a "%s" of printable().
  int log(log_level message_level, const char* format, ...) __attribute__((format(printf, 3, 4)));

  std::atomic<bool> running{false};
  std::atomic<int32_t> level;
  const std::string name;

 protected:
  server(std::string server_name, log_level first_level);

  // The worker loop. `control.wake_fd()` becomes readable when stop wants the worker to end.
  virtual void run(platform::worker_control& control) = 0;
  // Sets `running` and starts the worker on run; false (and `running` clear) when no thread
  // could be started, also while a worker left running by an earlier stop has not ended yet.
  bool start_worker();
  // Makes `socket` a new IPv4 socket bound to the interface address and port (host order): a
  // datagram socket (state 1), or with `listen_backlog` above 0 a listening stream socket
  // (state 2). Its local_address is then the bound address, with the port the system chose for
  // port 0. On failure the socket is closed and the failure logged with its reason.
  bool bind_socket(net_socket& socket, uint32_t interface_address, uint16_t port, int listen_backlog = 0);
  // True while a worker (also one left running by stop) has not returned from run.
  bool worker_alive() const { return worker.running(); }
  // For destructors of the servers: stops, then waits until the worker has left run, since it
  // uses the object.
  void finish();

 private:
  platform::worker_thread worker;
};

// One trace line: "<local time> [<name>] <message>\r\n", where time, name and message together
// are at most 1023 bytes (a longer message is cut). `count` gets the bytes formatted.
std::u16string tracer_line(std::string_view server_name, const char* format, va_list args, int* count);

// `text` with control characters (and DEL) written as "\xNN", so that a name from the network
// cannot break or forge a trace line.
std::string printable(std::string_view text);
