// The clean-up of SFTP uploads that did not arrive whole: the partial file is removed at once
// while the session holds; one that a broken session left is removed by the next session as
// soon as it is up, but only while it is still the file the upload left (partial_upload.h).
// Whatever is left is said on standard error, and what the next session found is carried to the
// view with the next request's result.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "connections/sftp_handles.h"
#include "connections/sftp_upload.h"
#include "connections/ssh2.h"

void ssh2::learn_server_clock(LIBSSH2_SFTP_HANDLE* made, server_clock::time_point sent,
                              server_clock::time_point answered) {
  if (server_time) return;
  LIBSSH2_SFTP_ATTRIBUTES attributes{};
  if (libssh2_sftp_fstat_ex(made, &attributes, 0) == 0 && (attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME))
    server_time.emplace(attributes.mtime, sent, answered);
}

partial_upload ssh2::partial_upload_of(const std::string& target, const upload_extent& extent,
                                       server_clock::time_point opened) const {
  partial_upload upload{target, extent.acknowledged, extent.handed_over};
  if (server_time) {
    upload.times_known = true;
    upload.made_after = server_time->earliest(opened);
    upload.written_before = server_time->latest(std::chrono::steady_clock::now());
  }
  return upload;
}

bool ssh2::remove_partial_upload(const partial_upload& upload, bool session_ending, std::string& said) {
  const std::string& target = upload.path;
  if (trusted()) {
    int result = libssh2_sftp_unlink_ex(sftp, target.data(), length_of(target));
    if (result == 0) {
      said = "the partial file " + target + " was removed";
      return true;
    }
    // The server refused: trying again later would not help.
    if (result == LIBSSH2_ERROR_SFTP_PROTOCOL) {
      said = "the partial file " + target + " could not be removed: " + call_error();
      return false;
    }
  }
  // The session broke or timed out: it is given up, and the next one removes the file, unless
  // no next one comes.
  abandon_session();
  if (session_ending) {
    said = "the partial file " + target + " was left: the session ended before it could be removed";
    return false;
  }
  leftovers.push_back(upload);
  said = "the partial file " + target + " is removed when the connection is back, unless another file took its place";
  return false;
}

void ssh2::remove_leftovers() {
  std::vector<partial_upload> waiting = std::exchange(leftovers, {});
  for (const partial_upload& item : waiting) {
    if (trusted()) remove_leftover(item);
    // After a time-out what is left waits for the session after this one.
    if (!trusted()) leftovers.push_back(item);
  }
}

void ssh2::remove_leftover(const partial_upload& item) {
  LIBSSH2_SFTP_ATTRIBUTES attributes{};
  if (remote_lstat(sftp, item.path, attributes) != 0) {
    // Nothing there any more.
    if (!trusted() || libssh2_sftp_last_error(sftp) == LIBSSH2_FX_NO_SUCH_FILE) return;
    note("The partial file " + item.path + " was left: it cannot be looked at: " + call_error());
    return;
  }
  std::string why = why_not_the_upload(item, attributes);
  if (!why.empty()) {
    note("The partial file " + item.path + " was left alone: " + why);
    return;
  }
  if (libssh2_sftp_unlink_ex(sftp, item.path.data(), length_of(item.path)) != 0 && trusted())
    note("The partial file " + item.path + " could not be removed: " + call_error());
}

void ssh2::note(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  if (!notes.empty()) notes += "\n";
  notes += line;
}

void ssh2::leave_leftovers() {
  for (const partial_upload& item : std::exchange(leftovers, {}))
    std::fprintf(stderr, "The partial file %s was left: the session ended before the connection was back\n",
                 item.path.c_str());
}
