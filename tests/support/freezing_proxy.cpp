#include "tests/support/freezing_proxy.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <vector>

#include "tests/support/relay_sockets.h"

namespace test_support {

namespace {

using relay_clock = std::chrono::steady_clock;

// Bytes taken from one side, passed on once due; no bytes with `end` set stand for the side's end.
struct held {
  relay_clock::time_point due;
  std::string bytes;
  size_t sent = 0;
  bool end = false;
};

// One direction of a relayed connection: what `from` sends waits in `queue` until due, then goes
// to `to`. The end of `from` waits in the queue too, behind the bytes before it; once due, `to`
// is shut for writing.
struct direction {
  int from = -1;
  int to = -1;
  std::deque<held> queue;
  bool source_ended = false;
  bool shut = false;
  bool failed = false;

  // Passes on what is due while the socket takes it.
  void pass_on(relay_clock::time_point now) {
    while (!queue.empty() && queue.front().due <= now) {
      held& front = queue.front();
      if (front.end) {
        shutdown(to, SHUT_WR);
        shut = true;
        queue.pop_front();
        return;
      }
      ssize_t n = send(to, front.bytes.data() + front.sent, front.bytes.size() - front.sent, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) failed = true;
        return;
      }
      front.sent += static_cast<size_t>(n);
      if (front.sent < front.bytes.size()) return;
      queue.pop_front();
    }
  }
  // Takes what arrived (or the end), to be passed on after `delay`.
  void take(std::vector<char>& buffer, std::chrono::milliseconds delay) {
    ssize_t n = recv(from, buffer.data(), buffer.size(), 0);
    const auto due = relay_clock::now() + delay;
    if (n > 0) {
      queue.push_back({due, std::string(buffer.data(), static_cast<size_t>(n))});
      return;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      source_ended = true;
      queue.push_back({due, {}, 0, true});
    }
  }
  bool done() const { return failed || shut; }
};

struct relayed {
  direction up;    // client to target
  direction down;  // target to client
  relayed(int client, int target) {
    up.from = down.to = client;
    up.to = down.from = target;
  }
  ~relayed() {
    close(up.from);
    close(up.to);
  }
  relayed(const relayed&) = delete;
  relayed& operator=(const relayed&) = delete;
  bool finished() const { return up.failed || down.failed || (up.done() && down.done()); }
};

// Bytes go out as soon as they are due: a small reply held back for coalescing (Nagle) would add
// a delay of the proxy's own.
void send_at_once(int fd) {
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// The connection to the target, sending without delay and never blocking the proxy's thread.
int connect_to_target(const std::string& host, uint16_t port) {
  int fd = connect_to(host, port);
  if (fd >= 0) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    send_at_once(fd);
  }
  return fd;
}

}  // namespace

freezing_proxy::freezing_proxy(const std::string& target_host, uint16_t target_port, std::chrono::milliseconds delay)
    : target_host(target_host), target_port(target_port), delay(delay) {
  listener = listen_on_free_loopback_port(listen_port);
  if (listener < 0) return;
  worker = std::thread([this] { serve(); });
}

freezing_proxy::~freezing_proxy() {
  ending = true;
  wake.signal();
  if (worker.joinable()) worker.join();
  if (listener >= 0) close(listener);
}

void freezing_proxy::freeze() {
  frozen = true;
  wake.signal();
}

void freezing_proxy::thaw() {
  frozen = false;
  wake.signal();
}

void freezing_proxy::cut() {
  cutting = true;
  wake.signal();
}

void freezing_proxy::serve() {
  std::vector<std::unique_ptr<relayed>> links;
  std::vector<char> buffer(256 * 1024);
  struct role {
    direction* way;
    bool reading;
  };
  while (!ending) {
    // Frozen, only the wake and new connections are watched: nothing is read or passed on.
    const bool moving = !frozen;
    const auto now = relay_clock::now();
    std::vector<pollfd> waits{{wake.fd(), POLLIN, 0}, {listener, POLLIN, 0}};
    std::vector<role> roles;
    auto next = relay_clock::time_point::max();
    if (moving) {
      for (auto& link : links) {
        for (direction* way : {&link->up, &link->down}) {
          if (!way->source_ended) {
            waits.push_back({way->from, POLLIN, 0});
            roles.push_back({way, true});
          }
          if (way->queue.empty()) continue;
          if (way->queue.front().due <= now) {
            waits.push_back({way->to, POLLOUT, 0});
            roles.push_back({way, false});
          } else {
            next = std::min(next, way->queue.front().due);
          }
        }
      }
    }
    timespec wait_time{};
    timespec* bound = nullptr;
    if (next != relay_clock::time_point::max()) {
      const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now).count();
      wait_time.tv_sec = static_cast<time_t>(left / 1000000000);
      wait_time.tv_nsec = static_cast<long>(left % 1000000000);
      bound = &wait_time;
    }
    if (ppoll(waits.data(), waits.size(), bound, nullptr) < 0) continue;
    if (waits[0].revents) wake.clear();
    if (cutting.exchange(false)) {
      links.clear();
      continue;
    }
    if (waits[1].revents & POLLIN) {
      int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      int target = client >= 0 ? connect_to_target(target_host, target_port) : -1;
      if (target >= 0) {
        send_at_once(client);
        links.push_back(std::make_unique<relayed>(client, target));
      } else if (client >= 0) {
        close(client);
      }
    }
    for (size_t i = 0; i < roles.size(); ++i) {
      if (!waits[i + 2].revents) continue;
      if (roles[i].reading) roles[i].way->take(buffer, delay);
      else roles[i].way->pass_on(relay_clock::now());
    }
    std::erase_if(links, [](const std::unique_ptr<relayed>& link) { return link->finished(); });
  }
}

}  // namespace test_support
