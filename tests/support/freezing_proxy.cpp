#include "tests/support/freezing_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <algorithm>
#include <vector>

namespace test_support {

namespace {

int connect_to(const std::string& host, uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    fd = -1;
  }
  return fd;
}

}  // namespace

freezing_proxy::freezing_proxy(const std::string& target_host, uint16_t target_port)
    : target_host(target_host), target_port(target_port) {
  listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    listener = -1;
    return;
  }
  listen_port = ntohs(address.sin_port);
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
  // Pairs of sockets: [2k] the client's, [2k+1] the target's.
  std::vector<int> sockets;
  std::array<char, 65536> buffer;
  while (!ending) {
    std::vector<pollfd> waits{{wake.fd(), POLLIN, 0}, {listener, POLLIN, 0}};
    if (!frozen)
      for (int fd : sockets) waits.push_back({fd, POLLIN, 0});
    if (poll(waits.data(), waits.size(), -1) < 0) continue;
    if (waits[0].revents) wake.clear();
    if (cutting.exchange(false)) {
      for (int fd : sockets) close(fd);
      sockets.clear();
      continue;
    }
    if (waits[1].revents & POLLIN) {
      int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      int target = client >= 0 ? connect_to(target_host, target_port) : -1;
      if (target >= 0) {
        sockets.push_back(client);
        sockets.push_back(target);
      } else if (client >= 0) {
        close(client);
      }
    }
    // A pair where either side ended is closed as a whole, after the pass.
    std::vector<size_t> ended;
    for (size_t i = 2; i < waits.size(); ++i) {
      if (!waits[i].revents) continue;
      size_t index = i - 2;
      ssize_t n = recv(sockets[index], buffer.data(), buffer.size(), 0);
      if (n <= 0 || send(sockets[index ^ 1], buffer.data(), static_cast<size_t>(n), MSG_NOSIGNAL) != n)
        ended.push_back(index & ~size_t{1});
    }
    for (auto pair = ended.rbegin(); pair != ended.rend(); ++pair) {
      if (*pair + 1 >= sockets.size() || sockets[*pair] < 0) continue;
      close(sockets[*pair]);
      close(sockets[*pair + 1]);
      sockets[*pair] = sockets[*pair + 1] = -1;
    }
    std::erase(sockets, -1);
  }
  for (int fd : sockets) close(fd);
}

}  // namespace test_support
