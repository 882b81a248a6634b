#pragma once
// The SSH2 connection over libssh2: password login (asking the user for what the record lacks),
// the server's host key checked against the known_hosts files first; in terminal mode a shell on
// a pseudo-terminal of the session's terminal type, in explorer mode the remote home folder and
// an SFTP session.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/connection_params.h"
#include "connections/protocol.h"
#include "connections/socket_slot.h"

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;
typedef struct _LIBSSH2_CHANNEL LIBSSH2_CHANNEL;
typedef struct _LIBSSH2_SFTP LIBSSH2_SFTP;

class ssh2 : public protocol {
 public:
  // Every blocking call of an explorer session gives up after this long.
  static constexpr long explorer_timeout_ms = 3000;

  ssh2(std::string_view uuid, ssh2_param param);
  ~ssh2() override;

  std::u16string display_name() const override;
  // Worker thread, or while no worker runs: the login writes the user name and password.
  int get_params(connection_params& out) const override;

  bool open(const platform::worker_control& run) override;
  int close() override;
  int run_request(std::u16string& error_text) override;
  int read(char* buffer, int capacity) override;
  int write(const char* data, int length) override;
  int set_size(terminal_size size) override;
  wait_target input_wait() const override;

  // The record's block; the login questions' answers are kept here, so a password given once
  // is not asked again while the object lives.
  ssh2_param param;
  // Explorer mode: the first line "pwd" printed.
  std::string home_folder;

 protected:
  void interrupt() override;

 private:
  bool connect_socket(const platform::worker_control& run);
  bool log_in(const platform::worker_control& run);
  LIBSSH2_CHANNEL* open_session_channel();
  bool start_shell();
  bool start_sftp();
  void ask_home_folder();

  socket_slot socket;
  LIBSSH2_SESSION* session = nullptr;
  LIBSSH2_CHANNEL* channel = nullptr;
  LIBSSH2_SFTP* sftp = nullptr;
  int32_t last_rows = -1;
  int32_t last_columns = -1;
};
