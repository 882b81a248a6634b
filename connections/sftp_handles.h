#pragma once
// Remote files and folders of an SFTP session: handles that close themselves, and a folder
// reader that judges each entry without following links.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <string>

#include "connections/file_entry.h"

// A path's length as libssh2's calls take it.
inline unsigned length_of(const std::string& path) { return static_cast<unsigned>(path.size()); }

// One open remote file or folder; closed when it goes unless closed before.
class sftp_handle {
 public:
  sftp_handle() = default;
  explicit sftp_handle(LIBSSH2_SFTP_HANDLE* handle) : handle(handle) {}
  ~sftp_handle() { close(); }
  sftp_handle(const sftp_handle&) = delete;
  sftp_handle& operator=(const sftp_handle&) = delete;

  LIBSSH2_SFTP_HANDLE* get() const { return handle; }
  explicit operator bool() const { return handle != nullptr; }
  // libssh2's result of closing (0 when it was not open).
  int close();

 private:
  LIBSSH2_SFTP_HANDLE* handle = nullptr;
};

// One entry of a remote folder as the server sends it.
struct remote_entry {
  std::string name;
  std::string long_entry;
  LIBSSH2_SFTP_ATTRIBUTES attributes{};

  // By the permission bits when the server sent them, else by the long entry's first letter.
  entry_kind kind() const;
  bool is_dot_or_dot_dot() const { return name == "." || name == ".."; }
  // Holding a '/' or a NUL: no folder holds such a name, and a walk that joined it to
  // its path would reach outside the folder (a hostile server's "../../.bashrc").
  bool is_foreign_name() const;
};

class remote_folder {
 public:
  remote_folder(LIBSSH2_SFTP* sftp, const std::string& path);
  bool is_open() const { return static_cast<bool>(handle); }
  // 1 an entry, 0 the end, negative libssh2's error. Entries with a foreign name are passed over.
  int next(remote_entry& entry);

 private:
  sftp_handle handle;
};

// libssh2's result of lstat on the path (0 when something is there).
int remote_lstat(LIBSSH2_SFTP* sftp, const std::string& path, LIBSSH2_SFTP_ATTRIBUTES& attributes);
// Whether anything is at the path (trailing '/' ignored): 1 yes, 0 no, -1 the server could not
// say (the connection failed, or the path is not reachable).
int remote_presence(LIBSSH2_SFTP* sftp, const std::string& path);
