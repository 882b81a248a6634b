#include "platform/folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string home_folder() {
  std::string home = env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return "/tmp";
}

// mkdir -p with 0700 for each folder made; folders that exist keep their mode.
void make_folders(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      const std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
  }
}

std::string without_trailing_slash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

}  // namespace

std::string configuration_folder() {
  std::string folder = env("APPDATA");
  if (folder.empty()) {
    const std::string xdg = env("XDG_CONFIG_HOME");
    folder = (xdg.empty() ? home_folder() + "/.config" : xdg) + "/Tessary";
  }
  folder = without_trailing_slash(folder);
  make_folders(folder);
  return folder;
}

void make_private_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ::fchmod(fd, 0600);
  ::close(fd);
}

std::string program_path() {
  std::vector<char> buf(4096);
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

}  // namespace platform
