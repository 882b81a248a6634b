#include "tests/connections/private_sshd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/connections/connection_test_support.h"
#include "tests/support/peer_env.h"
#include "tests/support/spawn.h"
#include "tests/support/stop_process.h"

namespace connection_test {

namespace {

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

// Every process below `root`, from each process's parent in /proc.
std::vector<pid_t> descendants_of(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2) continue;
    children.emplace(parent, std::stoi(line));
  }
  std::vector<pid_t> found;
  std::vector<pid_t> open{root};
  while (!open.empty()) {
    pid_t parent = open.back();
    open.pop_back();
    auto [first, last] = children.equal_range(parent);
    for (auto it = first; it != last; ++it) {
      found.push_back(it->second);
      open.push_back(it->second);
    }
  }
  return found;
}

// Makes a host key of `type` at `path` (its public half at `path`.pub); false when ssh-keygen cannot.
bool make_host_key(const std::string& path, const std::string& type) {
  return test_support::run_program({"/usr/bin/ssh-keygen", "-q", "-t", type, "-N", "", "-f", path}) == 0;
}

// "<key type name> <base64>" of the public key at `path`, without its comment.
std::string public_key(const std::string& path) {
  std::ifstream in(path);
  std::string name, key;
  in >> name >> key;
  return key.empty() ? "" : name + " " + key;
}

}  // namespace

std::string stranger_host_key(const std::string& type) {
  test_support::temp_folder folder;
  const std::string key = folder.file("host_" + type);
  return make_host_key(key, type) ? public_key(key + ".pub") : "";
}

int private_sshd::signal_sessions(int signal) const {
  if (pid <= 0) return 0;
  // All are found first: a child that loses its parent is handed to another one.
  std::vector<pid_t> sessions = descendants_of(pid);
  for (pid_t session : sessions) kill(session, signal);
  return static_cast<int>(sessions.size());
}

private_sshd::private_sshd(const std::string& sftp_server, const std::string& user, uint16_t port, bool logged,
                           const std::vector<std::string>& key_types)
    : port_(port), failure_(start(sftp_server, user, logged, key_types)) {}

std::string private_sshd::start(const std::string& sftp_server, const std::string& user, bool logged,
                                const std::vector<std::string>& key_types) {
  // A program of the build tree may lie in a folder the test user cannot enter, so it runs a
  // copy; a name sshd knows itself ("internal-sftp") goes as it is.
  std::string program = sftp_server;
  if (sftp_server.starts_with('/')) {
    program = folder.file(std::filesystem::path(sftp_server).filename().string());
    std::error_code copy_error;
    std::filesystem::copy_file(sftp_server, program, copy_error);
    if (copy_error) return "cannot copy " + sftp_server + " to " + program + ": " + copy_error.message();
    if (std::string unreachable = test_support::test_user_cannot_reach(program); !unreachable.empty())
      return unreachable;
  }
  std::string host_keys;
  for (const std::string& type : key_types) {
    const std::string key = folder.file("host_" + type);
    if (!make_host_key(key, type)) return "ssh-keygen could not make a host key of type " + type;
    host_keys += "HostKey " + key + "\n";
    // This libssh2 signs with RSA keys only as ssh-rsa, which sshd no longer offers by itself.
    if (type == "rsa") host_keys += "HostKeyAlgorithms +ssh-rsa\n";
  }
  if (port_ == 0) {
    // A port the kernel found free; sshd takes it over at once.
    loopback_listener probe;
    if (!probe.valid()) return "no free loopback port";
    port_ = probe.port();
  }
  const std::string config = folder.file("sshd_config");
  std::ofstream(config) << "Port " << port_ << "\nListenAddress 127.0.0.1\n" << host_keys
                        << "PidFile none\nPasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                           "PubkeyAuthentication no\nUsePAM no\nPermitRootLogin no\nAllowUsers "
                        << user << "\nStrictModes no\nSubsystem sftp " << program << "\nLogLevel "
                        << (logged ? "DEBUG1" : "ERROR") << "\n";
  std::vector<std::string> command{"/usr/sbin/sshd", "-D", "-e", "-f", config};
  if (logged) command = {"/usr/sbin/sshd", "-D", "-E", folder.file("sshd.log"), "-f", config};
  pid = test_support::start_program(command);
  if (pid <= 0) return "sshd could not be started";
  if (!wait_until([&] { return accepts_connections(port_); }))
    return "sshd does not accept connections on port " + std::to_string(port_);
  return "";
}

std::string private_sshd::log() const {
  std::ifstream in(folder.file("sshd.log"));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string private_sshd::host_key(const std::string& type) const {
  return public_key(folder.file("host_" + type + ".pub"));
}

private_sshd::~private_sshd() {
  if (pid <= 0) return;
  signal_sessions(SIGKILL);
  test_support::stop_process(pid);
}

}  // namespace connection_test
