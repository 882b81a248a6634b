#include "config/net_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

bool would_block(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

// poll on the descriptors until one is ready or `timeout_us` passed (negative: no deadline).
int wait_ready(std::vector<pollfd>& fds, int64_t timeout_us) {
  timespec wait{};
  if (timeout_us > 0) {
    wait.tv_sec = static_cast<time_t>(timeout_us / 1000000);
    wait.tv_nsec = static_cast<long>(timeout_us % 1000000) * 1000;
  }
  return ::ppoll(fds.data(), fds.size(), timeout_us < 0 ? nullptr : &wait, nullptr);
}

}  // namespace

sockaddr_in ipv4_address(uint32_t host_order_address, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(host_order_address);
  address.sin_port = htons(port);
  return address;
}

std::string dotted_text(uint32_t host_order_address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", host_order_address >> 24,
                (host_order_address >> 16) & 0xFF, (host_order_address >> 8) & 0xFF,
                host_order_address & 0xFF);
  return text;
}

std::optional<sockaddr_in> resolve_address(bool datagram, const char* host, uint16_t port) {
  char service[8];
  std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = datagram ? SOCK_DGRAM : SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, service, &hints, &found) != 0 || !found) return std::nullopt;
  std::optional<sockaddr_in> address;
  if (found->ai_addrlen >= sizeof(sockaddr_in)) {
    address.emplace();
    std::memcpy(&*address, found->ai_addr, sizeof(sockaddr_in));
  }
  ::freeaddrinfo(found);
  return address;
}

void net_socket::close() {
  remote_address.reset();
  local_address.reset();
  if (sock >= 0) ::close(sock);
  sock = -1;
  kind = kind_none;
  state = state_closed;
}

bool net_socket::open(int32_t new_kind, const char* host, uint16_t port) {
  close();
  sock = ::socket(AF_INET, (new_kind != kind_tcp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
  if (sock < 0) {
    close();
    return false;
  }
  if (host) {
    remote_address = resolve_address(new_kind != kind_tcp, host, port);
    if (!remote_address) {
      close();
      return false;
    }
  }
  kind = new_kind;
  state = state_open;
  return true;
}

bool net_socket::usable() const {
  return (kind == kind_tcp && state == state_connected) || (kind == kind_udp && state == state_open);
}

int net_socket::receive(void* buffer, size_t size, int timeout_ms, sockaddr_in* source) {
  if (!usable()) return -1;
  if (timeout_ms > 0) {
    std::vector<pollfd> fds{{sock, POLLIN, 0}};
    int ready = wait_ready(fds, int64_t{timeout_ms} * 1000);
    if (ready <= 0) return ready < 0 && would_block(errno) ? 0 : ready;
  }
  ssize_t got;
  if (kind == kind_udp) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    // MSG_TRUNC gives the datagram's real length, so an oversized one is seen, not cut short.
    got = ::recvfrom(sock, buffer, size, MSG_DONTWAIT | MSG_TRUNC, reinterpret_cast<sockaddr*>(&from),
                     &from_length);
    if (got > static_cast<ssize_t>(size)) {
      if (source) *source = from;
      errno = EMSGSIZE;
      return -1;
    }
    if (got > 0 && source) *source = from;
  } else {
    got = ::recv(sock, buffer, size, MSG_DONTWAIT);
    if (got > 0 && source && remote_address) *source = *remote_address;
  }
  if (got >= 0) return static_cast<int>(got);
  if (would_block(errno)) return 0;
  if (kind == kind_tcp) state = state_open;
  return -1;
}

int net_socket::send(const void* data, size_t length, const sockaddr_in* destination) {
  if (!usable()) return -1;
  ssize_t sent;
  if (kind == kind_tcp) {
    sent = ::send(sock, data, length, MSG_NOSIGNAL);
  } else if (destination) {
    sent = ::sendto(sock, data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(destination),
                    sizeof *destination);
  } else if (remote_address) {
    int on = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sent = ::sendto(sock, data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&*remote_address),
                    sizeof *remote_address);
  } else {
    return -1;
  }
  if (sent >= 0) return static_cast<int>(sent);
  if (would_block(errno)) return 0;
  if (kind == kind_tcp) state = state_open;
  return -1;
}

int net_socket::select_sockets(std::span<net_socket* const> readable, std::span<net_socket* const> writable,
                               int64_t timeout_us, int wake_fd) {
  // One poll entry per distinct handle, with the events all its listings ask for.
  std::vector<pollfd> fds;
  auto watch = [&fds](int fd, short events) {
    for (pollfd& entry : fds)
      if (entry.fd == fd) {
        entry.events |= events;
        return;
      }
    fds.push_back({fd, events, 0});
  };
  for (net_socket* s : readable)
    if (s) {
      s->ready_flags = 0;
      if (s->sock >= 0) watch(s->sock, POLLIN);
    }
  for (net_socket* s : writable)
    if (s) {
      s->ready_flags = 0;
      if (s->sock >= 0) watch(s->sock, POLLOUT);
    }
  if (fds.empty()) {
    // No socket to wait on is an error, as select reports it: a loop over no sockets ends
    // instead of waiting for nothing.
    errno = EINVAL;
    return -1;
  }
  if (wake_fd >= 0) watch(wake_fd, POLLIN);
  int result = wait_ready(fds, timeout_us < 0 ? 0 : timeout_us);
  if (result <= 0) return result < 0 && errno == EINTR ? 0 : result;

  auto revents_of = [&fds](int fd) -> short {
    for (const pollfd& entry : fds)
      if (entry.fd == fd) return entry.revents;
    return 0;
  };
  int ready = 0;
  // Errors and hang-ups count as readable: the receive that follows reports them.
  for (net_socket* s : readable)
    if (s && s->sock >= 0 && !(s->ready_flags & ready_read) &&
        (revents_of(s->sock) & (POLLIN | POLLERR | POLLHUP))) {
      s->ready_flags |= ready_read;
      ++ready;
    }
  for (net_socket* s : writable)
    if (s && s->sock >= 0 && !(s->ready_flags & ready_write) &&
        (revents_of(s->sock) & (POLLOUT | POLLERR | POLLHUP))) {
      s->ready_flags |= ready_write;
      ++ready;
    }
  return ready;
}

std::optional<std::vector<net_interface>> net_socket::all_interfaces() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::vector<net_interface> found;
  for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    if (entry->ifa_flags & IFF_POINTOPOINT) continue;
    net_interface& out = found.emplace_back();
    out.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    out.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    if (entry->ifa_netmask)
      out.netmask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
    std::snprintf(out.name, sizeof out.name, "%s", entry->ifa_name);
  }
  ::freeifaddrs(list);
  return found;
}

int net_socket::list_interfaces(net_interface* entries, int max) {
  if (!entries) return -1;
  const auto found = all_interfaces();
  if (!found || found->size() > static_cast<size_t>(std::max(max, 0))) return -1;
  std::copy(found->begin(), found->end(), entries);
  return static_cast<int>(found->size());
}
