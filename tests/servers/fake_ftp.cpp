#include "tests/servers/fake_ftp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "tests/servers/loopback.h"

namespace server_test {

namespace {

int listen_loopback(uint16_t& port) {
  const int fd = bound_socket(SOCK_STREAM, port);
  ::listen(fd, 4);
  return fd;
}

// Accepts one connection within `timeout_ms`; -1 when none came.
int accept_within(int listener, int timeout_ms) {
  pollfd entry{listener, POLLIN, 0};
  if (::poll(&entry, 1, timeout_ms) <= 0) return -1;
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

void say(int fd, const std::string& text) { ::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

// `path` taken from the folder `current` when it is relative; no trailing '/' but for "/".
std::string resolved(const std::string& current, const std::string& path) {
  std::string full = path.starts_with('/') ? path : current + "/" + path;
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  return full;
}

}  // namespace

fake_ftp::fake_ftp() {
  listener_ = listen_loopback(port_);
  thread_ = std::thread([this] { serve(); });
}

fake_ftp::~fake_ftp() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> fake_ftp::commands() const {
  std::lock_guard<std::mutex> guard(lock_);
  return commands_;
}

void fake_ftp::serve() {
  while (!stop_) {
    const int fd = accept_within(listener_, 50);
    if (fd < 0) continue;
    serve_control(fd);
    ::close(fd);
  }
}

void fake_ftp::serve_control(int fd) {
  if (greeting_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(greeting_delay_ms));
  say(fd, greeting);
  int data_listener = -1;
  std::string current = login_folder;
  std::string pending;
  char buffer[512];
  while (!stop_) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 50) <= 0) continue;
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    pending.append(buffer, static_cast<size_t>(got));
    for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 2);
      {
        std::lock_guard<std::mutex> guard(lock_);
        commands_.push_back(line);
      }
      const size_t blank = line.find(' ');
      const std::string word = line.substr(0, blank);
      const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
      const std::string target = resolved(current, argument);
      const bool is_file = file_path.empty() || target == file_path;
      const bool is_folder = file_path.empty() || file_path.starts_with(target == "/" ? "/" : target + "/");
      if (word == "USER") {
        say(fd, user_reply);
      } else if (word == "PASS") {
        if (password_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(password_delay_ms));
        say(fd, "230 in\r\n");
      } else if (word == "TYPE") {
        say(fd, "200 type set\r\n");
      } else if (word == "CWD") {
        if (is_folder) current = target;
        say(fd, is_folder ? "250 ok\r\n" : "550 no such folder\r\n");
      } else if (word == "SIZE") {
        if (!is_file)
          say(fd, "550 no such file\r\n");
        else
          say(fd, size_reply.empty() ? "213 " + std::to_string(file_contents.size()) + "\r\n" : size_reply);
      } else if (word == "PASV") {
        uint16_t data_port = 0;
        data_listener = listen_loopback(data_port);
        say(fd, "227 Entering Passive Mode (" + pasv_host + "," + std::to_string(data_port >> 8) + "," +
                    std::to_string(data_port & 0xFF) + ")\r\n");
      } else if (word == "RETR" && !is_file) {
        say(fd, "550 no such file\r\n");
      } else if (word == "RETR" || word == "LIST") {
        const int data = accept_within(data_listener, 2000);
        say(fd, "150 here it comes\r\n");
        if (stall_data) {
          // Hold the connection open, silent, until the client gives up.
          pollfd wait{data, POLLIN, 0};
          ::poll(&wait, 1, 10000);
        } else {
          say(data, word == "RETR" ? file_contents : listing);
        }
        ::close(data);
        say(fd, "226 done\r\n");
      } else {
        say(fd, "502 not here\r\n");
      }
    }
  }
  if (data_listener >= 0) ::close(data_listener);
}

}  // namespace server_test
