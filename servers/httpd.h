#pragma once
// The HTTP file server: serves the files and folder pages of one home path (a local folder or
// an FTP, SFTP or TFTP location) to browsers, read-only, one request per connection. One worker
// serves every connection from one poll loop; sockets are non-blocking.
//
// Against clients that never finish: a request head is at most http_head_limit bytes, there are
// at most max_sessions connections at once, and a connection that has not sent its head, or
// taken any of its answer, within session_timeout_ms is dropped. When every session is taken, a
// new connection takes the place of the one that has been silent longest among those still
// sending their heads; while none is, new connections wait in the listen queue.
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "config/net_socket.h"
#include "servers/server.h"
#include "servers/storage/location.h"

class httpd_param;
class http_session;

class httpd final : public server {
 public:
  static constexpr size_t default_max_sessions = 128;
  static constexpr int64_t default_session_timeout_ms = 15000;
  // How long a finished connection may take to close its side after our answer.
  static constexpr int64_t drain_timeout_ms = 1000;

  // The process's HTTP server, made on first use and never destroyed.
  static httpd* instance();

  httpd();
  ~httpd() override;

  // Takes the settings, binds and listens, and starts the worker. False when the server is
  // already running, the socket cannot be bound (logged with the reason) or no worker starts.
  bool start(const httpd_param& settings);

  // The listening socket; its local_address holds the bound address and port once started.
  net_socket listening;
  std::string home_path;
  std::unique_ptr<quarro::location> location;  // null when the home path's scheme is unknown
  std::string title;
  size_t max_sessions = default_max_sessions;
  int64_t session_timeout_ms = default_session_timeout_ms;

 protected:
  void run(platform::worker_control& control) override;

 private:
  // Takes every waiting connection while there is room for it, or a session to make room.
  void accept_connections(int64_t now);
  // The session still reading its head that has been silent longest; end() when there is none.
  std::list<std::unique_ptr<http_session>>::iterator longest_silent();
  // Drops the sessions whose deadline passed.
  void expire_sessions(int64_t now);
  void close_all();

  std::list<std::unique_ptr<http_session>> sessions;
  bool sessions_changed = true;
};
