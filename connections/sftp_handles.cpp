#include "connections/sftp_handles.h"

#include <memory>
#include <string_view>

#include "connections/local_files.h"

namespace {

// Every name and long entry fits: none is longer than the largest SFTP packet that libssh2
// takes. (libssh2 1.10 cannot read an entry again into a larger buffer: after "buffer too
// small" it has counted the entry as read without moving past it, and the last entry of that
// reply is lost.)
constexpr size_t largest_packet = 256 * 1024;

}  // namespace

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
  // Made once per thread; only the pages a name reaches are ever touched.
  static thread_local std::unique_ptr<char[]> name = std::make_unique_for_overwrite<char[]>(largest_packet);
  static thread_local std::unique_ptr<char[]> long_entry = std::make_unique_for_overwrite<char[]>(largest_packet);
  for (;;) {
    entry.attributes = {};
    long_entry[0] = '\0';
    int n = libssh2_sftp_readdir_ex(handle.get(), name.get(), largest_packet, long_entry.get(), largest_packet,
                                    &entry.attributes);
    if (n <= 0) return n;
    entry.name.assign(name.get(), static_cast<size_t>(n));
    entry.long_entry = long_entry.get();
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
