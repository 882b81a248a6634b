// The "Httpd" section of Tessary.conf: exact saved text and what loading keeps or refuses.
#include <gtest/gtest.h>

#include "config/httpd_param.h"
#include "tests/config/node_text.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

TEST(httpd_param, defaults_save_in_their_order_with_the_home_path_element) {
  httpd_param node;
  EXPECT_EQ(saved_text(node),
            u"<Httpd>\r\n<Enable>false</Enable>\r\n<Interface>0.0.0.0</Interface>\r\n"
            u"<LogLevel>DEBUG</LogLevel>\r\n<Port>80</Port>\r\n<HomePath index=\"-1\"/>\r\n<Title/>\r\n"
            u"</Httpd>\r\n");
}

TEST(httpd_param, every_value_survives_a_round_trip) {
  httpd_param written;
  written.enable = true;
  written.interface_address = 0xC0A80105;
  written.log_level = LOG_INFORMATION;
  written.port = 8080;
  written.home_paths = {"/srv/www", "ftp://10.0.0.5:2121/pub?username=u&password=p", "/home/ü"};
  written.home_index = 2;
  written.title = "Files & <more>";
  httpd_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_TRUE(read.enable);
  EXPECT_EQ(read.interface_address, 0xC0A80105u);
  EXPECT_EQ(read.log_level, LOG_INFORMATION);
  EXPECT_EQ(read.port, 8080);
  EXPECT_EQ(read.home_paths, written.home_paths);
  EXPECT_EQ(read.home_index, 2);
  EXPECT_EQ(read.title, written.title);
}

TEST(httpd_param, an_empty_section_keeps_the_defaults) {
  httpd_param node;
  ASSERT_TRUE(load_from_text(node, u"<Httpd></Httpd>"));
  EXPECT_FALSE(node.enable);
  EXPECT_EQ(node.interface_address, 0u);
  EXPECT_EQ(node.log_level, LOG_DEBUG);
  EXPECT_EQ(node.port, 80);
  EXPECT_EQ(node.home_index, -1);
  EXPECT_TRUE(node.home_paths.empty());
  EXPECT_TRUE(node.title.empty());
}

TEST(httpd_param, home_indexes_and_ports_as_the_file_gives_them) {
  const struct {
    const char16_t* text;
    int32_t index;
    size_t paths;
    uint16_t port;
  } cases[] = {
      {u"<HomePath index=\"5\"><Path>/a</Path><Path>/b</Path><Path>/c</Path></HomePath>", -1, 3, 80},
      {u"<HomePath><Path>/a</Path></HomePath>", 0, 1, 80},
      {u"<HomePath index=\"1\"><Path>/a</Path><Path></Path><Path>/c</Path></HomePath>", 1, 2, 80},
      {u"<Port>65537</Port>", -1, 0, 1},
      {u"<Port>8000</Port><Enable>TRUE</Enable>", -1, 0, 8000},
  };
  for (const auto& c : cases) {
    httpd_param node;
    ASSERT_TRUE(load_from_text(node, u"<Httpd>" + std::u16string(c.text) + u"</Httpd>"));
    EXPECT_EQ(node.home_index, c.index);
    EXPECT_EQ(node.home_paths.size(), c.paths);
    EXPECT_EQ(node.port, c.port);
    EXPECT_FALSE(node.enable);
  }
}

}  // namespace
