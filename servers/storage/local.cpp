#include "servers/storage/local.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The resolved path of the file or folder open at `fd`, whatever links led to it, when that
// lies inside `home`; empty otherwise. The system names the very object opened, so no link
// swapped in after the open can lead the check astray.
std::string confirmed(int fd, const std::string& home) {
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t length = ::readlink(link, target, sizeof target);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return {};
  std::string real(target, static_cast<size_t>(length));
  return lies_within(real, home) ? real : std::string();
}

// Opens (or creates) the file for writing in a folder inside `home`, without following a link
// at the file's own name, so that nothing outside the home is created; -1 otherwise.
int open_for_writing(const std::string& path, const std::string& home) {
  std::string folder, name;
  split_path(path, &folder, &name);
  const int parent = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return -1;
  const int fd = confirmed(parent, home).empty()
                     ? -1
                     : ::openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  ::close(parent);
  return fd;
}

}  // namespace

local::~local() { close(); }

const std::string& local::resolved_home() {
  if (real_home.empty()) real_home = resolved(location.home);
  return real_home;
}

bool local::open(bool write) {
  if (file) return false;
  const std::string& home = resolved_home();
  const int fd = write ? open_for_writing(location.path, home) : ::open(location.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Only a regular file inside the home has contents to serve; a file is emptied for writing
  // only once that is known.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || confirmed(fd, home).empty() ||
      (write && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return false;
  }
  file = ::fdopen(fd, write ? "wb" : "rb");
  if (!file) ::close(fd);
  return file != nullptr;
}

bool local::close() {
  if (file) {
    std::fclose(file);
    file = nullptr;
  }
  return true;
}

int local::descriptor() const { return file ? ::fileno(file) : -1; }

int local::read(char* buffer, int size) {
  if (!file || size < 0) return -1;
  const size_t count = std::fread(buffer, 1, static_cast<size_t>(size), file);
  if (count == 0 && std::ferror(file)) return -1;
  return static_cast<int>(count);
}

int local::write(const char* data, int size) {
  if (!file || size < 0) return -1;
  return static_cast<int>(std::fwrite(data, 1, static_cast<size_t>(size), file));
}

int64_t local::size() {
  // Opened for its name only (a FIFO does not block), so that the check sees what it names.
  const int fd = ::open(location.path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  const bool inside = !confirmed(fd, resolved_home()).empty() && ::fstat(fd, &info) == 0;
  ::close(fd);
  return inside && S_ISREG(info.st_mode) ? info.st_size : -1;
}

bool local::list(std::vector<entry>& entries) {
  const std::string& home = resolved_home();
  const int fd = ::open(location.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const std::string real = fd >= 0 ? confirmed(fd, home) : std::string();
  DIR* folder = real.empty() ? nullptr : ::fdopendir(fd);
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
      if (!lies_within(resolved(real + "/" + item.name), home)) continue;
      known = ::fstatat(fd, found->d_name, &info, 0) == 0;
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
