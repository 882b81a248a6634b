#pragma once
// A folder of the loopback sshd's test user (tests/peers/start), made fresh for one test and
// filled directly on disk (the tests run on the same machine, as root), so a test can check
// through the file system what SFTP did. Everything in it belongs to the test user; the folder
// goes with the object.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace test_support {

class remote_tree {
 public:
  // Fails the running test (through `ok()`) when the test user or root rights are missing.
  remote_tree();
  ~remote_tree();
  remote_tree(const remote_tree&) = delete;
  remote_tree& operator=(const remote_tree&) = delete;

  bool ok() const { return !path_.empty(); }
  // The folder's absolute path (no trailing '/').
  const std::string& path() const { return path_; }
  std::string at(const std::string& relative) const { return path_ + "/" + relative; }

  void write_file(const std::string& relative, const std::string& content, mode_t mode = 0644) const;
  void make_folder(const std::string& relative, mode_t mode = 0755) const;
  void make_link(const std::string& relative, const std::string& target) const;
  // A file of `size` bytes that takes no room (all zeros).
  void make_sparse(const std::string& relative, uint64_t size) const;

 private:
  void own(const std::string& absolute) const;

  std::string path_;
  uid_t uid = 0;
  gid_t gid = 0;
};

// The whole content of a local file; empty when it cannot be read.
std::string file_content(const std::string& path);
// The permission bits of a path (not following a link), -1 when it does not exist.
int mode_of(const std::string& path);

}  // namespace test_support
