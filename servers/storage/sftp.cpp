#include "servers/storage/sftp.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "config/net_socket.h"
#include "connections/host_key_check.h"
#include "connections/sftp_folder_entry.h"
#include "servers/storage/waits.h"

namespace quarro {

namespace {

void init_libssh2_once() {
  static std::once_flag once;
  std::call_once(once, [] { libssh2_init(0); });
}

bool name_before(const entry& a, const entry& b) {
  return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                      [](char x, char y) {
                                        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
                                      });
}

}  // namespace

sftp::sftp(const quarro::location& where, handle* owner) : base(where, owner) { init_libssh2_once(); }

sftp::~sftp() { disconnect(); }

bool sftp::connect() {
  disconnect();
  const auto address = resolve_address(false, location.host.c_str(), location.port);
  net_socket tcp;
  if (!address || !connect_stream(tcp, *address, connect_timeout_ms)) return false;
  socket = tcp.sock;
  tcp.sock = -1;  // the descriptor is ours now; libssh2 works on it directly

  session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
  if (!session) {
    disconnect();
    return false;
  }
  libssh2_session_set_blocking(session, 1);
  libssh2_session_set_timeout(session, transfer_timeout_ms);
  prefer_known_host_keys(session, location.host, location.port);
  if (libssh2_session_handshake(session, socket) != 0) {
    disconnect();
    return false;
  }
  // The password goes only to a server whose key we trust, as the explorer's connection does;
  // and, as no one watches this session, only to one whose key is remembered, so that the next
  // request cannot be taken in by another key.
  std::string reason;
  const host_key_verdict verdict = check_host_key(session, location.host, location.port, reason);
  if (!host_key_trusted(verdict, false)) {
    if (verdict == host_key_verdict::unremembered) reason += "; refusing to connect";
    refuse(std::move(reason));
    disconnect();
    return false;
  }
  const bool ready =
      libssh2_userauth_password_ex(session, location.username.c_str(),
                                   static_cast<unsigned>(location.username.size()), location.password.c_str(),
                                   static_cast<unsigned>(location.password.size()), nullptr) == 0 &&
      (channel = libssh2_sftp_init(session)) != nullptr;
  if (!ready) disconnect();
  return ready;
}

void sftp::disconnect() {
  if (file) libssh2_sftp_close_handle(file);
  file = nullptr;
  if (channel) libssh2_sftp_shutdown(channel);
  channel = nullptr;
  if (session) libssh2_session_free(session);
  session = nullptr;
  if (socket >= 0) ::close(socket);
  socket = -1;
}

bool sftp::open(bool write) {
  if (!connect()) return false;
  const unsigned long flags = write ? (LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT) : LIBSSH2_FXF_READ;
  file = libssh2_sftp_open_ex(channel, location.path.c_str(), static_cast<unsigned>(location.path.size()), flags,
                              write ? 0644 : 0, LIBSSH2_SFTP_OPENFILE);
  if (!file) disconnect();
  return file != nullptr;
}

bool sftp::close() {
  disconnect();
  return true;
}

int sftp::read(char* buffer, int size) {
  if (!file || size < 0) return -1;
  return static_cast<int>(libssh2_sftp_read(file, buffer, static_cast<size_t>(size)));
}

int sftp::write(const char* data, int size) {
  if (!file || size < 0) return -1;
  return static_cast<int>(libssh2_sftp_write(file, data, static_cast<size_t>(size)));
}

int64_t sftp::size() {
  if (!connect()) return -1;
  LIBSSH2_SFTP_ATTRIBUTES attributes{};
  int64_t result = -1;
  if (libssh2_sftp_stat_ex(channel, location.path.c_str(), static_cast<unsigned>(location.path.size()),
                           LIBSSH2_SFTP_STAT, &attributes) == 0 &&
      (attributes.flags & LIBSSH2_SFTP_ATTR_SIZE)) {
    // Only a regular file has contents to serve; a folder's "size" is not one.
    const bool regular = !(attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) ||
                         LIBSSH2_SFTP_S_ISREG(attributes.permissions);
    if (regular) result = static_cast<int64_t>(attributes.filesize);
  }
  disconnect();
  return result;
}

bool sftp::list(std::vector<entry>& entries) {
  if (!connect()) return false;
  LIBSSH2_SFTP_HANDLE* folder = libssh2_sftp_open_ex(channel, location.path.c_str(),
                                                     static_cast<unsigned>(location.path.size()), 0, 0,
                                                     LIBSSH2_SFTP_OPENDIR);
  if (!folder) {
    disconnect();
    return false;
  }
  std::vector<entry> listed;
  while (listed.size() < listing_limit) {
    entry item;
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    if (read_folder_entry(folder, item.name, item.line, attributes) <= 0) break;
    item.size = (attributes.flags & LIBSSH2_SFTP_ATTR_SIZE) ? static_cast<int64_t>(attributes.filesize) : 0;
    item.mtime = (attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) ? static_cast<int64_t>(attributes.mtime) : 0;
    item.folder = item.line.starts_with('d');
    listed.push_back(std::move(item));
  }
  // Sorted once, when all are in; the server's order is kept among equal names.
  std::stable_sort(listed.begin(), listed.end(), name_before);
  libssh2_sftp_close_handle(folder);
  entries = std::move(listed);
  disconnect();
  return true;
}

}  // namespace quarro
