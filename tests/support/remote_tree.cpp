#include "tests/support/remote_tree.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace test_support {

remote_tree::remote_tree() {
  const char* user = std::getenv("TESSARY_SSH_USER");
  const char* home = std::getenv("TESSARY_SSH_HOME");
  if (!user || !home || !*user || !*home || geteuid() != 0) return;
  passwd* account = getpwnam(user);
  if (!account) return;
  uid = account->pw_uid;
  gid = account->pw_gid;
  std::string pattern = std::string(home) + "/sftp-XXXXXX";
  if (!mkdtemp(pattern.data())) return;
  path_ = pattern;
  chmod(path_.c_str(), 0755);
  own(path_);
}

remote_tree::~remote_tree() {
  if (path_.empty()) return;
  std::error_code ec;
  // A test may have taken the rights away from a folder.
  for (auto& entry : std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec))
    if (entry.is_directory(ec) && !entry.is_symlink(ec)) chmod(entry.path().c_str(), 0755);
  std::filesystem::remove_all(path_, ec);
}

void remote_tree::own(const std::string& absolute) const { lchown(absolute.c_str(), uid, gid); }

void remote_tree::write_file(const std::string& relative, const std::string& content, mode_t mode) const {
  std::string absolute = at(relative);
  std::ofstream(absolute, std::ios::binary) << content;
  chmod(absolute.c_str(), mode);
  own(absolute);
}

void remote_tree::make_folder(const std::string& relative, mode_t mode) const {
  std::string absolute = at(relative);
  mkdir(absolute.c_str(), mode);
  chmod(absolute.c_str(), mode);
  own(absolute);
}

void remote_tree::make_link(const std::string& relative, const std::string& target) const {
  std::string absolute = at(relative);
  if (symlink(target.c_str(), absolute.c_str()) == 0) own(absolute);
}

void remote_tree::make_sparse(const std::string& relative, uint64_t size) const {
  std::string absolute = at(relative);
  int fd = open(absolute.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (ftruncate(fd, static_cast<off_t>(size)) != 0) unlink(absolute.c_str());
  close(fd);
  own(absolute);
}

std::string file_content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int mode_of(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

}  // namespace test_support
