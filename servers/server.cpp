#include "servers/server.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "config/text_convert.h"
#include "config/time_text.h"
#include "servers/trace_sink.h"

server::server(std::string server_name, log_level first_level)
    : level(first_level), name(std::move(server_name)) {}

server::~server() { finish(); }

void server::finish() {
  stop();
  while (worker.running()) worker.wait_for_end(stop_grace);
}

bool server::start_worker() {
  if (worker.running()) return false;
  running = true;
  if (!worker.start([this](platform::worker_control& control) { run(control); })) {
    running = false;
    return false;
  }
  return true;
}

bool server::bind_socket(net_socket& socket, uint32_t interface_address, uint16_t port, int listen_backlog) {
  socket.close();
  const bool stream = listen_backlog > 0;
  sockaddr_in address = ipv4_address(interface_address, port);
  socket.sock = ::socket(AF_INET, (stream ? SOCK_STREAM | SOCK_NONBLOCK : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
  // Connections of an earlier run may still linger in TIME_WAIT on a stream port; a restart
  // must not wait for them. (Datagram sockets never set it: two could then share a port.)
  const int on = 1;
  const bool bound =
      socket.sock >= 0 && (!stream || ::setsockopt(socket.sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0) &&
      ::bind(socket.sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      (!stream || ::listen(socket.sock, listen_backlog) == 0);
  if (!bound) {
    const int error = errno;
    socket.close();
    log(LOG_ERROR, "open server socket failed!");
    log(LOG_ERROR, "Bind to %s:%u: %s", dotted_text(interface_address).c_str(), port, std::strerror(error));
    return false;
  }
  socklen_t length = sizeof address;
  ::getsockname(socket.sock, reinterpret_cast<sockaddr*>(&address), &length);
  socket.local_address = address;
  socket.kind = stream ? net_socket::kind_tcp : net_socket::kind_udp;
  socket.state = stream ? net_socket::state_listening : net_socket::state_open;
  return true;
}

bool server::stop() {
  if (!running) return true;
  running = false;
  worker.request_stop();
  if (!worker.wait_for_end(stop_grace)) worker.detach();
  return true;
}

int server::log(log_level message_level, const char* format, ...) {
  if (message_level < level) return 0;
  va_list args;
  va_start(args, format);
  int count = 0;
  const std::u16string line = tracer_line(name, format, args, &count);
  va_end(args);
  trace_sink::instance().append(line);
  return count;
}

namespace {

// now_text, formatted again only when the second changes: a busy server logs thousands of lines
// a second, and each fresh local time asks the system for its time zone.
const std::string& cached_now_text() {
  thread_local int64_t second = -1;
  thread_local std::string text;
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now != second) {
    second = now;
    text = now_text();
  }
  return text;
}

}  // namespace

std::u16string tracer_line(std::string_view server_name, const char* format, va_list args, int* count) {
  char buffer[1024];
  const std::string name(server_name);
  int used = std::snprintf(buffer, sizeof buffer, "%s [%s] ", cached_now_text().c_str(), name.c_str());
  if (used < 0) used = 0;
  if (used < static_cast<int>(sizeof buffer) - 1)
    std::vsnprintf(buffer + used, sizeof buffer - used, format, args);
  buffer[sizeof buffer - 1] = '\0';
  const size_t length = std::strlen(buffer);
  if (count) *count = static_cast<int>(length);
  return ansi_to_wstring(std::string_view(buffer, length)) + u"\r\n";
}

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
