#include "connections/telnet.h"

#include <libtelnet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "config/text_convert.h"

namespace {

// What the connection answers for itself and for the server.
const telnet_telopt_t option_table[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_TTYPE, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_COMPRESS2, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_MSSP, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_NAWS, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

}  // namespace

telnet::telnet(std::string_view uuid, telnet_param param) : protocol(protocol_telnet, uuid), param(std::move(param)) {}

telnet::~telnet() { close(); }

std::u16string telnet::display_name() const { return mbs_to_wstring(param.hostname); }

int telnet::get_params(connection_params& out) const {
  out.protocol = protocol_telnet;
  out.telnet = param;
  return 1;
}

bool telnet::open(const platform::worker_control& run) {
  address_list addresses = resolve_stream_addresses(param.hostname, param.port, AF_UNSPEC);
  // Each address with a socket of its own family, in the resolver's order, until one answers.
  bool connected = false;
  for (addrinfo* entry = addresses.get(); entry && !connected && !run.stop_requested(); entry = entry->ai_next)
    connected = socket.connect(*entry, run);
  if (connected) {
    send_failed = false;
    naws_agreed = false;
    overflow.clear();
    overflow_taken = 0;
    telnet_state = telnet_init(option_table, &telnet::telnet_event_handler, 0, this);
  }
  if (!telnet_state) {
    close();
    return false;
  }
  return true;
}

int telnet::close() {
  if (telnet_state) {
    telnet_free(telnet_state);
    telnet_state = nullptr;
  }
  socket.close();
  return 1;
}

int telnet::run_request(std::u16string&, const platform::worker_control&) { return 0; }

int telnet::read(char* buffer, int capacity) {
  receive_length = 0;
  if (!telnet_state) return -1;
  if (overflow_taken < overflow.size()) {
    // What an earlier block left over comes first; the socket waits until it is all given out.
    size_t n = std::min(overflow.size() - overflow_taken,
                        static_cast<size_t>(std::max(capacity, 0)));
    std::memcpy(buffer, overflow.data() + overflow_taken, n);
    overflow_taken += n;
    if (overflow_taken == overflow.size()) {
      overflow.clear();
      overflow_taken = 0;
    }
    return static_cast<int>(n);
  }
  pollfd readable{socket.fd(), POLLIN, 0};
  if (poll(&readable, 1, 0) <= 0) return 0;
  std::array<char, receive_block> block;
  ssize_t n = recv(socket.fd(), block.data(), block.size(), MSG_DONTWAIT);
  if (n == 0) return -1;
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    std::fprintf(stderr, "recv(client) failed: %s\n", std::strerror(errno));
    return -1;
  }
  receive_buffer = buffer;
  receive_capacity = capacity;
  telnet_recv(telnet_state, block.data(), static_cast<size_t>(n));
  receive_buffer = nullptr;
  // An answer to the server that could not be sent ends the session too.
  return send_failed ? -1 : receive_length;
}

int telnet::write(const char* data, int length) {
  if (!telnet_state || send_failed) return -1;
  telnet_send(telnet_state, data, static_cast<size_t>(length));
  return send_failed ? -1 : length;
}

int telnet::set_size(terminal_size size) {
  if (size.rows == window_size.rows && size.columns == window_size.columns) return 0;
  window_size = size;
  if (telnet_state && naws_agreed) send_window_size();
  return 0;
}

wait_target telnet::input_wait() const { return {socket.fd(), POLLIN}; }

void telnet::interrupt() { socket.shutdown(); }

void telnet::take_data(const char* bytes, size_t size) {
  size_t room = receive_buffer ? static_cast<size_t>(receive_capacity - receive_length) : 0;
  size_t now = std::min(size, room);
  if (now > 0) {
    std::memcpy(receive_buffer + receive_length, bytes, now);
    receive_length += static_cast<int>(now);
  }
  overflow.append(bytes + now, size - now);
}

void telnet::send_bytes(const char* bytes, size_t size) {
  while (size > 0 && !send_failed) {
    ssize_t n = send(socket.fd(), bytes, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      std::fputs("send() unexpectedly returned 0\n", stderr);
      send_failed = true;
    } else if (n < 0) {
      std::fprintf(stderr, "send() failed: %s\n", std::strerror(errno));
      send_failed = true;
    } else {
      bytes += n;
      size -= static_cast<size_t>(n);
    }
  }
}

// IAC SB TTYPE IS, the terminal type, IAC SE; sent as they are. The type is TERM's value; when
// TERM is unset or empty (a program started from a desktop menu) it is the session's own type,
// since an empty name makes the server refuse the terminal.
void telnet::answer_terminal_type() {
  static constexpr char head[] = {'\xff', '\xfa', '\x18', '\x00'};
  static constexpr char tail[] = {'\xff', '\xf0'};
  const char* term = std::getenv("TERM");
  std::string_view type = term && *term ? std::string_view(term) : std::string_view(terminal_type);
  send_bytes(head, sizeof head);
  send_bytes(type.data(), type.size());
  send_bytes(tail, sizeof tail);
}

// IAC SB NAWS, columns and rows as 16-bit big-endian numbers, IAC SE; the library doubles a 255.
void telnet::send_window_size() {
  if (window_size.rows == 0 || window_size.columns == 0) return;
  const char size[4] = {static_cast<char>(window_size.columns >> 8),
                        static_cast<char>(window_size.columns & 0xFF),
                        static_cast<char>(window_size.rows >> 8),
                        static_cast<char>(window_size.rows & 0xFF)};
  telnet_subnegotiation(telnet_state, TELNET_TELOPT_NAWS, size, sizeof size);
}

void telnet::telnet_event_handler(telnet_t*, telnet_event_t* event, void* user_data) {
  auto* self = static_cast<telnet*>(user_data);
  switch (event->type) {
    case TELNET_EV_DATA:
      self->take_data(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_SEND:
      self->send_bytes(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_DO:
      // The server asks for the window size: it is sent now and after every resize.
      if (event->neg.telopt == TELNET_TELOPT_NAWS) {
        self->naws_agreed = true;
        self->send_window_size();
      }
      break;
    case TELNET_EV_DONT:
      if (event->neg.telopt == TELNET_TELOPT_NAWS) self->naws_agreed = false;
      break;
    case TELNET_EV_TTYPE:
      if (event->ttype.cmd == TELNET_TTYPE_SEND) self->answer_terminal_type();
      break;
    case TELNET_EV_ERROR:
      std::fprintf(stderr, "ERROR: %s\n", event->error.msg);
      break;
    default:
      break;
  }
}
