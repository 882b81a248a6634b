#include "servers/http_session.h"

#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/paths.h"
#include "servers/http_folder_page.h"
#include "servers/httpd.h"

namespace {

constexpr const char* status_texts[] = {"200 OK", "404 NOT FOUND"};
constexpr const char* content_types[] = {"text/html", "application/octet-stream"};
enum : int { STATUS_OK = 0, STATUS_NOT_FOUND = 1 };
enum : int { TYPE_HTML = 0, TYPE_BINARY = 1 };

// "text/html" for a name whose extension is "html" in any letter case.
int content_type_of(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return TYPE_BINARY;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return extension == "HTML" ? TYPE_HTML : TYPE_BINARY;
}

// The reason a back end gave in words for refusing (a changed host key), as its own line.
void log_refusal(httpd& server, const quarro::handle& storage) {
  if (!storage.refusal.empty()) server.log(LOG_ERROR, "%s", printable(storage.refusal).c_str());
}

}  // namespace

http_session::http_session(httpd& owner, std::unique_ptr<net_socket> connection, int64_t now, int64_t deadline)
    : server(&owner), socket(std::move(connection)), deadline_ms(deadline), heard_ms(now) {}

http_session::~http_session() = default;

bool http_session::handle_request() {
  if (state != SESSION_READING) return false;
  char piece[2048];
  const int got = socket->receive(piece, sizeof piece - 1, 0);
  if (got <= 0) return false;
  const size_t scanned = request.size() >= 3 ? request.size() - 3 : 0;
  request.append(piece, strnlen(piece, static_cast<size_t>(got)));
  const size_t end = request.find("\r\n\r\n", scanned);
  if (end == std::string::npos && request.size() < http_head_limit) return true;
  if (end == std::string::npos || end + 4 > http_head_limit || !parse_request(std::string_view(request).substr(0, end))) {
    server->log(LOG_ERROR, "parse http request failed!");
    return false;
  }
  state = SESSION_REQUEST_READ;
  server->log(LOG_INFORMATION, "http request for path '%s'", printable(path).c_str());
  return true;
}

bool http_session::parse_request(std::string_view head) {
  std::string target;
  if (!parse_request_line(head, method, target)) return false;
  request_path decoded = decode_request_path(target);
  if (decoded.bad_escape) server->log(LOG_ERROR, "meet invalid url!");
  path = std::move(decoded.path);
  path_refused = decoded.refused;
  return true;
}

void http_session::open_file(int& status, int64_t& length) {
  status = STATUS_NOT_FOUND;
  length = 0;
  const std::string name = normalize_path(server->location ? server->location->path + "/" + path : path);
  file = std::make_unique<quarro::handle>();
  bool opened = false;
  if (server->location) {
    quarro::location where = *server->location;
    where.path = name;
    if (file->create_backend(&where)) {
      length = file->backend->size();
      // TFTP never knows a size, yet serves the file: its body then ends with the connection.
      if (length >= 0 || where.scheme == quarro::SCHEME_TFTP) opened = file->open(false);
    }
  }
  if (!opened) {
    length = 0;
    server->log(LOG_ERROR, "access file '%s' failed!", printable(name).c_str());
    log_refusal(*server, *file);
    return;
  }
  status = STATUS_OK;
}

void http_session::build_directory_page(int& status, std::string& page) {
  const std::string folder = normalize_path(server->location ? server->location->path + "/" + path : path);
  quarro::handle lister;
  std::vector<quarro::entry> entries;
  bool listed = false;
  if (server->location) {
    quarro::location where = *server->location;
    where.path = folder;
    listed = lister.create_backend(&where) && lister.backend->list(entries);
  }
  if (!listed) {
    server->log(LOG_ERROR, "read path %s failed!", printable(folder).c_str());
    log_refusal(*server, lister);
    status = STATUS_NOT_FOUND;
    page.clear();
    return;
  }
  status = STATUS_OK;
  page = ::build_directory_page(server->title, path, entries);
}

