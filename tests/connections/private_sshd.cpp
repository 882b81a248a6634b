#include "tests/connections/private_sshd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <utility>
#include <vector>

#include "tests/connections/connection_test_support.h"

extern char** environ;

namespace connection_test {

namespace {

// Starts a program given by its full path; its process id, 0 when it could not start.
pid_t start_program(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  return posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? child : 0;
}

// Runs a program to its end; true when it exited with 0.
bool run_program(std::vector<std::string> arguments) {
  pid_t child = start_program(std::move(arguments));
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool accepts_connections(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return connected;
}

}  // namespace

private_sshd::private_sshd(const std::string& sftp_server, const std::string& user) {
  const std::string key = folder.file("host_ed25519");
  if (!run_program({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key})) return;
  {
    // A port the kernel found free; sshd takes it over at once.
    loopback_listener probe;
    if (!probe.valid()) return;
    port_ = probe.port();
  }
  const std::string config = folder.file("sshd_config");
  std::ofstream(config) << "Port " << port_ << "\nListenAddress 127.0.0.1\nHostKey " << key
                        << "\nPidFile none\nPasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                           "PubkeyAuthentication no\nUsePAM no\nPermitRootLogin no\nAllowUsers "
                        << user << "\nStrictModes no\nSubsystem sftp " << sftp_server << "\nLogLevel ERROR\n";
  pid = start_program({"/usr/sbin/sshd", "-D", "-e", "-f", config});
  if (pid <= 0) return;
  ready_ = wait_until([&] { return accepts_connections(port_); });
}

private_sshd::~private_sshd() {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace connection_test
