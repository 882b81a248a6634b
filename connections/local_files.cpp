#include "connections/local_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

local_folder::local_folder(const std::string& path) : folder(opendir(path.c_str())) {
  if (!folder) failure = errno;
}

local_folder::~local_folder() {
  if (folder) closedir(folder);
}

int local_folder::next(local_entry& entry) {
  if (!folder) return -1;
  for (;;) {
    errno = 0;
    dirent* found = readdir(folder);
    if (!found) {
      failure = errno;
      return failure ? -1 : 0;
    }
    entry.name = found->d_name;
    if (entry.name == "." || entry.name == "..") continue;
    struct stat info {};
    entry.kind = entry_kind::other;
    entry.size = 0;
    entry.error = 0;
    if (fstatat(dirfd(folder), found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      // An entry removed since the folder was read is not there to copy.
      if (errno != ENOENT) entry.error = errno;
    } else if (S_ISDIR(info.st_mode)) {
      entry.kind = entry_kind::folder;
    } else if (S_ISREG(info.st_mode)) {
      entry.kind = entry_kind::file;
      entry.size = static_cast<uint64_t>(info.st_size);
    }
    return 1;
  }
}

bool local_exists(const std::string& path) {
  struct stat info {};
  return lstat(without_trailing_slashes(path).c_str(), &info) == 0;
}

bool local_file_size(const std::string& path, uint64_t& size) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  size = static_cast<uint64_t>(info.st_size);
  return true;
}

bool write_all(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

long read_some(int fd, char* buffer, size_t capacity) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, capacity);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

std::string join_path(const std::string& base, const std::string& name) {
  if (base.empty() || base.back() == '/') return base + name;
  return base + "/" + name;
}

std::string without_trailing_slashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}
