#pragma once
// A connection's TCP socket. Only the worker that owns it connects and closes it; any thread
// may shut it down to break the worker's blocking calls (a stop), and the lock makes sure a
// shutdown never reaches a descriptor number that was closed and handed out again.
#include <netdb.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform {
class worker_control;
}

using address_list = std::unique_ptr<addrinfo, void (*)(addrinfo*)>;

// The stream addresses of host:port in the resolver's order, of any family (AF_UNSPEC) or of
// one; null when the name does not resolve.
address_list resolve_stream_addresses(const std::string& host, uint16_t port, int family);

class socket_slot {
 public:
  socket_slot() = default;
  ~socket_slot();
  socket_slot(const socket_slot&) = delete;
  socket_slot& operator=(const socket_slot&) = delete;

  // The descriptor, -1 when none. Worker only.
  int fd() const { return descriptor; }

  // Makes a socket of the address's own family and connects it, waiting on the run's wake too,
  // so a stop ends the wait. The socket stays blocking afterwards, without Nagle's delay (every
  // keystroke goes out at once). False on failure or stop; the slot is then empty.
  bool connect(const addrinfo& address, const platform::worker_control& run);

  // Closes the socket when there is one. Worker only.
  void close();

  // Shuts the socket down both ways, so the worker's blocked send, recv or poll returns. Any
  // thread.
  void shutdown();

 private:
  std::mutex lock;
  int descriptor = -1;
};
