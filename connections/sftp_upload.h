#pragma once
// Writing a local file's bytes into an open remote file while keeping the link busy.
//
// libssh2 splits what one write call is given into SFTP requests that are all sent, and returns
// as soon as the first is acknowledged, with the bytes it acknowledged; the next call must pass
// the rest again (libssh2 knows it has sent them) and may append more. So the bytes not yet
// acknowledged stay in a sliding buffer, and new ones are read in behind them while the
// acknowledgements arrive: the requests in flight never drain to nothing between blocks, which
// on a long round trip is what the speed of an upload depends on.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// At most this many bytes are handed to libssh2 ahead of the acknowledgements: a server's usual
// channel window (2 MiB for OpenSSH), what OpenSSH's own client keeps in flight. More gained
// nothing measurable on long links, and at the start of a session's first upload a server that
// is slow to read then had so much queued at its socket that segments were dropped and each
// retransmission waited its time-out.
constexpr size_t upload_ahead = 2 << 20;

// How far a copy into a remote file got: the bytes the server acknowledged, and the most that
// were handed to libssh2 (what the file can hold at most, when the copy did not end whole).
struct upload_extent {
  uint64_t acknowledged = 0;
  uint64_t handed_over = 0;
};

// Writes what `local` holds from its offset to its end into `remote`, using `buffer` (grown as
// needed, kept for the next file). Before each write `go_on` is told the bytes the server took
// with the previous one (0 at first) and answers whether to go on; after a stop the bytes already
// handed over are still seen through, so the session stays in step. Empty when every byte was
// taken or the copy was stopped; else why not, with `server_error` saying what the server or
// the session reported. `extent` counts from 0 how far it got.
std::string write_to_remote(LIBSSH2_SFTP_HANDLE* remote, int local, std::vector<char>& buffer,
                            const std::function<bool(uint64_t taken)>& go_on,
                            const std::function<std::string()>& server_error, upload_extent& extent);
