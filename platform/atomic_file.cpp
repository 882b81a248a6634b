#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

constexpr std::string_view temporary_mark = ".saving-";
constexpr size_t temporary_tail = 6;  // mkstemp's XXXXXX

std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The end of the chain of symbolic links that starts at `path` (which need not exist); `path`
// itself when it is no link. A chain longer than the system follows is left as it is.
std::string final_target(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) break;
    target.resize(static_cast<size_t>(n));
    current = target.front() == '/' ? target : folder_of(current) + "/" + target;
  }
  return current;
}

// A temporary file of our own beside `path`, created and locked; -1 when none can be made.
// The lock tells a clean-up that its writer is alive (a file system without locks leaves it
// unlocked). A file removed as stale between its creation and its lock is made again.
int make_locked_temporary(const std::string& path, std::string& temp) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    temp = path + std::string(temporary_mark) + std::string(temporary_tail, 'X');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return -1;
    ::flock(fd, LOCK_EX);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
    ::close(fd);
  }
  return -1;
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The rename itself must reach the disk too, or a crash can bring the old file back.
void sync_folder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

bool write_file_atomically(const std::string& path, std::string_view data, unsigned mode) {
  const std::string target = final_target(path);
  std::string temp;
  const int fd = make_locked_temporary(target, temp);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
  ok = ok && write_all(fd, data);
  ok = ok && ::fsync(fd) == 0;
  // Renamed while still locked, so no clean-up takes it for a dead writer's file.
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    // The clean-up leaves errno saying why the step failed.
    const int why = errno;
    ::unlink(temp.c_str());
    ::close(fd);
    errno = why;
    return false;
  }
  if (::close(fd) != 0) return false;
  sync_folder(folder_of(target));
  return true;
}

void remove_stale_temporaries(const std::string& path) {
  const std::string target = final_target(path);
  const std::string prefix = name_of(target) + std::string(temporary_mark);
  DIR* folder = ::opendir(folder_of(target).c_str());
  if (!folder) return;
  const int folder_fd = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + temporary_tail || !name.starts_with(prefix)) continue;
    bool ours = true;
    for (char c : name.substr(prefix.size()))
      ours = ours && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
    if (!ours) continue;
    const int fd = ::openat(folder_fd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    // A writer that is still alive holds its lock; a dead one's lock went with its process.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(folder_fd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(folder);
}

bool copy_file_atomically(const std::string& source, const std::string& target, unsigned mode) {
  std::string data;
  return read_file(source, data) && write_file_atomically(target, data, mode);
}

bool read_file(const std::string& path, std::string& data) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  data.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace platform
