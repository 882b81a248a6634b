#pragma once
// A loopback TCP proxy that forwards every connection to a target and can freeze: from then on
// it moves no byte in either direction, while keeping the connections open, as a peer that
// hangs does (a process stopped with SIGSTOP); thawed, it moves what waited, as that process
// continued would. It can also cut every connection it holds, as a peer that vanishes, and hold
// every byte back for a while in each direction, as a long network path does (the SFTP
// benchmark's long links are made so). It reads whatever arrives at once and buffers without
// bound, so it never holds a sender back: what limits a transfer is the sender's own window
// over the round trip. Its thread waits in poll on the sockets and a wake descriptor, timed to
// the next byte due.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/wake_event.h"

namespace test_support {

class freezing_proxy {
 public:
  // What one side sends reaches the other `delay` later (an end of the connection too).
  freezing_proxy(const std::string& target_host, uint16_t target_port,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(0));
  ~freezing_proxy();
  freezing_proxy(const freezing_proxy&) = delete;
  freezing_proxy& operator=(const freezing_proxy&) = delete;

  bool valid() const { return listener >= 0; }
  // The port to connect to on 127.0.0.1.
  uint16_t port() const { return listen_port; }
  void freeze();
  void thaw();
  // Closes every connection held now; new ones are taken as before.
  void cut();

 private:
  void serve();

  std::string target_host;
  uint16_t target_port;
  std::chrono::milliseconds delay;
  int listener = -1;
  uint16_t listen_port = 0;
  std::atomic<bool> frozen{false};
  std::atomic<bool> cutting{false};
  std::atomic<bool> ending{false};
  platform::wake_event wake;
  std::thread worker;
};

}  // namespace test_support
