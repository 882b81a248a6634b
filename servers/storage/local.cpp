#include "servers/storage/local.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The resolved path of `fd`, opened at `path`, when that lies inside `home` and still names the
// very file or folder opened (no link swapped in between); empty otherwise.
std::string confirmed(int fd, const std::string& path, const std::string& home) {
  const std::string real = resolved(path);
  struct stat opened {}, named {};
  if (!lies_within(real, home) || ::fstat(fd, &opened) != 0 || ::stat(real.c_str(), &named) != 0 ||
      opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
    return {};
  return real;
}

// Opens (or creates) the file for writing in a folder inside `home`, without following a link
// at the file's own name, so that nothing outside the home is created; -1 otherwise.
int open_for_writing(const std::string& path, const std::string& home) {
  std::string folder, name;
  split_path(path, &folder, &name);
  const int parent = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return -1;
  const int fd = confirmed(parent, folder, home).empty()
                     ? -1
                     : ::openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  ::close(parent);
  return fd;
}

}  // namespace

local::~local() { close(); }

bool local::open(bool write) {
  if (file) return false;
  const std::string home = resolved(location.home);
  const int fd = write ? open_for_writing(location.path, home) : ::open(location.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Only a regular file inside the home has contents to serve; a file is emptied for writing
  // only once that is known.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || confirmed(fd, location.path, home).empty() ||
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
  const std::string real = resolved(location.path);
  struct stat info {};
  if (!lies_within(real, resolved(location.home)) || ::stat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return -1;
  return info.st_size;
}

bool local::list(std::vector<entry>& entries) {
  const std::string home = resolved(location.home);
  const int fd = ::open(location.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const std::string real = fd >= 0 ? confirmed(fd, location.path, home) : std::string();
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
