#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "tests/support/temp_folder.h"

namespace {

unsigned mode_of(const std::string& path) {
  struct stat st{};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(configuration_folder, follows_appdata_then_xdg_then_home) {
  test_support::temp_folder tmp;
  const std::string saved_appdata = std::getenv("APPDATA") ? std::getenv("APPDATA") : "";

  setenv("APPDATA", (tmp.path() + "/app/").c_str(), 1);
  EXPECT_EQ(platform::configuration_folder(), tmp.path() + "/app");
  EXPECT_EQ(mode_of(tmp.path() + "/app"), 0700u);

  unsetenv("APPDATA");
  setenv("XDG_CONFIG_HOME", (tmp.path() + "/xdg").c_str(), 1);
  EXPECT_EQ(platform::configuration_folder(), tmp.path() + "/xdg/Tessary");

  unsetenv("XDG_CONFIG_HOME");
  const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", tmp.path().c_str(), 1);
  EXPECT_EQ(platform::configuration_folder(), tmp.path() + "/.config/Tessary");
  setenv("HOME", saved_home.c_str(), 1);
  setenv("APPDATA", saved_appdata.c_str(), 1);
}

TEST(atomic_file, replaces_whole_file_with_private_mode) {
  test_support::temp_folder tmp;
  const auto path = tmp.file("Tessary.conf");
  ASSERT_TRUE(platform::write_file_atomically(path, "old"));
  ASSERT_TRUE(platform::write_file_atomically(path, std::string("new\0data", 8)));
  std::string data;
  ASSERT_TRUE(platform::read_file(path, data));
  EXPECT_EQ(data, std::string("new\0data", 8));
  EXPECT_EQ(mode_of(path), 0600u);

  ASSERT_TRUE(platform::copy_file_atomically(path, tmp.file("copy")));
  ASSERT_TRUE(platform::read_file(tmp.file("copy"), data));
  EXPECT_EQ(data.size(), 8u);
}

TEST(atomic_file, failure_leaves_the_last_good_file) {
  test_support::temp_folder tmp;
  const auto path = tmp.file("Tessary.conf");
  ASSERT_TRUE(platform::write_file_atomically(path, "good"));
  EXPECT_FALSE(platform::write_file_atomically(tmp.file("missing/x"), "data"));
  EXPECT_FALSE(platform::copy_file_atomically(tmp.file("no-such-source"), path));
  std::string data;
  ASSERT_TRUE(platform::read_file(path, data));
  EXPECT_EQ(data, "good");
}

TEST(program_path, names_the_running_executable) {
  EXPECT_NE(platform::program_path().find("platform_tests"), std::string::npos);
}

}  // namespace
