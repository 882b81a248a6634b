#pragma once
// What an SFTP upload that could not be finished may have left at the server, and the rule that
// tells whether the file at its name later is still that one, so that cleaning up never removes
// a file another client put there meanwhile.
//
// The upload knows how far it got: the server acknowledged writing `acknowledged` bytes, and no
// more than `handed_over` were sent, so the file it left holds at least the one and at most the
// other (the server writes the requests in order). The file was made when the upload opened it
// and last written when the session broke; on the server's clock (whole seconds, as SFTP gives
// them) both moments are known within a second or two through `server_clock`, which a file the
// session has just made calibrates. A file of another size, or one whose modification time lies
// outside that span (made before, or written after), is not the upload's.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <chrono>
#include <cstdint>
#include <string>

// The server's wall clock, in whole seconds, as seen from our steady clock.
class server_clock {
 public:
  using time_point = std::chrono::steady_clock::time_point;

  // A file made by a request sent at `sent` and answered at `answered` has the modification
  // time `mtime` (nothing was written to it since).
  server_clock(uint64_t mtime, time_point sent, time_point answered);

  // The server's time at `at` is no earlier than this...
  uint64_t earliest(time_point at) const;
  // ...and no later than this.
  uint64_t latest(time_point at) const;

 private:
  uint64_t mtime;
  time_point sent;
  time_point answered;
};

struct partial_upload {
  std::string path;
  uint64_t acknowledged = 0;
  uint64_t handed_over = 0;
  // The span the file's modification time lies in while it is the upload's; unknown when the
  // session broke before its clock could be read.
  bool times_known = false;
  uint64_t made_after = 0;
  uint64_t written_before = 0;
};

// Empty when `found` (lstat of the path now) is still the file the upload left; else why not.
std::string why_not_the_upload(const partial_upload& upload, const LIBSSH2_SFTP_ATTRIBUTES& found);
