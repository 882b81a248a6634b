#include "servers/httpd.h"

#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "config/httpd_param.h"
#include "config/server_values.h"
#include "platform/clock.h"
#include "servers/http_session.h"

namespace {

constexpr int64_t pass_wait_us = 500000;
// Connections beyond the session cap wait in the listen queue; a shorter queue would drop their
// SYNs instead, and each client so dropped waits a second before it tries again.
constexpr int listen_backlog = static_cast<int>(httpd::default_max_sessions);

int64_t now_ms() { return platform::real_clock().now_ms(); }

}  // namespace

httpd* httpd::instance() {
  static httpd* const the_server = new httpd;
  return the_server;
}

httpd::httpd() : server("httpd", LOG_ERROR) {}

httpd::~httpd() {
  finish();
  close_all();
}

bool httpd::start(const httpd_param& settings) {
  // A worker left running by an earlier stop still owns the sockets and sessions.
  if (running || worker_alive()) {
    log(LOG_INFORMATION, "httpd is already running!");
    return false;
  }
  level = settings.log_level;
  home_path = served_folder(settings.home_index, settings.home_paths);
  location = quarro::parse_location(home_path);
  title = settings.title.empty() ? "Welcome to Tessary!" : settings.title;

  close_all();
  if (!bind_socket(listening, settings.interface_address, settings.port, listen_backlog)) return false;
  if (!start_worker()) {
    listening.close();
    return false;
  }
  return true;
}

void httpd::close_all() {
  listening.close();
  sessions.clear();
  sessions_changed = true;
}

std::list<std::unique_ptr<http_session>>::iterator httpd::longest_silent() {
  auto found = sessions.end();
  for (auto it = sessions.begin(); it != sessions.end(); ++it)
    if ((*it)->state == SESSION_READING && (found == sessions.end() || (*it)->heard_ms < (*found)->heard_ms))
      found = it;
  return found;
}

void httpd::accept_connections(int64_t now) {
  for (;;) {
    // A full table makes room only by a session that has not asked for anything yet, so that
    // idle connections cannot hold every session until they time out.
    const auto room = sessions.size() < max_sessions ? sessions.end() : longest_silent();
    if (sessions.size() >= max_sessions && room == sessions.end()) return;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listening.sock, reinterpret_cast<sockaddr*>(&peer), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (room != sessions.end()) {
      log(LOG_ERROR, "idle session dropped for a new connection!");
      sessions.erase(room);
    }
    // The head and the body go out as separate sends; Nagle would hold the body back.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto connection = std::make_unique<net_socket>();
    connection->sock = fd;
    connection->kind = net_socket::kind_tcp;
    connection->state = net_socket::state_connected;
    connection->remote_address = peer;
    connection->local_address = listening.local_address;
    sessions.push_back(std::make_unique<http_session>(*this, std::move(connection), now, now + session_timeout_ms));
    sessions_changed = true;
  }
}

void httpd::expire_sessions(int64_t now) {
  for (auto it = sessions.begin(); it != sessions.end();) {
    if ((*it)->deadline_ms <= now) {
      if ((*it)->state != SESSION_DRAINING) log(LOG_ERROR, "session timed out!");
      it = sessions.erase(it);
      sessions_changed = true;
    } else {
      ++it;
    }
  }
}

void httpd::run(platform::worker_control& control) {
  log(LOG_INFORMATION, "HTTP Server started");
  std::vector<net_socket*> readable;
  std::vector<net_socket*> writable;
  sessions_changed = true;
  while (running) {
    if (sessions_changed) {
      readable.clear();
      writable.clear();
      // At the limit, with no session that could make room, the listening socket is not
      // watched: new clients wait in its queue.
      if (sessions.size() < max_sessions || longest_silent() != sessions.end()) readable.push_back(&listening);
      for (const auto& session : sessions) {
        if (session->state == SESSION_READING || session->state == SESSION_DRAINING)
          readable.push_back(session->socket.get());
        else
          writable.push_back(session->socket.get());
      }
      sessions_changed = false;
    }
    const int ready = net_socket::select_sockets(readable, writable, pass_wait_us, control.wake_fd());
    const int64_t now = now_ms();
    if (ready > 0) {
      for (auto it = sessions.begin(); it != sessions.end();) {
        http_session& session = **it;
        const uint32_t flags = session.socket->ready_flags;
        session.socket->ready_flags = 0;
        const int32_t before = session.state;
        bool keep = true;
        if ((flags & net_socket::ready_read) && session.state == SESSION_READING) {
          keep = session.handle_request();
          if (!keep) log(LOG_ERROR, "handle http request failed!");
          session.heard_ms = now;
        } else if ((flags & net_socket::ready_read) && session.state == SESSION_DRAINING) {
          keep = !session.drain();
        } else if ((flags & net_socket::ready_write) &&
                   (session.state == SESSION_REQUEST_READ || session.state == SESSION_SENDING_BODY)) {
          keep = session.handle_response();
          if (!keep) log(LOG_ERROR, "handle http response failed!");
          // Progress on the answer moves the deadline on; a client that takes nothing does not.
          else if (session.state == SESSION_SENDING_BODY) session.deadline_ms = now + session_timeout_ms;
        }
        if (keep && session.state == SESSION_FINISHED) keep = !session.finish(now + drain_timeout_ms);
        if (keep && session.state != before) sessions_changed = true;
        if (!keep) {
          it = sessions.erase(it);
          sessions_changed = true;
        } else {
          ++it;
        }
      }
      // After the sessions' own input, so that a head completed in this pass no longer counts
      // as a silent session.
      if (listening.ready_flags & net_socket::ready_read && listening.state == net_socket::state_listening)
        accept_connections(now);
    } else if (ready < 0 && errno != EINTR) {
      break;
    }
    expire_sessions(now);
  }
  running = false;
  close_all();
  log(LOG_INFORMATION, "HTTP Server stopped");
}
