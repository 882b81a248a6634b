#include "connections/ssh2.h"

#include <libssh2.h>
#include <libssh2_sftp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>

#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "connections/host_key_check.h"
#include "connections/login_question.h"

namespace {

constexpr unsigned channel_window = 2 * 1024 * 1024;
constexpr unsigned channel_packet = 32768;
// Bounds the goodbye to a server that no longer answers.
constexpr long close_timeout_ms = 1000;

// Why a session that a call of this libssh2 error broke cannot go on. (libssh2's own message
// names the step it was at, often "Timeout waiting for ..." whatever happened.)
std::string broken_reason(int code) {
  switch (code) {
    case LIBSSH2_ERROR_TIMEOUT:
      return "timed out; reconnecting";
    case LIBSSH2_ERROR_SOCKET_SEND:
    case LIBSSH2_ERROR_SOCKET_RECV:
    case LIBSSH2_ERROR_SOCKET_DISCONNECT:
    case LIBSSH2_ERROR_BAD_SOCKET:
    case LIBSSH2_ERROR_CHANNEL_CLOSED:
    case LIBSSH2_ERROR_CHANNEL_EOF_SENT:
      return "the connection was lost; reconnecting";
    case LIBSSH2_ERROR_CHANNEL_PACKET_EXCEEDED:
      return "the server's reply was too large; reconnecting";
    default:
      return "the connection failed (error " + std::to_string(code) + "); reconnecting";
  }
}

void initialise_library() {
  static std::once_flag once;
  std::call_once(once, [] { libssh2_init(0); });
}

}  // namespace

ssh2::ssh2(std::string_view uuid, ssh2_param param) : protocol(protocol_ssh2, uuid), param(std::move(param)) {}

ssh2::~ssh2() {
  close();
  leave_leftovers();
}

std::u16string ssh2::display_name() const { return mbs_to_wstring(param.hostname); }

int ssh2::get_params(connection_params& out) const {
  out.protocol = protocol_ssh2;
  out.ssh2 = param;
  return 1;
}

bool ssh2::connect_socket(const platform::worker_control& run) {
  address_list addresses = resolve_stream_addresses(param.hostname, param.port, AF_INET);
  // Only the first usable address is tried; the broadcast address never is.
  for (addrinfo* entry = addresses.get(); entry; entry = entry->ai_next) {
    auto* ipv4 = reinterpret_cast<sockaddr_in*>(entry->ai_addr);
    if (ipv4->sin_addr.s_addr == htonl(INADDR_BROADCAST)) continue;
    return socket.connect(*entry, run);
  }
  return false;
}

bool ssh2::log_in(const platform::worker_control& run) {
  connection_params shown;
  if (param.username.empty()) {
    get_params(shown);
    auto name = ask_login_question(login_question_kind::username, shown, session_uuid, run);
    if (!name) return false;
    param.username = std::move(*name);
  }
  for (;;) {
    if (param.password.empty()) {
      get_params(shown);
      auto password = ask_login_question(login_question_kind::password, shown, session_uuid, run);
      if (!password) return false;
      param.password = std::move(*password);
    }
    if (libssh2_userauth_password_ex(session, param.username.data(),
                                     static_cast<unsigned>(param.username.size()), param.password.data(),
                                     static_cast<unsigned>(param.password.size()), nullptr) == 0)
      return true;
    // Only a refused password is worth another try; a broken connection is not.
    if (libssh2_session_last_errno(session) != LIBSSH2_ERROR_AUTHENTICATION_FAILED) {
      say_connect_failure("The login", run);
      return false;
    }
    get_params(shown);
    if (!ask_login_question(login_question_kind::auth_failed, shown, session_uuid, run)) return false;
    param.password.clear();
  }
}

LIBSSH2_CHANNEL* ssh2::open_session_channel() {
  return libssh2_channel_open_ex(session, "session", 7, channel_window, channel_packet, nullptr, 0);
}

bool ssh2::start_shell(const platform::worker_control& run) {
  channel = open_session_channel();
  bool started = channel &&
                 libssh2_channel_request_pty_ex(channel, terminal_type.data(),
                                                static_cast<unsigned>(terminal_type.size()), nullptr, 0, 80, 24, 0,
                                                0) == 0 &&
                 libssh2_channel_process_startup(channel, "shell", 5, nullptr, 0) == 0;
  if (!started) {
    say_connect_failure("Starting the shell", run);
    return false;
  }
  // The running shell waits for its peer as long as that takes; a stop breaks the wait.
  libssh2_session_set_timeout(session, 0);
  return true;
}

void ssh2::ask_home_folder() {
  home_folder.clear();
  channel = open_session_channel();
  if (!channel) return;
  libssh2_channel_process_startup(channel, "exec", 4, "pwd\n", 4);
  // Ends at the first line feed, at 1023 bytes, or when the channel ends, fails or times out.
  std::array<char, 1024> buffer;
  std::string text;
  while (text.size() < buffer.size() - 1 && text.find('\n') == std::string::npos) {
    ssize_t n = libssh2_channel_read_ex(channel, 0, buffer.data(), buffer.size() - 1 - text.size());
    if (n <= 0) break;
    text.append(buffer.data(), static_cast<size_t>(n));
  }
  home_folder = text.substr(0, text.find('\n'));
  libssh2_channel_free(channel);
  channel = nullptr;
}

bool ssh2::start_sftp() {
  libssh2_session_set_timeout(session, explorer_timeout_ms);
  ask_home_folder();
  sftp = libssh2_sftp_init(session);
  if (!sftp) {
    std::fputs("Unable to init SFTP session\n", stderr);
    return false;
  }
  return true;
}

