#include "bench/peer_clients.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace bench {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

double seconds_since(steady::time_point start) {
  return std::chrono::duration<double>(steady::now() - start).count();
}

double cpu_seconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

uint16_t free_loopback_port(int type) {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

std::vector<std::string> openssh_login(const char* port_flag, uint16_t via_port) {
  std::vector<std::string> words = {"-i", env("TESSARY_SSH_CLIENT_KEY"),
                                    "-o", "UserKnownHostsFile=" + env("TESSARY_SSH_KNOWN_HOSTS"),
                                    "-o", "BatchMode=yes",
                                    "-o", "StrictHostKeyChecking=yes",
                                    port_flag, env("TESSARY_SSH_PORT")};
  if (via_port) {
    words.back() = std::to_string(via_port);
    words.insert(words.end(), {"-o", "HostKeyAlias=[" + env("TESSARY_SSH_HOST") + "]:" + env("TESSARY_SSH_PORT")});
  }
  words.push_back(env("TESSARY_SSH_USER") + "@" + env("TESSARY_SSH_HOST"));
  return words;
}

double run_quietly(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t child = 0;
  const auto start = steady::now();
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  const double took = seconds_since(start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

}  // namespace bench
