#pragma once
// A fresh folder, removed with its contents when the object goes away. A private one lies under
// the build's test-tmp folder (or TESSARY_TEST_TMP), whose parents may be closed to other users
// when the checkout lives in a private folder. One that another user must reach (a peer acting
// as the test user of tests/peers/start, or as a server's own user) lies under the system's
// temporary folder instead, open to all (mode 0755).
#include <string>

namespace test_support {

class temp_folder {
 public:
  enum class reach { owner, everyone };

  explicit temp_folder(reach who = reach::owner);
  ~temp_folder();
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A folder only its owner may enter (mode 0700, as `mktemp -d` makes it), as one that holds a
// checkout may be. For the object's life the private folders above lie in it, as they do below
// the build folder of such a checkout; a test may put build output there too.
class private_checkout {
 public:
  private_checkout();
  ~private_checkout();
  private_checkout(const private_checkout&) = delete;
  private_checkout& operator=(const private_checkout&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string saved_;
  bool was_set_ = false;
};

}  // namespace test_support
