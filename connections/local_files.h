#pragma once
// The local side of SFTP transfers: folder entries judged without following links, existence,
// and whole reads and writes of a descriptor; and the path joins both sides use. Paths are
// bytes, as the file system keeps them.
#include <dirent.h>

#include <cstdint>
#include <string>

#include "connections/file_entry.h"

// One entry of a local folder.
struct local_entry {
  std::string name;
  entry_kind kind = entry_kind::other;
  uint64_t size = 0;  // of a file
  // Why the entry could not be looked at (errno; a folder whose names may be read but not
  // searched), 0 when it could. Its kind is then `other`.
  int error = 0;
};

// The entries of one local folder, "." and ".." left out.
class local_folder {
 public:
  // Opens the folder; when that fails, `error()` says why.
  explicit local_folder(const std::string& path);
  ~local_folder();
  local_folder(const local_folder&) = delete;
  local_folder& operator=(const local_folder&) = delete;

  bool is_open() const { return folder != nullptr; }
  // 1 with the next entry, 0 at the end, -1 when the folder could not be opened or read on
  // (`error()` says why).
  int next(local_entry& entry);
  // errno of the failed open or read.
  int error() const { return failure; }

 private:
  DIR* folder = nullptr;
  int failure = 0;
};

// Whether anything (a dangling link included) is at the path; trailing '/' are ignored.
bool local_exists(const std::string& path);

// The size of the file the path names (links followed), or nothing when it has none.
bool local_file_size(const std::string& path, uint64_t& size);

// Writes all bytes, retrying short writes and interruptions; false on any error.
bool write_all(int fd, const char* data, size_t length);

// Reads up to `capacity` bytes, retrying interruptions: bytes read, 0 at the end, -1 on error.
long read_some(int fd, char* buffer, size_t capacity);

// `base` and `name` with one '/' between them.
std::string join_path(const std::string& base, const std::string& name);

// The path without its trailing '/' (but "/" stays "/").
std::string without_trailing_slashes(std::string path);
