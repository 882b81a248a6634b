// Storage locations as the home path gives them, the handle's rules, and the local back end:
// listing, sizes past 4 GiB, and only regular files read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "servers/storage/handle.h"
#include "servers/storage/local.h"
#include "servers/storage/location.h"
#include "tests/support/temp_folder.h"

namespace {

struct location_case {
  const char* name;
  const char* text;
  quarro::scheme scheme;
  const char* host;
  uint16_t default_port;
  uint16_t port;
  const char* path;
  const char* username;
  const char* password;
};

class parse_location_table : public testing::TestWithParam<location_case> {};

TEST_P(parse_location_table, gives_the_parts) {
  const location_case& c = GetParam();
  auto where = quarro::parse_location(c.text);
  ASSERT_TRUE(where);
  EXPECT_EQ(where->scheme, c.scheme);
  EXPECT_EQ(where->host, c.host);
  EXPECT_EQ(where->default_port, c.default_port);
  EXPECT_EQ(where->port, c.port);
  EXPECT_EQ(where->path, c.path);
  EXPECT_EQ(where->username, c.username);
  EXPECT_EQ(where->password, c.password);
}

using quarro::SCHEME_FTP;
using quarro::SCHEME_LOCAL;
using quarro::SCHEME_SFTP;
using quarro::SCHEME_TFTP;

INSTANTIATE_TEST_SUITE_P(
    cases, parse_location_table,
    testing::Values(
        location_case{"plain_folder", "C:\\share", SCHEME_LOCAL, "", 1, 0, "C:\\share", "", ""},
        location_case{"unix_folder", "/srv/www", SCHEME_LOCAL, "", 1, 0, "/srv/www", "", ""},
        location_case{"file_scheme", "file://C:/share", SCHEME_LOCAL, "", 1, 0, "C:/share", "", ""},
        location_case{"ftp_with_query", "ftp://10.0.0.5/pub/x.bin?username=bob&password=p%41ss=1", SCHEME_FTP,
                      "10.0.0.5", 1, 0, "/pub/x.bin", "bob", "p%41ss=1"},
        location_case{"ftp_port", "ftp://10.0.0.5:2121/pub", SCHEME_FTP, "10.0.0.5", 0, 2121, "/pub", "", ""},
        location_case{"port_not_a_number", "ftp://host:abc/pub", SCHEME_FTP, "host", 1, 0, "/pub", "", ""},
        location_case{"upper_case_word", "FTP://host/", SCHEME_FTP, "host", 1, 0, "/", "", ""},
        location_case{"no_path", "ftp://host", SCHEME_FTP, "host", 1, 0, "", "", ""},
        location_case{"query_without_path", "ftp://host?username=u", SCHEME_FTP, "host?username=u", 1, 0, "", "",
                      ""},
        location_case{"shortened_keys", "sftp://h/p?user=a&pass=b", SCHEME_SFTP, "h", 1, 0, "/p", "a", "b"},
        location_case{"piece_without_equals", "ftp://h/p?x&username=a", SCHEME_FTP, "h", 1, 0, "/p", "", ""},
        location_case{"later_piece_wins", "ftp://h/p?username=a&username=b", SCHEME_FTP, "h", 1, 0, "/p", "b", ""},
        location_case{"colon_in_path", "tftp://h/a:b", SCHEME_TFTP, "h", 1, 0, "/a:b", "", ""},
        location_case{"shortened_word", "t://h/boot.img", SCHEME_TFTP, "h", 1, 0, "/boot.img", "", ""},
        location_case{"empty_word", "://folder", SCHEME_LOCAL, "", 1, 0, "folder", "", ""},
        location_case{"port_wraps_to_16_bits", "sftp://h:65558/x", SCHEME_SFTP, "h", 0, 22, "/x", "", ""}),
    [](const testing::TestParamInfo<location_case>& info) { return info.param.name; });

TEST(parse_location, unknown_words_give_no_location) {
  EXPECT_FALSE(quarro::parse_location("smb://host/"));
  EXPECT_FALSE(quarro::parse_location("files://x"));
  EXPECT_FALSE(quarro::parse_location("http://host/"));
}

TEST(quarro_handle, makes_the_back_end_of_the_scheme_with_its_default_port) {
  const struct {
    const char* text;
    uint16_t port;
  } cases[] = {{"ftp://h/a", 21}, {"tftp://h/a", 69}, {"sftp://h/a", 22}, {"ftp://h:2121/a", 2121}, {"/tmp", 0}};
  for (const auto& c : cases) {
    quarro::handle handle;
    auto where = quarro::parse_location(c.text);
    ASSERT_TRUE(handle.create_backend(where.get())) << c.text;
    EXPECT_EQ(handle.backend->location.port, c.port) << c.text;
    EXPECT_EQ(handle.backend->owner, &handle);
  }
  quarro::handle handle;
  EXPECT_FALSE(handle.create_backend(nullptr));
  quarro::location invalid;
  EXPECT_FALSE(handle.create_backend(&invalid));
  EXPECT_FALSE(handle.backend);
}

TEST(quarro_handle, open_and_read_follow_the_flags) {
  quarro::handle handle;
  char byte;
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::ERROR_NO_BACKEND);

