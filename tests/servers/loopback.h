#pragma once
// Loopback helpers of the server tests: a TCP client that sends raw bytes and reads what comes
// back, the HTTP server on a free port and curl against it, a storage file read whole, free
// ports and the trace lines.
#include <cstdint>
#include <string>

class httpd;
class httpd_param;
namespace quarro {
class handle;
}

namespace server_test {

// Starts `server` on a free loopback port serving `home` (a folder or a location), at the
// DEBUG level; the port, or 0 when it did not start. `settings` may carry other values.
uint16_t start_loopback_httpd(httpd& server, const std::string& home, httpd_param& settings);
// curl's status code for the target sent as it is written (--path-as-is); the body goes to
// `body` when given.
std::string curl_fetch(uint16_t port, const std::string& target, std::string* body = nullptr);

// How long a test waits for an answer that must come; only a broken server uses it up, a busy
// machine may take seconds.
constexpr int answer_bound_ms = 20000;

// A connected TCP socket to 127.0.0.1:port, or -1.
int connect_loopback(uint16_t port);
bool send_all(int fd, const std::string& bytes);
// Reads until the peer closes, an error (`reset` set on ECONNRESET) or `timeout_ms` passed
// without a byte (`timed_out` set).
std::string read_until_closed(int fd, int timeout_ms = answer_bound_ms, bool* reset = nullptr,
                              bool* timed_out = nullptr);
// Connects, sends `bytes`, reads until the server closes; closes the socket.
std::string round_trip(uint16_t port, const std::string& bytes, int timeout_ms = answer_bound_ms);

// Runs a shell command and returns its standard output.
std::string command_output(const std::string& command);

// Everything the servers logged since the last call.
std::string take_trace();

// A new socket of `type` (SOCK_STREAM, SOCK_DGRAM) bound to a free port of `host` (127.0.0.1
// unless given); the port goes to `port`.
int bound_socket(int type, uint16_t& port, uint32_t host = 0x7F000001);
// A loopback TCP port that nothing listens on right now.
uint16_t free_tcp_port();
uint16_t free_udp_port();

// Opens the handle's file, reads it to its end in blocks of `block_size` bytes, closes it: the
// bytes, or "(open failed)" / "(read failed)".
std::string read_whole_file(quarro::handle& handle, int block_size = 4096);

}  // namespace server_test
