#include "tests/servers/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "config/httpd_param.h"
#include "config/text_convert.h"
#include "servers/httpd.h"
#include "servers/storage/handle.h"
#include "servers/trace_sink.h"

namespace server_test {

int connect_loopback(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool send_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

std::string read_until_closed(int fd, int timeout_ms, bool* reset, bool* timed_out) {
  std::string out;
  if (reset) *reset = false;
  if (timed_out) *timed_out = false;
  char buffer[65536];
  for (;;) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, timeout_ms) <= 0) {
      if (timed_out) *timed_out = true;
      return out;
    }
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got == 0) return out;
    if (got < 0) {
      if (errno == EINTR) continue;
      if (reset && errno == ECONNRESET) *reset = true;
      return out;
    }
    out.append(buffer, static_cast<size_t>(got));
  }
}

std::string round_trip(uint16_t port, const std::string& bytes, int timeout_ms) {
  const int fd = connect_loopback(port);
  if (fd < 0) return "(no connection)";
  send_all(fd, bytes);
  std::string out = read_until_closed(fd, timeout_ms);
  ::close(fd);
  return out;
}

std::string command_output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  ::pclose(pipe);
  return out;
}

uint16_t start_loopback_httpd(httpd& server, const std::string& home, httpd_param& settings) {
  settings.interface_address = INADDR_LOOPBACK;
  settings.port = 0;
  settings.log_level = LOG_DEBUG;
  settings.home_paths = {home};
  settings.home_index = 0;
  if (!server.start(settings)) return 0;
  return ntohs(server.listening.local_address->sin_port);
}

std::string curl_fetch(uint16_t port, const std::string& target, std::string* body) {
  char name[] = "/tmp/tessary-curl-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) return "(no temporary file)";
  ::close(fd);
  std::string code = command_output("curl -s --max-time 30 --path-as-is -o '" + std::string(name) +
                                 "' -w '%{http_code}' 'http://127.0.0.1:" + std::to_string(port) + target + "'");
  if (body) {
    std::ifstream in(name, std::ios::binary);
    body->assign(std::istreambuf_iterator<char>(in), {});
  }
  ::unlink(name);
  return code;
}

std::string take_trace() { return wcs_to_string(trace_sink::instance().take()); }

int bound_socket(int type, uint16_t& port, uint32_t host) {
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(host);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

namespace {

uint16_t free_port(int type) {
  uint16_t port = 0;
  ::close(bound_socket(type, port));
  return port;
}

}  // namespace

uint16_t free_tcp_port() { return free_port(SOCK_STREAM); }
uint16_t free_udp_port() { return free_port(SOCK_DGRAM); }

std::string read_whole_file(quarro::handle& handle, int block_size) {
  if (!handle.open(false)) return "(open failed)";
  std::string out;
  std::string block(static_cast<size_t>(block_size), '\0');
  for (;;) {
    const int got = handle.read(block.data(), block_size);
    if (got < 0) return "(read failed)";
    if (got == 0) break;
    out.append(block.data(), static_cast<size_t>(got));
  }
  handle.close();
  return out;
}

}  // namespace server_test
