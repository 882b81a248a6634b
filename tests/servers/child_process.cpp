#include "tests/servers/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/servers/loopback.h"

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
  // The group: a server's per-connection children go with it.
  ::kill(-pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) != 0) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(-pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

bool suite_peer::run(const std::vector<std::string>& argv, bool tcp) {
  if (!process.start(argv, folder.file("peer.log"))) return false;
  if (tcp) return wait_for_tcp(port);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  return process.running();
}

bool wait_for_tcp(uint16_t port, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = connect_loopback(port);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace server_test
