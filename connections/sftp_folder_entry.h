#pragma once
// Reading the next entry of an open remote folder through libssh2, whatever the length of its
// name and long entry. The SFTP explorer and the HTTP server's SFTP storage share it, so it is
// all in this header.
#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cstddef>
#include <memory>
#include <string>

// Every name and long entry fits: none is longer than the largest SFTP packet that libssh2
// takes. (libssh2 1.10 cannot read an entry again into a larger buffer: after "buffer too
// small" it has counted the entry as read without moving past it, and the last entry of that
// reply is lost.)
inline constexpr size_t sftp_largest_packet = 256 * 1024;

// 1 with the entry's name, long entry and attributes, 0 at the end of the folder, negative
// libssh2's error.
inline int read_folder_entry(LIBSSH2_SFTP_HANDLE* folder, std::string& name, std::string& long_entry,
                             LIBSSH2_SFTP_ATTRIBUTES& attributes) {
  // Made once per thread; only the pages a name reaches are ever touched.
  static thread_local std::unique_ptr<char[]> name_buffer =
      std::make_unique_for_overwrite<char[]>(sftp_largest_packet);
  static thread_local std::unique_ptr<char[]> long_buffer =
      std::make_unique_for_overwrite<char[]>(sftp_largest_packet);
  attributes = {};
  long_buffer[0] = '\0';
  const int got = libssh2_sftp_readdir_ex(folder, name_buffer.get(), sftp_largest_packet, long_buffer.get(),
                                          sftp_largest_packet, &attributes);
  if (got <= 0) return got;
  name.assign(name_buffer.get(), static_cast<size_t>(got));
  long_entry = long_buffer.get();
  return 1;
}
