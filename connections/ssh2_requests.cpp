// The explorer's file requests on an SSH2 connection's SFTP session: the dispatch, listing a
// folder, deleting, renaming and changing modes, and making folders. Transfers are in
// ssh2_transfer.cpp.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "config/text_convert.h"
#include "connections/local_files.h"
#include "connections/sftp_handles.h"
#include "connections/ssh2.h"

int ssh2::run_request(std::u16string& error_text, const platform::worker_control& run) {
  error_text.clear();
  // After a time-out or a failure that broke the session it was closed: this request connects
  // again.
  if (!sftp && !reconnect(run)) {
    error_text = u"Failed to reconnect";
    return 0;
  }
  auto [kind, argument] = request.running_request();
  int success = run_file_request(kind, argument, error_text, run);
  // What this session (or the one before, while it opened) noted goes with this result.
  if (!notes.empty()) request.store_note(mbs_to_wstring(std::exchange(notes, {})));
  if (trusted()) return success;
  close();
  if (error_text.empty())
    error_text = kind == request_list_folder ? list_failure_text() : mbs_to_wstring("The request failed: " + broken);
  return 0;
}

int ssh2::run_file_request(int32_t kind, const file_request_argument& argument, std::u16string& error_text,
                           const platform::worker_control& run) {
  switch (kind) {
    case request_list_folder:
      if (auto* folder = std::get_if<std::string>(&argument)) return list_folder(*folder, error_text);
      break;
    case request_download:
    case request_upload:
      if (auto* transfer = std::get_if<transfer_request>(&argument))
        return copy_files(*transfer, kind == request_download, error_text, run);
      break;
    case request_delete_files:
      if (auto* paths = std::get_if<std::vector<std::string>>(&argument)) return delete_files(*paths, error_text);
      break;
    case request_modify_entry:
      if (auto* change = std::get_if<modify_request>(&argument)) return modify_entry(*change, error_text);
      break;
    case request_make_folder:
      if (auto* folder = std::get_if<make_folder_request>(&argument)) return make_folder(*folder, error_text);
      break;
    default:
      break;
  }
  return 0;
}

std::string ssh2::call_error() {
  if (!trusted()) return broken;
  char* message = nullptr;
  int code = libssh2_session_last_error(session, &message, nullptr, 0);
  std::string text = message ? message : "unknown error";
  if (code == LIBSSH2_ERROR_SFTP_PROTOCOL) text += " (status " + std::to_string(libssh2_sftp_last_error(sftp)) + ")";
  return text;
}

// The path's bytes kept through the lossless codec.
std::u16string ssh2::failure_text(const char* what, const std::string& path, long code) {
  std::string tail = trusted() ? " (" + std::to_string(code) + ")" : ": " + broken;
  return mbs_to_wstring(what) + mbs_to_wstring(path) + mbs_to_wstring(tail);
}

std::u16string ssh2::list_failure_text() {
  if (!trusted()) return mbs_to_wstring("Failed to list the folder: " + broken);
  return mbs_to_wstring("Failed to list the folder (" + std::to_string(libssh2_sftp_last_error(sftp)) + ")");
}

int ssh2::list_folder(const std::string& folder, std::u16string& error_text) {
  remote_folder reader(sftp, folder);
  if (!reader.is_open()) {
    error_text = list_failure_text();
    return 0;
  }
  std::vector<std::unique_ptr<file_entry>> listing;
  remote_entry entry;
  bool any_entry = false;
  int got = 0;
  while ((got = reader.next(entry)) > 0) {
    any_entry = true;
    if (entry.name == ".") continue;
    auto row = std::make_unique<file_entry>();
    row->name = std::move(entry.name);
    if (entry.attributes.flags & LIBSSH2_SFTP_ATTR_SIZE) row->size = entry.attributes.filesize;
    if (entry.attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) {
      row->atime = static_cast<uint32_t>(entry.attributes.atime);
      row->mtime = static_cast<uint32_t>(entry.attributes.mtime);
    }
    read_long_entry(entry.long_entry, *row);
    listing.push_back(std::move(row));
  }
  // A listing that did not reach the folder's end is never shown as the whole folder.
  if (got < 0) {
    error_text = list_failure_text();
    return 0;
  }
  // A folder that may be read but not searched opens, yet the server can look up none of its
  // entries (not even "." and "..") and sends none: whether the folder can be searched tells an
  // empty listing from a refused one.
  LIBSSH2_SFTP_ATTRIBUTES attributes{};
  if (!any_entry && remote_lstat(sftp, join_path(folder, "."), attributes) != 0) {
    error_text = list_failure_text();
    return 0;
  }
  request.store_listing(std::move(listing));
  return 1;
}