  test_support::temp_folder folder;
  std::ofstream(folder.file("a.txt")) << "abc";
  auto where = quarro::parse_location(folder.file("a.txt"));
  ASSERT_TRUE(handle.create_backend(where.get()));
  EXPECT_EQ(handle.read(&byte, 1), -1);
  EXPECT_EQ(handle.last_error, quarro::ERROR_OPEN_STATE);
  ASSERT_TRUE(handle.open(false));
  EXPECT_EQ(handle.open_flags, quarro::OPEN_READ);
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::ERROR_OPEN_STATE);
  char text[8];
  EXPECT_EQ(handle.read(text, sizeof text), 3);
  EXPECT_EQ(handle.read(text, sizeof text), 0);
  EXPECT_TRUE(handle.close());
  EXPECT_EQ(handle.open_flags, 0u);
}

class local_back_end : public testing::Test {
 protected:
  // A back end at `path` whose home is the test's folder unless given.
  quarro::local at(const std::string& path, const std::string* home = nullptr) {
    quarro::location where;
    where.scheme = quarro::SCHEME_LOCAL;
    where.path = path;
    where.home = home ? *home : folder.path();
    return quarro::local(where, &owner);
  }
  quarro::handle owner;
  test_support::temp_folder folder;
};

TEST_F(local_back_end, lists_every_entry_with_dot_and_dot_dot) {
  ::mkdir(folder.file("sub").c_str(), 0755);
  std::ofstream(folder.file("a b.txt")) << "hello";
  ::symlink("sub", folder.file("link").c_str());
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(at(folder.path()).list(entries));
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_EQ(entries[2].name, "a b.txt");
  EXPECT_FALSE(entries[2].folder);
  EXPECT_EQ(entries[2].size, 5);
  EXPECT_GT(entries[2].mtime, 1600000000);
  EXPECT_TRUE(entries[2].line.empty());
  EXPECT_EQ(entries[3].name, "link");
  EXPECT_TRUE(entries[3].folder);
  EXPECT_EQ(entries[4].name, "sub");
  EXPECT_TRUE(entries[4].folder);
}

TEST_F(local_back_end, an_empty_folder_lists_dot_and_dot_dot) {
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(at(folder.path()).list(entries));
  EXPECT_EQ(entries.size(), 2u);
}

