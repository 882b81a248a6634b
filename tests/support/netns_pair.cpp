#include "tests/support/netns_pair.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace test_support {

namespace {

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::string unique_suffix() {
  static std::atomic<int> made{0};
  return std::to_string(::getpid()) + "-" + std::to_string(made++);
}

}  // namespace

std::string netns_pair::unavailable_reason() {
  if (::geteuid() != 0) return "network namespaces need root";
  if (run("command -v ip") != 0) return "the ip command is missing (iproute2)";
  return {};
}

netns_pair::netns_pair() : server_ns_("tessary-s-" + unique_suffix()), client_ns_("tessary-c-" + unique_suffix()) {
  const std::string s = " -n " + server_ns_ + " ";
  const std::string c = " -n " + client_ns_ + " ";
  const std::string steps[] = {
      "ip netns add " + server_ns_,
      "ip netns add " + client_ns_,
      "ip" + s + "link add " + server_if + " type veth peer name " + client_if + " netns " + client_ns_,
      "ip" + s + "addr add 10.99.0.1/24 dev " + server_if,
      "ip" + s + "link set " + server_if + " up",
      "ip" + s + "link set lo up",
      "ip" + c + "link set " + client_if + " up",
      "ip" + c + "link set lo up",
  };
  for (const std::string& step : steps) {
    if (run(step) != 0) {
      remove();
      throw std::runtime_error("failed: " + step);
    }
  }
}

netns_pair::~netns_pair() { remove(); }

void netns_pair::remove() const {
  // Removing a namespace removes its end of the veth pair, and with it the other end.
  run("ip netns del " + client_ns_);
  run("ip netns del " + server_ns_);
}

void netns_pair::in_server(const std::function<void()>& work) const {
  const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const int target = ::open(("/var/run/netns/" + server_ns_).c_str(), O_RDONLY | O_CLOEXEC);
  if (home < 0 || target < 0 || ::setns(target, CLONE_NEWNET) != 0) {
    if (home >= 0) ::close(home);
    if (target >= 0) ::close(target);
    throw std::runtime_error("cannot enter " + server_ns_);
  }
  ::close(target);
  struct go_home {
    int fd;
    ~go_home() {
      ::setns(fd, CLONE_NEWNET);
      ::close(fd);
    }
  } back{home};
  work();
}

std::string netns_pair::client_command(const std::string& command) const {
  return "ip netns exec " + client_ns_ + " " + command;
}

std::string netns_pair::server_command(const std::string& command) const {
  return "ip netns exec " + server_ns_ + " " + command;
}

}  // namespace test_support