int ssh2::delete_files(const std::vector<std::string>& paths, std::u16string& error_text) {
  for (const std::string& path : paths) {
    int code = 0;
    std::string failing_path;
    remove_path(path, code, failing_path);
    if (code != 0) {
      error_text = failure_text("Failed delete ", failing_path, code);
      return 0;
    }
  }
  return 1;
}

void ssh2::remove_path(const std::string& path, int& code, std::string& failing_path) {
  // After a time-out nothing more is tried; the path is where it stopped.
  if (!trusted()) {
    if (code == 0) {
      code = LIBSSH2_ERROR_TIMEOUT;
      failing_path = path;
    }
    return;
  }
  if (path.empty() || path.back() != '/') {
    int result = libssh2_sftp_unlink_ex(sftp, path.data(), length_of(path));
    if (result != 0) {
      code = result;
      failing_path = path;
    }
    return;
  }
  std::vector<std::string> names;
  {
    remote_folder reader(sftp, path);
    if (!reader.is_open()) {
      // Nothing below it can be removed, so neither can the folder.
      code = libssh2_session_last_errno(session);
      if (code == 0) code = LIBSSH2_ERROR_SFTP_PROTOCOL;
      failing_path = path;
      return;
    }
    remote_entry entry;
    while (reader.next(entry) > 0) {
      if (entry.is_dot_or_dot_dot()) continue;
      // A link is removed itself, never followed.
      names.push_back(entry.kind() == entry_kind::folder ? entry.name + "/" : entry.name);
    }
  }
  for (const std::string& name : names) remove_path(path + name, code, failing_path);
  if (!trusted()) return;
  std::string bare = without_trailing_slashes(path);
  int result = libssh2_sftp_rmdir_ex(sftp, bare.data(), length_of(bare));
  if (result != 0) {
    code = result;
    failing_path = path;
  }
}

int ssh2::modify_entry(const modify_request& change, std::u16string& error_text) {
  int success = 1;
  if (change.path != change.new_path) {
    int result = libssh2_sftp_rename_ex(sftp, change.path.data(), length_of(change.path), change.new_path.data(),
                                        length_of(change.new_path),
                                        LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC |
                                            LIBSSH2_SFTP_RENAME_NATIVE);
    if (result != 0) {
      error_text = failure_text("Failed rename ", change.path, result);
      success = 0;
    }
  }
  if (change.mode != -1 && trusted()) {
    // After a refused rename the entry is still at its old name; what is at the new name is
    // another file and keeps its mode.
    const std::string& target = success ? change.new_path : change.path;
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    attributes.flags = LIBSSH2_SFTP_ATTR_PERMISSIONS;
    attributes.permissions = static_cast<unsigned long>(change.mode);
    int result = libssh2_sftp_stat_ex(sftp, target.data(), length_of(target), LIBSSH2_SFTP_SETSTAT, &attributes);
    // A mode the server refused is a failure too, unless the rename already said so.
    if (result != 0 && success) {
      error_text = failure_text("Failed chmod ", target, result);
      success = 0;
    }
  }
  return success;
}

int ssh2::make_folder(const make_folder_request& folder, std::u16string& error_text) {
  int result = libssh2_sftp_mkdir_ex(sftp, folder.path.data(), length_of(folder.path), folder.mode);
  if (result == 0) return 1;
  error_text = failure_text("Failed mkdir ", folder.path, result);
  return 0;
}
