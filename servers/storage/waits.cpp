#include "servers/storage/waits.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/clock.h"

namespace quarro {

namespace {

bool set_blocking(int fd, bool blocking) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, flags) == 0;
}

// poll for `events` until ready or the deadline; EINTR waits on with the time that is left.
int wait_for(int fd, short events, int timeout_ms) {
  const int64_t deadline = platform::real_clock().now_ms() + timeout_ms;
  for (;;) {
    pollfd entry{fd, events, 0};
    const int64_t left = deadline - platform::real_clock().now_ms();
    const int ready = ::poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready >= 0 || errno != EINTR) return ready;
  }
}

}  // namespace

int wait_readable(int fd, int timeout_ms) { return wait_for(fd, POLLIN, timeout_ms); }

bool connect_stream(net_socket& socket, const sockaddr_in& address, int timeout_ms) {
  if (!socket.open(net_socket::kind_tcp, nullptr, 0)) return false;
  const int fd = socket.sock;
  bool connected = false;
  if (set_blocking(fd, false)) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS && wait_for(fd, POLLOUT, timeout_ms) > 0) {
      int error = 0;
      socklen_t length = sizeof error;
      connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
  }
  if (!connected || !set_blocking(fd, true)) {
    socket.close();
    return false;
  }
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  socket.remote_address = address;
  socket.state = net_socket::state_connected;
  return true;
}

}  // namespace quarro
