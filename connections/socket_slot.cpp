#include "connections/socket_slot.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/worker_thread.h"

namespace {

bool set_blocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

// Waits for a non-blocking connect to finish; false on failure or stop.
bool finish_connect(int fd, const platform::worker_control& run) {
  for (;;) {
    std::array<pollfd, 2> fds{{{fd, POLLOUT, 0}, {run.wake_fd(), POLLIN, 0}}};
    if (run.stop_requested()) return false;
    int ready = poll(fds.data(), fds.size(), -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || run.stop_requested()) return false;
    if (fds[0].revents == 0) continue;  // woken for something else
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
}

}  // namespace

address_list resolve_stream_addresses(const std::string& host, uint16_t port, int family) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) found = nullptr;
  return address_list(found, [](addrinfo* list) {
    if (list) freeaddrinfo(list);
  });
}

socket_slot::~socket_slot() { close(); }

bool socket_slot::connect(const addrinfo& address, const platform::worker_control& run) {
  close();
  int fd = ::socket(address.ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  {
    std::lock_guard<std::mutex> guard(lock);
    descriptor = fd;
  }
  bool connected = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0 ||
                   (errno == EINPROGRESS && finish_connect(fd, run));
  int on = 1;
  if (!connected || !set_blocking(fd, true) ||
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
    close();
    return false;
  }
  return true;
}

void socket_slot::close() {
  std::lock_guard<std::mutex> guard(lock);
  if (descriptor < 0) return;
  ::close(descriptor);
  descriptor = -1;
}

void socket_slot::shutdown() {
  std::lock_guard<std::mutex> guard(lock);
  if (descriptor >= 0) ::shutdown(descriptor, SHUT_RDWR);
}
