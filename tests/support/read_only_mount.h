#pragma once
// An empty read-only file system (a small tmpfs) mounted on a folder for the object's life, so
// that no one, root included, can write there (root writes a folder of mode 0555). Unmounted
// when the object goes, whatever the test's outcome.
#include <string>

namespace test_support {

class read_only_mount {
 public:
  explicit read_only_mount(std::string folder);
  ~read_only_mount();
  read_only_mount(const read_only_mount&) = delete;
  read_only_mount& operator=(const read_only_mount&) = delete;

  // Why the folder could not be made read-only; empty when it is.
  const std::string& failure() const { return failure_; }

 private:
  std::string folder_;
  std::string failure_;
};

}  // namespace test_support
