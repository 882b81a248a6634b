#include "tests/support/freezing_proxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <deque>
#include <vector>

#include "tests/support/relay_sockets.h"

namespace test_support {

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
  using clock = std::chrono::steady_clock;
  // Bytes read from one side, due to go to the other; empty bytes stand for the side's end.
  struct held {
    clock::time_point due;
    std::string bytes;
  };
  // Pairs of sockets: [2k] the client's, [2k+1] the target's. waiting[i] holds what sockets[i]
  // sent, for sockets[i ^ 1]; ended[i] is set once sockets[i] has closed.
  std::vector<int> sockets;
  std::vector<std::deque<held>> waiting;
  std::vector<bool> ended;
  std::array<char, 65536> buffer;
  while (!ending) {
    int timeout_ms = -1;
    if (!frozen) {
      const auto now = clock::now();
      for (const auto& queue : waiting) {
        if (queue.empty()) continue;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(queue.front().due - now).count();
        const int ms = static_cast<int>(std::max<decltype(left)>(left, 0));
        timeout_ms = timeout_ms < 0 ? ms : std::min(timeout_ms, ms);
      }
    }
    std::vector<pollfd> waits{{wake.fd(), POLLIN, 0}, {listener, POLLIN, 0}};
    std::vector<size_t> polled;
    if (!frozen)
      for (size_t i = 0; i < sockets.size(); ++i)
        if (!ended[i]) {
          waits.push_back({sockets[i], POLLIN, 0});
          polled.push_back(i);
        }
    if (poll(waits.data(), waits.size(), timeout_ms) < 0) continue;
    if (waits[0].revents) wake.clear();
    if (cutting.exchange(false)) {
      for (int fd : sockets) close(fd);
      sockets.clear();
      waiting.clear();
      ended.clear();
      continue;
    }
    if (waits[1].revents & POLLIN) {
      int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      int target = client >= 0 ? connect_to(target_host, target_port) : -1;
      if (target >= 0) {
        sockets.push_back(client);
        sockets.push_back(target);
        waiting.resize(sockets.size());
        ended.resize(sockets.size(), false);
      } else if (client >= 0) {
        close(client);
      }
    }
    for (size_t k = 2; k < waits.size(); ++k) {
      if (!waits[k].revents) continue;
      const size_t index = polled[k - 2];
      const ssize_t n = recv(sockets[index], buffer.data(), buffer.size(), 0);
      const auto due = clock::now() + delay;
      if (n > 0) {
        waiting[index].push_back({due, std::string(buffer.data(), static_cast<size_t>(n))});
      } else {
        waiting[index].push_back({due, {}});
        ended[index] = true;
      }
    }
    if (frozen) continue;
    // What is due moves on; a pair where either side ended is closed as a whole.
    const auto now = clock::now();
    std::vector<size_t> closing;
    for (size_t i = 0; i < sockets.size(); ++i) {
      while (!waiting[i].empty() && waiting[i].front().due <= now) {
        const std::string& bytes = waiting[i].front().bytes;
        const ssize_t size = static_cast<ssize_t>(bytes.size());
        if (bytes.empty() || send(sockets[i ^ 1], bytes.data(), bytes.size(), MSG_NOSIGNAL) != size) {
          closing.push_back(i & ~size_t{1});
          break;
        }
        waiting[i].pop_front();
      }
    }
    for (size_t pair : closing) {
      if (sockets[pair] < 0) continue;
      close(sockets[pair]);
      close(sockets[pair + 1]);
      sockets[pair] = sockets[pair + 1] = -1;
    }
    for (size_t i = sockets.size(); i-- > 0;)
      if (sockets[i] < 0) {
        sockets.erase(sockets.begin() + static_cast<std::ptrdiff_t>(i));
        waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
        ended.erase(ended.begin() + static_cast<std::ptrdiff_t>(i));
      }
  }
  for (int fd : sockets) close(fd);
}

}  // namespace test_support
