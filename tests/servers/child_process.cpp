#include "tests/servers/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/servers/loopback.h"
#include "tests/support/stop_process.h"

namespace server_test {

bool child_process::start(const std::vector<std::string>& argv, const std::string& log_path) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    const int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      ::dup2(log, 1);
      ::dup2(log, 2);
    }
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, 0);
    ::setpgid(0, 0);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  return pid_ > 0;
}

bool child_process::running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

void child_process::stop() {
  if (pid_ <= 0) return;
  // It leads its own group: a server's per-connection children go with it.
  test_support::stop_process(pid_);
  pid_ = -1;
}

bool suite_peer::run(const std::vector<std::string>& argv, bool tcp) {
  if (!process.start(argv, folder.file("peer.log"))) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (process.running() && std::chrono::steady_clock::now() < deadline) {
    if (tcp ? tcp_port_accepts(port) : udp_port_bound(port)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool tcp_port_accepts(uint16_t port) {
  const int fd = connect_loopback(port);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool udp_port_bound(uint16_t port) {
  // Each line after the heading: "sl local_address:port remote ...", the port in hex.
  std::ifstream table("/proc/net/udp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local;
    fields >> slot >> local;
    const size_t colon = local.find(':');
    if (colon != std::string::npos && std::stoul(local.substr(colon + 1), nullptr, 16) == port) return true;
  }
  return false;
}

}  // namespace server_test