void http_session::build_response() {
  int status = STATUS_NOT_FOUND;
  int type = TYPE_HTML;
  int64_t length = 0;
  std::string page;
  if (path_refused) {
    server->log(LOG_ERROR, "access file '%s' failed!", printable(path).c_str());
  } else if (path.ends_with('/')) {
    build_directory_page(status, page);
    length = static_cast<int64_t>(page.size());
  } else {
    open_file(status, length);
    if (status == STATUS_OK) type = content_type_of(path);
  }

  char head[256];
  std::snprintf(head, sizeof head, "HTTP/1.1 %s\r\nContent-Type: %s;charset=utf-8\r\n", status_texts[status],
                content_types[type]);
  response = head;
  if (length >= 0) {
    std::snprintf(head, sizeof head, "Content-Length: %" PRId64 "\r\n", length);
    response += head;
  }
  // Every connection ends after its answer; a body of unknown length ends with it.
  response += "Connection: close\r\n\r\n";
  response += page;
  response_sent = 0;
  body_left = length;
  if (status != STATUS_OK) file.reset();
}

bool http_session::send_response() {
  while (response_sent < response.size()) {
    const int count = socket->send(response.data() + response_sent, response.size() - response_sent);
    if (count < 0) return false;
    if (count == 0) return true;
    response_sent += static_cast<size_t>(count);
  }
  state = file ? SESSION_SENDING_BODY : SESSION_FINISHED;
  response.clear();
  return true;
}

bool http_session::abort_body() {
  // An orderly close would pass the body cut short off as whole (a body of unknown length ends
  // with the connection).
  const linger abort{1, 0};
  ::setsockopt(socket->sock, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  server->log(LOG_ERROR, "send block data failed!");
  return false;
}

bool http_session::send_file_body(int descriptor) {
  while (body_left > 0) {
    const size_t want = body_left < block_size ? static_cast<size_t>(body_left) : block_size;
    const ssize_t count = ::sendfile(socket->sock, descriptor, nullptr, want);
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      server->log(LOG_DEBUG, "send block!");
      return true;
    }
    if (count < 0) return abort_body();
    // A file that shrank while it was sent ends where it ends, as a read would.
    if (count == 0) break;
    server->log(LOG_DEBUG, "send block data size %u!", static_cast<unsigned>(count));
    body_left -= count;
  }
  file->close();
  file.reset();
  state = SESSION_FINISHED;
  return true;
}

bool http_session::send_body() {
  // A local file of known length goes from the file to the socket without passing through us.
  if (!send_buffer && file && body_left >= 0 && file->backend->descriptor() >= 0)
    return send_file_body(file->backend->descriptor());
  if (!send_buffer) {
    // A small file needs no more than its own size: many small answers at once stay small.
    buffer_size = body_left >= 0 && body_left < block_size ? static_cast<int>(body_left) : block_size;
    send_buffer = std::make_unique<char[]>(static_cast<size_t>(buffer_size));
    filled = sent = 0;
  }
  for (;;) {
    while (sent < filled) {
      const int count = socket->send(send_buffer.get() + sent, static_cast<size_t>(filled - sent));
      if (count < 0) {
        server->log(LOG_ERROR, "send block data failed!");
        return false;
      }
      if (count == 0) {
        server->log(LOG_DEBUG, "send block!");
        return true;
      }
      server->log(LOG_DEBUG, "send block data size %u!", static_cast<unsigned>(count));
      sent += count;
    }
    // A file that grew while it was sent still ends where its announced length does.
    const int want = body_left >= 0 && body_left < buffer_size ? static_cast<int>(body_left) : buffer_size;
    const int got = file && want > 0 ? file->read(send_buffer.get(), want) : 0;
    if (got < 0) return abort_body();
    if (got == 0) {
      if (file) file->close();
      file.reset();
      state = SESSION_FINISHED;
      return true;
    }
    filled = got;
    sent = 0;
    if (body_left >= 0) body_left -= got;
  }
}

bool http_session::handle_response() {
  if (state == SESSION_REQUEST_READ && response.empty() && response_sent == 0) build_response();
  if (state == SESSION_REQUEST_READ && !send_response()) return false;
  // The socket took the whole head: the body follows in the same turn while it takes more.
  if (state == SESSION_SENDING_BODY) return send_body();
  return true;
}

bool http_session::finish(int64_t drain_deadline_ms) {
  int unread = 0;
  if (::ioctl(socket->sock, FIONREAD, &unread) != 0 || unread <= 0) return true;
  ::shutdown(socket->sock, SHUT_WR);
  state = SESSION_DRAINING;
  deadline_ms = drain_deadline_ms;
  return false;
}

bool http_session::drain() {
  char scrap[4096];
  const int got = socket->receive(scrap, sizeof scrap, 0);
  return got <= 0;
}
