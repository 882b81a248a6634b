#pragma once
// A loopback TCP relay that stands for a long link: every connection made to it is forwarded to
// a target, and each direction holds every byte it takes for a fixed one-way delay before passing
// it on. It reads whatever arrives at once and buffers without bound, so the relay never holds a
// sender back: what limits a transfer is the sender's own window over the round trip. One thread
// waits in poll on the sockets and a wake descriptor, timed to the next byte due.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/wake_event.h"

namespace bench {

class delay_relay {
 public:
  delay_relay(const std::string& target_host, uint16_t target_port, std::chrono::microseconds one_way);
  ~delay_relay();
  delay_relay(const delay_relay&) = delete;
  delay_relay& operator=(const delay_relay&) = delete;

  bool valid() const { return listener >= 0; }
  // The port to connect to on 127.0.0.1.
  uint16_t port() const { return listen_port; }

 private:
  void serve();

  std::string target_host;
  uint16_t target_port;
  std::chrono::microseconds one_way;
  int listener = -1;
  uint16_t listen_port = 0;
  std::atomic<bool> ending{false};
  platform::wake_event wake;
  std::thread worker;
};

}  // namespace bench
