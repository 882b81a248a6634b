#include "tests/support/temp_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace test_support {

namespace {

std::string private_root() {
  const char* base = std::getenv("TESSARY_TEST_TMP");
  return base && *base ? base : TESSARY_TEST_TMP_DEFAULT;
}

}  // namespace

temp_folder::temp_folder(reach who) {
  const std::string root = who == reach::owner ? private_root() : std::filesystem::temp_directory_path().string();
  std::filesystem::create_directories(root);
  std::string pattern = root + (who == reach::owner ? "/t-XXXXXX" : "/tessary-test-XXXXXX");
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + root);
  path_ = pattern;
  // mkdtemp makes the folder 0700 whatever the umask.
  if (who == reach::everyone && chmod(path_.c_str(), 0755) != 0)
    throw std::runtime_error("cannot open " + path_ + " to other users");
}

temp_folder::~temp_folder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

private_checkout::private_checkout() {
  const char* saved = std::getenv("TESSARY_TEST_TMP");
  was_set_ = saved != nullptr;
  if (saved) saved_ = saved;
  std::string pattern = std::filesystem::temp_directory_path().string() + "/tessary-checkout-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
  setenv("TESSARY_TEST_TMP", (path_ + "/test-tmp").c_str(), 1);
}

private_checkout::~private_checkout() {
  if (was_set_)
    setenv("TESSARY_TEST_TMP", saved_.c_str(), 1);
  else
    unsetenv("TESSARY_TEST_TMP");
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace test_support
