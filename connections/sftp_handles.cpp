#include "connections/sftp_handles.h"

#include <string_view>

#include "connections/local_files.h"
#include "connections/sftp_folder_entry.h"

int sftp_handle::close() {
  if (!handle) return 0;
  int result = libssh2_sftp_close_handle(handle);
  handle = nullptr;
  return result;
}

entry_kind remote_entry::kind() const {
  if (attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) {
    unsigned long type = attributes.permissions & LIBSSH2_SFTP_S_IFMT;
    if (type == LIBSSH2_SFTP_S_IFDIR) return entry_kind::folder;
    if (type == LIBSSH2_SFTP_S_IFREG) return entry_kind::file;
    return entry_kind::other;
  }
  if (long_entry.empty()) return entry_kind::other;
  if (long_entry[0] == 'd') return entry_kind::folder;
  if (long_entry[0] == '-') return entry_kind::file;
  return entry_kind::other;
}

bool remote_entry::is_foreign_name() const {
  return name.find_first_of(std::string_view("/\0", 2)) != std::string::npos;
}

remote_folder::remote_folder(LIBSSH2_SFTP* sftp, const std::string& path)
    : handle(libssh2_sftp_open_ex(sftp, path.data(), length_of(path), 0, 0, LIBSSH2_SFTP_OPENDIR)) {}

int remote_folder::next(remote_entry& entry) {
  if (!handle) return LIBSSH2_ERROR_BAD_USE;
  for (;;) {
    const int got = read_folder_entry(handle.get(), entry.name, entry.long_entry, entry.attributes);
    if (got <= 0) return got;
    if (!entry.is_foreign_name()) return 1;
  }
}

int remote_lstat(LIBSSH2_SFTP* sftp, const std::string& path, LIBSSH2_SFTP_ATTRIBUTES& attributes) {
  return libssh2_sftp_stat_ex(sftp, path.data(), length_of(path), LIBSSH2_SFTP_LSTAT, &attributes);
}

int remote_presence(LIBSSH2_SFTP* sftp, const std::string& path) {
  LIBSSH2_SFTP_ATTRIBUTES attributes{};
  int result = remote_lstat(sftp, without_trailing_slashes(path), attributes);
  if (result == 0) return 1;
  if (result == LIBSSH2_ERROR_SFTP_PROTOCOL && libssh2_sftp_last_error(sftp) == LIBSSH2_FX_NO_SUCH_FILE) return 0;
  return -1;
}