TEST_F(local_back_end, a_missing_folder_fails_and_leaves_the_list) {
  std::vector<quarro::entry> entries(1);
  entries[0].name = "kept";
  EXPECT_FALSE(at(folder.file("missing")).list(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "kept");
  EXPECT_EQ(owner.last_error, quarro::LOCAL_LIST_FAILED);
}

TEST_F(local_back_end, sizes_are_64_bit) {
  const std::string name = folder.file("sparse.bin");
  const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const off_t five_gib = off_t{5} << 30;
  ASSERT_EQ(::ftruncate(fd, five_gib), 0);
  ::close(fd);
  EXPECT_EQ(at(name).size(), five_gib);
}

TEST_F(local_back_end, only_regular_files_have_a_size_and_open) {
  ::mkdir(folder.file("sub").c_str(), 0755);
  for (const std::string& path : {folder.file("sub"), folder.file("missing"), std::string("/dev/null")}) {
    auto back_end = at(path);
    EXPECT_EQ(back_end.size(), -1) << path;
    EXPECT_FALSE(back_end.open(false)) << path;
    char byte;
    EXPECT_EQ(back_end.read(&byte, 1), -1) << path;
  }
}

// The whole text of a small file, or "(missing)".
std::string contents_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(missing)";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(local_back_end, links_serve_only_what_stays_inside_the_home) {
  const std::string home = folder.file("home");
  ::mkdir(home.c_str(), 0755);
  ::mkdir((home + "/sub").c_str(), 0755);
  std::ofstream(home + "/in.txt") << "in";
  std::ofstream(folder.file("secret")) << "secret";
  const struct {
    const char* name;
    const char* target;
    bool inside;
    bool folder;
  } links[] = {
      {"file_link", "in.txt", true, false}, {"folder_link", "sub", true, true},  {"home_link", "sub/..", true, true},
      {"out_file", "../secret", false, false}, {"out_folder", "..", false, true}, {"etc", "/etc", false, true},
      {"passwd", "/etc/passwd", false, false}, {"dangling", "nowhere", false, false},
  };
  for (const auto& link : links) ASSERT_EQ(::symlink(link.target, (home + "/" + link.name).c_str()), 0);

  std::vector<quarro::entry> entries;
  ASSERT_TRUE(at(home, &home).list(entries));
  std::vector<std::string> names;
  for (const quarro::entry& item : entries) {
    names.push_back(item.name);
    if (item.name.ends_with("_link")) {
      EXPECT_EQ(item.folder, item.name != "file_link") << item.name;
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "file_link", "folder_link", "home_link", "in.txt", "sub"}));

  for (const auto& link : links) {
    auto back_end = at(home + "/" + link.name, &home);
    std::vector<quarro::entry> listed;
    EXPECT_EQ(back_end.list(listed), link.inside && link.folder) << link.name;
    EXPECT_EQ(back_end.size() >= 0, link.inside && !link.folder) << link.name;
    EXPECT_EQ(back_end.open(false), link.inside && !link.folder) << link.name;
  }

  // Writing creates or empties nothing outside the home, and never writes through a link at
  // the file's own name.
  EXPECT_TRUE(at(home + "/folder_link/new.txt", &home).open(true));
  EXPECT_FALSE(at(home + "/out_folder/new.txt", &home).open(true));
  EXPECT_FALSE(at(home + "/out_file", &home).open(true));
  EXPECT_FALSE(at(home + "/dangling", &home).open(true));
  EXPECT_EQ(contents_of(home + "/sub/new.txt"), "");
  EXPECT_EQ(contents_of(folder.file("new.txt")), "(missing)");
  EXPECT_EQ(contents_of(folder.file("secret")), "secret");
  EXPECT_EQ(contents_of(home + "/nowhere"), "(missing)");

  // A home reached through a link is the folder it leads to; an empty home holds nothing.
  const std::string home_alias = folder.file("alias");
  ASSERT_EQ(::symlink("home", home_alias.c_str()), 0);
  EXPECT_EQ(at(home_alias + "/in.txt", &home_alias).size(), 2);
  EXPECT_EQ(at(home + "/in.txt", &home_alias).size(), 2);
  const std::string no_home;
  EXPECT_EQ(at(home + "/in.txt", &no_home).size(), -1);
  EXPECT_FALSE(at(home, &no_home).list(entries));
}

}  // namespace