bool ssh2::open(const platform::worker_control& run) {
  if (!establish(run)) return false;
  if (mode == session_view_explorer)
    if (auto view = owner()) view->sftp_ready(param.hostname, home_folder);
  return true;
}

bool ssh2::reconnect(const platform::worker_control& run) {
  // The view keeps the folder it shows; it learns of the new session only by its state.
  report_state(state_connecting);
  if (!establish(run)) return false;
  report_state(state_connected);
  return true;
}

bool ssh2::trusted() {
  if (!broken.empty() || !session) return broken.empty();
  int code = libssh2_session_last_errno(session);
  // A server's refusal (an SFTP status) leaves the session as it was, and a blocking call that
  // waited leaves "would block" behind; anything else means the session cannot go on.
  if (code == LIBSSH2_ERROR_NONE || code == LIBSSH2_ERROR_EAGAIN || code == LIBSSH2_ERROR_SFTP_PROTOCOL) return true;
  broken = broken_reason(code);
  socket.shutdown();
  return false;
}

void ssh2::say_connect_failure(const char* step, const platform::worker_control& run) {
  if (run.stop_requested()) return;
  char* message = nullptr;
  int code = session ? libssh2_session_last_error(session, &message, nullptr, 0) : LIBSSH2_ERROR_NONE;
  std::string reason = message ? message : "unknown error";
  if (code == LIBSSH2_ERROR_TIMEOUT) reason = "no answer within " + std::to_string(login_step_timeout_ms / 1000) + " s";
  std::fprintf(stderr, "%s with %s failed: %s\n", step, param.hostname.c_str(), reason.c_str());
}

bool ssh2::establish(const platform::worker_control& run) {
  initialise_library();
  bool opened = connect_socket(run);
  if (opened) {
    session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
    opened = session != nullptr;
  }
  if (opened) {
    // A server that accepts the connection and then says nothing (or only its banner) ends
    // the session instead of holding it at "connecting".
    libssh2_session_set_timeout(session, login_step_timeout_ms);
    prefer_known_host_keys(session, param.hostname, param.port);
    opened = libssh2_session_handshake(session, socket.fd()) == 0;
    if (!opened) say_connect_failure("The SSH handshake", run);
  }
  // The key is checked before the password goes out. The user sees a session go on with a key
  // that could not be remembered, and standard error says why it was not.
  if (opened) {
    std::string reason;
    opened = host_key_trusted(check_host_key(session, param.hostname, param.port, reason), true);
    if (!reason.empty()) std::fprintf(stderr, "%s\n", reason.c_str());
  }
  opened = opened && log_in(run) && (mode == session_view_explorer ? start_sftp() : start_shell(run));
  if (!opened) {
    close();
    return false;
  }
  // What failed while opening (a home folder that took too long) left nothing waiting.
  libssh2_session_set_last_error(session, LIBSSH2_ERROR_NONE, nullptr);
  if (sftp) remove_leftovers();
  return true;
}

void ssh2::abandon_session() {
  // A session that still looks sound is given up all the same, with libssh2's last error as why.
  if (trusted()) broken = broken_reason(session ? libssh2_session_last_errno(session) : LIBSSH2_ERROR_SOCKET_DISCONNECT);
  socket.shutdown();
}

int ssh2::close() {
  if (session) libssh2_session_set_timeout(session, close_timeout_ms);
  if (sftp) {
    libssh2_sftp_shutdown(sftp);
    sftp = nullptr;
  }
  if (channel) {
    libssh2_channel_free(channel);
    channel = nullptr;
  }
  if (session) {
    libssh2_session_disconnect_ex(session, SSH_DISCONNECT_BY_APPLICATION,
                                  "Normal Shutdown, Thank you for playing", "");
    libssh2_session_free(session);
    session = nullptr;
  }
  socket.close();
  last_rows = -1;
  last_columns = -1;
  broken.clear();
  server_time.reset();
  return 1;
}

int ssh2::read(char* buffer, int capacity) {
  if (!channel) return -1;
  if (capacity < 2) return 0;
  // Reading without waiting takes what the library holds and what the socket has, and says
  // "would block" only when both are drained, so the worker may then wait on the socket.
  libssh2_session_set_blocking(session, 0);
  ssize_t n = libssh2_channel_read_ex(channel, 0, buffer, static_cast<size_t>(capacity - 1));
  libssh2_session_set_blocking(session, 1);
  if (n > 0) {
    // Bytes that came with the end of the stream are delivered; the end shows at the next read.
    buffer[n] = '\0';
    return static_cast<int>(n);
  }
  if (n == LIBSSH2_ERROR_EAGAIN) return libssh2_channel_eof(channel) == 1 ? -1 : 0;
  return -1;
}

int ssh2::write(const char* data, int length) {
  if (!channel) return -1;
  ssize_t n = libssh2_channel_write_ex(channel, 0, data, static_cast<size_t>(length));
  if (n == LIBSSH2_ERROR_EAGAIN) return 0;
  return static_cast<int>(n);
}

int ssh2::set_size(terminal_size size) {
  if (!channel) return 0;
  if (size.rows != last_rows || size.columns != last_columns) {
    libssh2_channel_request_pty_size_ex(channel, size.columns, size.rows, 0, 0);
    last_rows = size.rows;
    last_columns = size.columns;
  }
  return 0;
}

wait_target ssh2::input_wait() const {
  wait_target target{socket.fd(), POLLIN};
  if (session && (libssh2_session_block_directions(session) & LIBSSH2_SESSION_BLOCK_OUTBOUND))
    target.events |= POLLOUT;
  return target;
}

void ssh2::interrupt() { socket.shutdown(); }
