#include "servers/storage/local.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarro {

local::~local() { close(); }

bool local::open(bool write) {
  if (file) return false;
  file = std::fopen(location.path.c_str(), write ? "wb" : "rb");
  if (!file) return false;
  // fopen opens folders too; only a regular file has contents to serve.
  struct stat info {};
  if (::fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    file = nullptr;
    return false;
  }
  return true;
}

bool local::close() {
  if (file) {
    std::fclose(file);
    file = nullptr;
  }
  return true;
}

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
  struct stat info {};
  if (::stat(location.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

bool local::list(std::vector<entry>& entries) {
  DIR* folder = ::opendir(location.path.c_str());
  if (!folder) {
    fail(LOCAL_LIST_FAILED);
    return false;
  }
  entries.clear();
  const int folder_fd = ::dirfd(folder);
  while (const dirent* found = ::readdir(folder)) {
    entry item;
    item.name = found->d_name;
    // Follow links, so a link to a folder is listed (and linked) as a folder.
    struct stat info {};
    if (::fstatat(folder_fd, found->d_name, &info, 0) == 0) {
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
