#pragma once
// The back end for an "ftp" location: a small FTP client that logs in with the location's user
// name and password (or anonymously), learns a file's size, lists a folder and reads or writes
// one file over a passive-mode data connection. `size` and `list` each open a control
// connection and log in; the transfer after a size step goes over the session that step logged
// in to, so a file costs one log-in. Nothing is kept between requests.
//
// The data connection goes to the control connection's peer, whatever address the PASV reply
// names (a server must not be able to send us to a third host), and every wait is bounded: each
// reply and each piece of data may take transfer_timeout_ms.
#include <string>
#include <string_view>

#include "config/net_socket.h"
#include "servers/storage/base.h"

namespace quarro {

enum ftp_error : uint32_t {
  FTP_LOGIN_FAILED = 0x1000000,
  FTP_TRANSFER_START_FAILED = 0x1000004,
  FTP_DATA_FAILED = 0x1000005,
  FTP_CWD_FAILED = 0x1000006,
  FTP_SIZE_FAILED = 0x1000007,
};

class ftp : public base {
 public:
  enum command_kind : int32_t { USER, PASS, PASV, LIST, RETR, STOR, CWD, PWD, TYPE, SIZE };

  // The password of an anonymous log-in (a location without a user name).
  static constexpr const char* anonymous_password = "plumvane";
  // The longest reply line taken from a server; a longer one fails the reply.
  static constexpr size_t reply_line_limit = 4096;
  // The longest folder listing taken from a server; a longer one fails the listing.
  static constexpr size_t listing_limit = 32 * 1024 * 1024;

  ftp(const quarro::location& where, handle* owner);
  ~ftp() override;

  // Logs in (unless the size step left a session logged in), opens the data connection and
  // starts "RETR" (or "STOR") of the location's path.
  bool open(bool write) override;
  // Closes the data connection, then the control connection. No "QUIT" is sent.
  bool close() override;
  // The next bytes of the data connection; at its end the transfer's final reply must be 2xx.
  int read(char* buffer, int size) override;
  int write(const char* data, int size) override;
  // Logs in, then "CWD" to the file's folder, "TYPE I" and "SIZE" of the file, both by their
  // absolute paths; the session stays for `open`. A size that does not fit a signed 64-bit
  // number fails, and a failed size step ends the session.
  int64_t size() override;
  // "LIST" of the location's path, one entry per listing line that parses.
  bool list(std::vector<entry>& entries) override;

  // One line of a "LIST" answer, DOS form ("01-31-21  01:05PM  <DIR>  docs") or Unix form
  // ("-rw-r--r-- 1 ftp ftp 1234 Jan 01 10:00 a.txt"). False for a line that does not parse: a
  // date field out of its range, or a size that does not fit a signed 64-bit number.
  static bool parse_listing_line(std::string_view line, entry& out);

  // Reads one reply from `control`: 1 a final reply (code, and its last line with its CR LF in
  // `text` when given), 0 time-out or a closed connection, negative on a receive error, a line
  // without a number or a line longer than reply_line_limit. Lines of a multi-line reply
  // before the final one are dropped. Public for the reply-reader tests.
  int read_reply(uint32_t& code, std::string* text, int timeout_ms);

  net_socket control;
  net_socket data;
  bool ready = false;          // the last final reply had a code from 200 to 399
  std::string reply_buffer;    // control bytes not yet taken as reply lines

 private:
  // Connects and logs in: "USER", then "PASS" when the reply is 331 (230 is logged in already).
  bool connect();
  int64_t size_exchange();
  bool listing(const std::string& path, std::vector<entry>& entries);
  bool open_data();

  // Sends "<word>[ <argument>]\r\n"; while `ready` is clear it first reads one reply (the
  // greeting, or the final reply of a transfer) and fails unless that sets `ready`.
  bool send_command(command_kind kind, const char* argument);
  // send_command, then one reply; false when either fails.
  bool exchange(command_kind kind, const char* argument, uint32_t& code, std::string* text = nullptr);
  // A 2xx reply.
  bool command_ok(command_kind kind, const char* argument);
  // A 1xx reply.
  bool command_started(command_kind kind, const char* argument);

  bool logged_in = false;      // the control connection holds a logged-in session
};

}  // namespace quarro
