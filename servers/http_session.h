#pragma once
// One client connection of the HTTP file server: it reads the request head, answers with a
// file, a folder page or 404, and ends. One request per connection, no keep-alive. Runs only on
// the server's worker.
#include <cstdint>
#include <memory>
#include <string>

#include "config/net_socket.h"
#include "servers/http_request.h"
#include "servers/storage/handle.h"

class httpd;

enum http_session_state : int32_t {
  SESSION_READING = 0,       // reading the request head
  SESSION_REQUEST_READ = 1,  // head parsed, the response not yet sent
  SESSION_SENDING_BODY = 2,  // sending the file
  SESSION_FINISHED = 3,      // answered; the worker closes it
  SESSION_DRAINING = 4,      // answered and shut down for writing; reading what the client still sends
};

class http_session {
 public:
  // Bytes of a file read and sent at a time; the buffer is no larger than the file.
  static constexpr int block_size = 256 * 1024;

  http_session(httpd& owner, std::unique_ptr<net_socket> connection, int64_t now_ms, int64_t deadline_ms);
  ~http_session();
  http_session(const http_session&) = delete;
  http_session& operator=(const http_session&) = delete;

  // On a readable event while reading the head: false when the client closed, the receive
  // failed, or the head was refused (not a request, or longer than http_head_limit).
  bool handle_request();
  // On a writable event: builds and sends the response, then the file's body. False when a send
  // or a read of the file fails; a failed read has set the connection to close with a reset.
  bool handle_response();
  // Ends an answered session: a connection with nothing unread is done (true: close it now);
  // one with unread input is shut down for writing and drained first, so that closing it does
  // not reset the connection under the answer still on its way to the client.
  bool finish(int64_t drain_deadline_ms);
  // On a readable event while draining: true once the client has closed (or the drain failed).
  bool drain();

  httpd* server;
  int32_t state = SESSION_READING;
  std::string request;
  http_method method = HTTP_NONE;
  std::string path;
  bool path_refused = false;  // the path leaves the served folder or holds a control character
  std::string response;
  size_t response_sent = 0;
  std::unique_ptr<net_socket> socket;
  std::unique_ptr<quarro::handle> file;
  std::unique_ptr<char[]> send_buffer;
  int buffer_size = 0;
  int filled = 0;
  int sent = 0;
  int64_t body_left = -1;   // body bytes still to send; -1 while the length is unknown
  int64_t deadline_ms;      // the session is dropped when it has not moved on by then
  int64_t heard_ms;         // when the client last sent something (or connected)

 private:
  bool parse_request(std::string_view head);
  // The status, the length (-1 unknown) and the page (when the answer is a folder page).
  void build_response();
  void build_directory_page(int& status, std::string& page);
  void open_file(int& status, int64_t& length);
  bool send_response();
  bool send_body();
  // The body of a file with a known length and a system descriptor, copied by the kernel.
  bool send_file_body(int descriptor);
  // Ends a body whose file cannot be read on: the head has gone out, so the connection is to
  // close with a reset that tells the client the transfer failed. Always false.
  bool abort_body();
};
