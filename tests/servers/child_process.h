#pragma once
// A peer program started by a test fixture (vsftpd, pyftpdlib, in.tftpd) on a free loopback
// port, ended by its process id when the fixture is done.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace server_test {

class child_process {
 public:
  child_process() = default;
  ~child_process() { stop(); }
  child_process(const child_process&) = delete;
  child_process& operator=(const child_process&) = delete;

  // Starts the program (argv[0] a path) with its output in `log_path`; false when it could
  // not be started.
  bool start(const std::vector<std::string>& argv, const std::string& log_path);
  // Ends it and its process group (SIGTERM, then SIGKILL when that did not end it within the
  // grace of test_support::stop_process) and reaps it.
  void stop();
  bool running() const;

 private:
  pid_t pid_ = -1;
};

// A peer that a test suite starts once, in a folder of its own and on a free port; it ends
// with the object. The folder is open to all, wherever the checkout lives: a peer may serve it
// as another user (vsftpd as the user who logs in).
struct suite_peer {
  // Starts the program (its output in "peer.log" of the folder) and waits until it serves:
  // until its TCP port accepts, or, for a UDP peer, until a socket is bound to its port. False
  // when it ended first or did not serve within half a minute.
  bool run(const std::vector<std::string>& argv, bool tcp);

  test_support::temp_folder folder{test_support::temp_folder::reach::everyone};
  child_process process;
  uint16_t port = 0;
};

// True when something accepts TCP connections on 127.0.0.1:port.
bool tcp_port_accepts(uint16_t port);
// True when a UDP socket of this network namespace is bound to the port.
bool udp_port_bound(uint16_t port);

}  // namespace server_test
