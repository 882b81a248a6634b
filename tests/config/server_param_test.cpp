// The server sections of Tessary.conf: exact saved text, what loading keeps or refuses, and
// apply starting the server (a failed start recorded as disabled).
#include <gtest/gtest.h>

#include "config/server_values.h"
#include "config/tftpd_param.h"
#include "tests/config/node_text.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

TEST(tftpd_param, defaults_save_in_their_order_with_both_path_lists) {
  tftpd_param node;
  EXPECT_EQ(saved_text(node),
            u"<Tftpd>\r\n<Enable>false</Enable>\r\n<Interface>0.0.0.0</Interface>\r\n"
            u"<LogLevel>DEBUG</LogLevel>\r\n<Port>69</Port>\r\n<Timeout>3</Timeout>\r\n"
            u"<MaxRetry>6</MaxRetry>\r\n<ReadEnable>true</ReadEnable>\r\n"
            u"<WriteEnable>false</WriteEnable>\r\n<PathRestriction>true</PathRestriction>\r\n"
            u"<DownloadPath index=\"-1\"/>\r\n<UploadPath index=\"-1\"/>\r\n</Tftpd>\r\n");
}

TEST(tftpd_param, every_value_survives_a_round_trip) {
  tftpd_param written;
  written.enable = true;
  written.interface_address = 0xC0A80105;
  written.log_level = LOG_ERROR;
  written.port = 65605;
  written.timeout = 0;
  written.max_retry = 20;
  written.read_enable = false;
  written.write_enable = true;
  written.path_restriction = false;
  written.download_paths = {"/srv/tftp", "/home/ü"};
  written.download_index = 1;
  written.upload_paths = {"/tmp/in"};
  written.upload_index = 0;
  tftpd_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_TRUE(read.enable);
  EXPECT_EQ(read.interface_address, 0xC0A80105u);
  EXPECT_EQ(read.log_level, LOG_ERROR);
  EXPECT_EQ(read.port, 65605u);
  EXPECT_EQ(read.timeout, 0u);
  EXPECT_EQ(read.max_retry, 20u);
  EXPECT_FALSE(read.read_enable);
  EXPECT_TRUE(read.write_enable);
  EXPECT_FALSE(read.path_restriction);
  EXPECT_EQ(read.download_paths, written.download_paths);
  EXPECT_EQ(read.download_index, 1);
  EXPECT_EQ(read.upload_paths, written.upload_paths);
  EXPECT_EQ(read.upload_index, 0);
}

TEST(tftpd_param, path_indexes_outside_their_list_become_minus_one) {
  struct index_case {
    const char16_t* element;
    int32_t index;
    size_t paths;
  } cases[] = {
      {u"<DownloadPath index=\"5\"><Path>/a</Path><Path>/b</Path></DownloadPath>", -1, 2},
      {u"<DownloadPath index=\"1\"><Path>/a</Path><Path>/b</Path></DownloadPath>", 1, 2},
      {u"<DownloadPath index=\"-1\"><Path>/a</Path></DownloadPath>", -1, 1},
      {u"<DownloadPath><Path>/a</Path></DownloadPath>", 0, 1},  // no attribute reads as 0
      {u"<DownloadPath index=\"0\"></DownloadPath>", -1, 0},
      {u"<DownloadPath index=\"1\"><Path></Path><Path>/b</Path></DownloadPath>", -1, 1},
  };
  for (const auto& c : cases) {
    tftpd_param node;
    ASSERT_TRUE(load_from_text(node, u"<Tftpd>" + std::u16string(c.element) + u"</Tftpd>"));
    EXPECT_EQ(node.download_index, c.index);
    EXPECT_EQ(node.download_paths.size(), c.paths);
  }
}

TEST(tftpd_param, bad_or_missing_values_keep_what_was_there) {
  tftpd_param node;
  node.interface_address = 0x0A000001;
  ASSERT_TRUE(load_from_text(node, u"<Tftpd><Interface>255.255.255.255</Interface><LogLevel>debug</LogLevel></Tftpd>"));
  EXPECT_EQ(node.interface_address, 0x0A000001u);
  EXPECT_EQ(node.log_level, LOG_DISABLED);
  EXPECT_EQ(node.port, 69u);
  ASSERT_TRUE(load_from_text(node, u"<Tftpd><Interface>not an address</Interface></Tftpd>"));
  EXPECT_EQ(node.interface_address, 0x0A000001u);
}

TEST(tftpd_param, apply_starts_an_enabled_server_and_a_failed_start_disables_it) {
  tftpd_param node;
  int starts = 0;
  bool start_result = true;
  node.starter = [&](const tftpd_param&) {
    ++starts;
    return start_result;
  };
  EXPECT_TRUE(node.apply());
  EXPECT_EQ(starts, 0);
  node.enable = true;
  EXPECT_TRUE(node.apply());
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(node.enable);
  start_result = false;
  EXPECT_TRUE(node.apply());
  EXPECT_FALSE(node.enable);
  EXPECT_NE(saved_text(node).find(u"<Enable>false</Enable>"), std::u16string::npos);
}

TEST(server_values, addresses_read_as_inet_addr_does) {
  uint32_t address = 7;
  EXPECT_TRUE(read_address(u"192.168.1.5", address));
  EXPECT_EQ(address, 0xC0A80105u);
  EXPECT_TRUE(read_address(u"0.0.0.0", address));
  EXPECT_EQ(address, 0u);
  address = 7;
  EXPECT_FALSE(read_address(u"255.255.255.255", address));
  EXPECT_FALSE(read_address(u"1.2.3.4.5", address));
  EXPECT_FALSE(read_address(u"", address));
  EXPECT_EQ(address, 7u);
  EXPECT_EQ(address_text(0xC0A80105), u"192.168.1.5");
}

}  // namespace
