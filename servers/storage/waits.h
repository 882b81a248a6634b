#pragma once
// The bounds of the storage clients' network waits. A back end runs on the HTTP server's only
// worker, so a peer that stops answering holds up every client until one of these runs out.
#include <netinet/in.h>

#include <cstdint>

#include "config/net_socket.h"

namespace quarro {

// Making a TCP connection (the FTP control and data connections, the SFTP connection).
constexpr int connect_timeout_ms = 3000;
// Waiting for the next piece of a transfer or a listing, for each FTP reply and for each SFTP
// request.
constexpr int transfer_timeout_ms = 5000;

// Creates a TCP socket in `socket` and connects it to `address` within `timeout_ms`; on success
// the socket is connected (state 3, `address` as its remote address), blocking, with
// TCP_NODELAY. On failure the socket is closed.
bool connect_stream(net_socket& socket, const sockaddr_in& address, int timeout_ms);

// Waits up to `timeout_ms` until `fd` can be read (or has an error or hang-up to report):
// 1 ready, 0 time-out, negative on an error.
int wait_readable(int fd, int timeout_ms);

}  // namespace quarro
