#pragma once
// The SSH2 connection over libssh2: password login (asking the user for what the record lacks),
// the server's host key checked against the known_hosts files first; in terminal mode a shell on
// a pseudo-terminal of the session's terminal type, in explorer mode the remote home folder and
// an SFTP session.
//
// The handshake and each step of the login give up after `login_step_timeout_ms`; the session
// then ends, and standard error says why.
//
// A call that times out (explorer mode) leaves libssh2 waiting for its reply, which may still
// come and would be taken as the reply to the next call of the same kind; a call that fails for
// any other reason than the server's refusal (the connection dropped, a reply larger than
// libssh2 takes) leaves a session that cannot go on. From then on the session is not trusted:
// its socket is shut at once (so no later call of the request reads anything), the request fails
// with the reason ("timed out; reconnecting", "the connection was lost; reconnecting"), the
// session is closed, and the next request connects again.
//
// An upload that did not arrive whole leaves no file: its partial copy is removed at once, or,
// when the session broke or timed out before it could be, the session is given up in the same
// way and the next session removes it as soon as it is up, but only while it is still the file
// the upload left (see partial_upload.h); a file that took its place is left, and the next
// request's result says so. A stop while an upload runs lets the upload remove its partial file
// first (within `clean_up_grace`); what could not be removed then is said on standard error.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/connection_params.h"
#include "connections/partial_upload.h"
#include "connections/protocol.h"
#include "connections/socket_slot.h"

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;
typedef struct _LIBSSH2_CHANNEL LIBSSH2_CHANNEL;
typedef struct _LIBSSH2_SFTP LIBSSH2_SFTP;
class transfer_session;
struct upload_extent;

class ssh2 : public protocol {
 public:
  // Every blocking call of an explorer session gives up after this long.
  static constexpr long explorer_timeout_ms = 3000;
  // The handshake and each login step (each password tried; in terminal mode each step of
  // starting the shell) give up after this long.
  static constexpr long login_step_timeout_ms = 30000;
  // Bytes moved per SFTP read or write call of a transfer; libssh2 splits a call into many
  // requests that are in flight together.
  static constexpr size_t transfer_block = 1024 * 1024;

  ssh2(std::string_view uuid, ssh2_param param);
  ~ssh2() override;

  std::u16string display_name() const override;
  // Worker thread, or while no worker runs: the login writes the user name and password.
  int get_params(connection_params& out) const override;

  bool open(const platform::worker_control& run) override;
  int close() override;
  int run_request(std::u16string& error_text, const platform::worker_control& run) override;
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
  // While an upload runs.
  bool needs_clean_up() const override { return uploading.load(); }

 private:
  // Connects, logs in and starts the shell or the SFTP session; closed again when it fails.
  bool establish(const platform::worker_control& run);
  // The next request after a time-out: a new session in place of the closed one.
  bool reconnect(const platform::worker_control& run);
  bool connect_socket(const platform::worker_control& run);
  bool log_in(const platform::worker_control& run);
  LIBSSH2_CHANNEL* open_session_channel();
  bool start_shell(const platform::worker_control& run);
  bool start_sftp();
  void ask_home_folder();

  // False once a call of this session timed out or broke it (see above); the socket is shut
  // then. Called after each call that may have failed so and before each call that could take
  // a late reply.
  bool trusted();
  // The session is not used again, as after a time-out: the request ends and the next one
  // connects again.
  void abandon_session();
  // Right after a new SFTP session is up, before anything else: the partial uploads an earlier
  // session left.
  void remove_leftovers();
  // One of them, while it is still the upload's.
  void remove_leftover(const partial_upload& item);
  // A line for standard error that the next request's result carries to the view as well.
  void note(const std::string& line);
  // The object goes: which partial uploads stay, on standard error.
  void leave_leftovers();
  // libssh2's last error, with the SFTP status when the server refused; once the session is not
  // trusted, why (see above).
  std::string call_error();
  // "<what><path> (<code>)", or "<what><path>: <why the session is not trusted>".
  std::u16string failure_text(const char* what, const std::string& path, long code);
  // "Failed to list the folder (<SFTP status>)", or "...: <why the session is not trusted>".
  std::u16string list_failure_text();
  // Writes to standard error why a step of connecting failed, unless the session is being
  // stopped: "<step> with <host> failed: <libssh2's reason>".
  void say_connect_failure(const char* step, const platform::worker_control& run);
  int run_file_request(int32_t kind, const file_request_argument& argument, std::u16string& error_text,
                       const platform::worker_control& run);

  // The file requests (explorer mode), each on the worker thread with the SFTP session open.
  int list_folder(const std::string& folder, std::u16string& error_text);
  int delete_files(const std::vector<std::string>& paths, std::u16string& error_text);
  int modify_entry(const modify_request& change, std::u16string& error_text);
  int make_folder(const make_folder_request& folder, std::u16string& error_text);
  // Uploads (local sources, remote target folder) or downloads (the other way round). A
  // download fails when a file failed while being copied (its partial copy is removed), with the
  // first such file and why in the error text.
  int copy_files(const transfer_request& transfer, bool download, std::u16string& error_text,
                 const platform::worker_control& run);
  // Removes a file, or a folder with everything below it; a failure leaves its code and path.
  void remove_path(const std::string& path, int& code, std::string& failing_path);
  void remote_size(const std::string& path, transfer_session& transfer);
  void upload_item(const std::string& source, std::string& remote_base, transfer_session& transfer);
  // `mode`: the permission bits the copy is made with (the umask applies).
  void download_item(const std::string& source, std::string& local_base, transfer_session& transfer,
                     unsigned mode);
  void upload_file(const std::string& source, const std::string& target, transfer_session& transfer);
  // Reads the server's clock from the file the session has just made, when it is not known yet.
  void learn_server_clock(LIBSSH2_SFTP_HANDLE* made, server_clock::time_point sent,
                          server_clock::time_point answered);
  // What an upload of `target`, opened at `opened`, that got as far as `extent` may leave.
  partial_upload partial_upload_of(const std::string& target, const upload_extent& extent,
                                   server_clock::time_point opened) const;
  // Removes what a failed or cancelled upload left, or keeps it for the next session (not when
  // the session is ending); true when it was removed. `said` tells which.
  bool remove_partial_upload(const partial_upload& upload, bool session_ending, std::string& said);
  // The entries of a remote folder whose copy was made, into that copy.
  void download_folder(const std::string& source, std::string& local_base, transfer_session& transfer);
  void download_file(const std::string& source, const std::string& target, transfer_session& transfer,
                     unsigned mode);

  socket_slot socket;
  LIBSSH2_SESSION* session = nullptr;
  LIBSSH2_CHANNEL* channel = nullptr;
  LIBSSH2_SFTP* sftp = nullptr;
  int32_t last_rows = -1;
  int32_t last_columns = -1;
  // Why the session is not trusted (see above); empty while it is.
  std::string broken;
  // The buffer of a transfer (one block of a download, the sliding window of an upload), made at
  // the first transfer.
  std::vector<char> transfer_buffer;
  // The partial uploads a broken session could not remove. Kept while the object lives, so a
  // reconnect and a restart both work them off.
  std::vector<partial_upload> leftovers;
  // Read from the first file this session made; forgotten when it closes.
  std::optional<server_clock> server_time;
  // True while an upload request runs (read by the stopping thread).
  std::atomic<bool> uploading{false};
  // What the next request's result carries besides its own outcome (see note()).
  std::string notes;
};
