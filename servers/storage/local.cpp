#include "servers/storage/local.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "config/paths.h"

namespace quarro {

namespace {

// The path with every link, "." and ".." resolved; empty when it leads nowhere.
std::string resolved(const std::string& path) {
  if (path.empty()) return {};
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

// True when the resolved path `real` is the resolved `home` or lies below it.
bool lies_within(const std::string& real, const std::string& home) {
  if (real.empty() || home.empty() || real.compare(0, home.size(), home) != 0) return false;
  return real.size() == home.size() || home.back() == '/' || real[home.size()] == '/';
}

// The name under which the system reaches the object open at `fd`, whatever links led to it.
std::string descriptor_link(int fd) {
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  return link;
}

// The resolved path of the file or folder open at `fd`, whatever links led to it, when that
// lies inside `home`; empty otherwise. The system names the very object opened, so no link
// swapped in after the open can lead the check astray.
std::string confirmed(int fd, const std::string& home) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(descriptor_link(fd).c_str(), target, sizeof target);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return {};
  std::string real(target, static_cast<size_t>(length));
  return lies_within(real, home) ? real : std::string();
}

// Opens the object that `place` (an O_PATH descriptor, closed here) holds with `flags`, when it
// is a regular file inside `home`; -1 otherwise. An O_PATH descriptor only names the object:
// a FIFO, a device or a socket is looked at and never opened, so no pty is allocated, no
// writer waiting on a FIFO is let go and no serial line is touched. The open goes through the
// descriptor's own /proc link, so it reaches the very file that was checked, and a file put at
// the name meanwhile is not the one opened. It does not wait: a file under another's lease
// would otherwise hold the server's only worker until that one let go.
int checked_open(int place, int flags, const std::string& home) {
  if (place < 0) return -1;
  struct stat looked {};
  const bool regular = ::fstat(place, &looked) == 0 && S_ISREG(looked.st_mode) && !confirmed(place, home).empty();
  int fd = regular ? ::open(descriptor_link(place).c_str(), flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
  ::close(place);
  struct stat opened {};
  if (fd >= 0 && (::fstat(fd, &opened) != 0 || opened.st_dev != looked.st_dev || opened.st_ino != looked.st_ino)) {
    ::close(fd);
    fd = -1;
  }
  return fd;
}

// Opens (or creates) the file for writing in a folder inside `home`, without following a link
// at the file's own name, so that nothing outside the home is created; -1 otherwise. A new file
// is created; an existing one is opened only when it is a regular file.
int writable_file(const std::string& path, const std::string& home) {
  std::string folder, name;
  split_path(path, &folder, &name);
  const int parent = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return -1;
  int fd = -1;
  if (!confirmed(parent, home).empty()) {
    fd = ::openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST)
      fd = checked_open(::openat(parent, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC), O_WRONLY, home);
  }
  ::close(parent);
  return fd;
}

// The checked regular file open at `fd` as a stream; null (and `fd` closed) when that fails. A
// file for reading goes back to blocking reads; one for writing is emptied.
FILE* stream_of(int fd, bool write) {
  if (fd < 0) return nullptr;
  const int flags = ::fcntl(fd, F_GETFL);
  const bool ready = flags >= 0 && (write ? ::ftruncate(fd, 0) == 0 : ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0);
  FILE* stream = ready ? ::fdopen(fd, write ? "wb" : "rb") : nullptr;
  if (!stream) ::close(fd);
  return stream;
}

// Opens the file at `path` (links followed) for reading when it is a regular file inside
// `home`.
FILE* readable_file(const std::string& path, const std::string& home) {
  return stream_of(checked_open(::open(path.c_str(), O_PATH | O_CLOEXEC), O_RDONLY, home), false);
}

}  // namespace

local::~local() { close(); }

const std::string& local::resolved_home() {
  if (real_home.empty()) real_home = resolved(location.home);
  return real_home;
}

bool local::open(bool write) {
  if (opened) return false;
  if (write) {
    close();
    file = stream_of(writable_file(location.path, resolved_home()), true);
  } else if (!file) {
    file = readable_file(location.path, resolved_home());
  }
  opened = file != nullptr;
  return opened;
}

bool local::close() {
  if (file) {
    std::fclose(file);
    file = nullptr;
  }
  opened = false;
  return true;
}

int local::descriptor() const { return opened ? ::fileno(file) : -1; }

int local::read(char* buffer, int size) {
  if (!opened || size < 0) return -1;
  const size_t count = std::fread(buffer, 1, static_cast<size_t>(size), file);
  if (count == 0 && std::ferror(file)) return -1;
  return static_cast<int>(count);
}

int local::write(const char* data, int size) {
  if (!opened || size < 0) return -1;
  return static_cast<int>(std::fwrite(data, 1, static_cast<size_t>(size), file));
}

int64_t local::size() {
  // The file stays open for the open that follows, so that the length and the body come from
  // the very same file, whatever is renamed to its name in between.
  if (!file) file = readable_file(location.path, resolved_home());
  struct stat info {};
  return file && ::fstat(::fileno(file), &info) == 0 ? info.st_size : -1;
}

bool local::list(std::vector<entry>& entries) {
  const std::string& home = resolved_home();
  const int fd = ::open(location.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* folder = fd >= 0 && !confirmed(fd, home).empty() ? ::fdopendir(fd) : nullptr;
  if (!folder) {
    if (fd >= 0) ::close(fd);
    fail(LOCAL_LIST_FAILED);
    return false;
  }
  entries.clear();
  while (const dirent* found = ::readdir(folder)) {
    entry item;
    item.name = found->d_name;
    struct stat info {};
    bool known = ::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (known && S_ISLNK(info.st_mode)) {
      // A link is listed as what it leads to (a link to a folder as a folder), and left out
      // when that lies outside the home or does not exist, as a request for it answers 404.
      // What the row shows is read from the object that was checked, so a link swapped in
      // meanwhile cannot show an outside file's size or time.
      const int target = ::openat(fd, found->d_name, O_PATH | O_CLOEXEC);
      known = target >= 0 && !confirmed(target, home).empty() && ::fstat(target, &info) == 0;
      if (target >= 0) ::close(target);
      if (!known) continue;
    }
    if (known) {
      item.folder = S_ISDIR(info.st_mode);
      item.mtime = info.st_mtime;
      item.size = item.folder ? 0 : info.st_size;
    }
    entries.push_back(std::move(item));
  }
  ::closedir(folder);
  return true;
}

}  // namespace quarro
