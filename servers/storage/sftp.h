#pragma once
// The back end for an "sftp" location: an SFTP client over libssh2 with a password log-in,
// given only to a server whose host key is trusted (the known_hosts rules of the SSH2
// connections: a new host's key is remembered, a changed key refuses the request, and so does a
// key of a type not known for the host). Unlike a session the user watches, a new key that
// cannot be remembered refuses the request too.
// size and list connect, work and disconnect; open connects and keeps the connection until
// close. Every libssh2 call is bounded by the session's time-out, and the TCP connection by
// connect_timeout_ms, so a silent server cannot hold the HTTP server for ever.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include "servers/storage/base.h"

namespace quarro {

class sftp : public base {
 public:
  // The most entries taken from one folder; a server that lists more is cut off there.
  static constexpr size_t listing_limit = 200000;

  sftp(const quarro::location& where, handle* owner);
  ~sftp() override;

  // Opens the location's path: for reading, or for writing (created when missing, mode 0644).
  bool open(bool write) override;
  bool close() override;
  int read(char* buffer, int size) override;
  int write(const char* data, int size) override;
  // The size of a regular file at the path; -1 for anything else or when it cannot be learned.
  int64_t size() override;
  // The folder's entries sorted by name in byte order, "." and ".." included; a name may be as
  // long as an SFTP packet holds.
  bool list(std::vector<entry>& entries) override;

 private:
  bool connect();
  void disconnect();

  int socket = -1;
  LIBSSH2_SESSION* session = nullptr;
  LIBSSH2_SFTP* channel = nullptr;
  LIBSSH2_SFTP_HANDLE* file = nullptr;
};

}  // namespace quarro
