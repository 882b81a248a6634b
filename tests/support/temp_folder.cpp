#include "tests/support/temp_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace test_support {

temp_folder::temp_folder() {
  const char* base = std::getenv("TESSARY_TEST_TMP");
  std::string root = base && *base ? base : TESSARY_TEST_TMP_DEFAULT;
  std::filesystem::create_directories(root);
  std::string pattern = root + "/t-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

temp_folder::~temp_folder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace test_support
