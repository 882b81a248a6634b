// The server sections of Tessary.conf: exact saved text, what loading keeps or refuses, and
// apply starting the server (a failed start recorded as disabled).
#include <gtest/gtest.h>

#include "config/dhcpd_param.h"
#include "config/httpd_param.h"
#include "config/server_values.h"
#include "config/tftpd_param.h"
#include "config/text_convert.h"
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

TEST(dhcpd_param, pools_save_their_elements_by_type_and_only_set_options) {
  dhcpd_param node;
  EXPECT_EQ(saved_text(node),
            u"<Dhcpd>\r\n<Enable>false</Enable>\r\n<Interface>0.0.0.0</Interface>\r\n"
            u"<LogLevel>DISABLED</LogLevel>\r\n<Pools/>\r\n</Dhcpd>\r\n");
  dhcp_pool dynamic;
  dynamic.start_ip = 0xC0A80164;
  dynamic.count = 10;
  dynamic.lease_time = 3600;
  dynamic.router = 0xC0A80101;
  dhcp_pool fixed;
  fixed.dynamic = false;
  fixed.static_ip = 0xC0A80132;
  fixed.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0xAB};
  fixed.boot_file = "pxelinux.0";
  fixed.subnet = 0xFFFFFF00;
  node.pools = {dynamic, fixed};
  const std::u16string text = saved_text(node);
  EXPECT_NE(text.find(u"<Pool Type=\"dynamic\">\r\n<StartIP>192.168.1.100</StartIP>\r\n<IPNum>10</IPNum>\r\n"
                      u"<LeaseTime>60</LeaseTime>\r\n<Router>192.168.1.1</Router>\r\n</Pool>"),
            std::u16string::npos)
      << wcs_to_string(text);
  EXPECT_NE(text.find(u"<Pool Type=\"static\">\r\n<IP>192.168.1.50</IP>\r\n<MAC>00:11:22:33:44:AB</MAC>\r\n"
                      u"<LeaseTime>2880</LeaseTime>\r\n<BootFile>pxelinux.0</BootFile>\r\n"
                      u"<Subnet>255.255.255.0</Subnet>\r\n</Pool>"),
            std::u16string::npos)
      << wcs_to_string(text);
  dhcpd_param read;
  ASSERT_TRUE(load_from_text(read, text));
  EXPECT_EQ(read.pools, node.pools);
}

TEST(dhcpd_param, loading_fills_every_pool_from_the_defaults) {
  dhcpd_param node;
  node.interface_address = 0x0A000001;
  node.pools.resize(3);
  ASSERT_TRUE(load_from_text(node, u"<Dhcpd><Enable>true</Enable><Interface>255.255.255.255</Interface>"
                                   u"<LogLevel>INFORMATION</LogLevel><Pools>"
                                   u"<Pool><IP>10.0.0.9</IP><MAC>0:1:2:3:4:1ff</MAC><LeaseTime>60</LeaseTime></Pool>"
                                   u"<Pool Type=\"static\"><MAC>00:11:22</MAC></Pool>"
                                   u"<Pool Type=\"Dynamic\"/>"
                                   u"<Pool Type=\"dynamic\"><StartIP>10.0.0.100</StartIP><IPNum>5</IPNum>"
                                   u"<Router>bad</Router></Pool>"
                                   u"</Pools></Dhcpd>"));
  EXPECT_TRUE(node.enable);
  EXPECT_EQ(node.interface_address, 0x0A000001u);
  EXPECT_EQ(node.log_level, LOG_INFORMATION);
  ASSERT_EQ(node.pools.size(), 4u);
  EXPECT_FALSE(node.pools[0].dynamic);  // no Type: static
  EXPECT_EQ(node.pools[0].static_ip, 0x0A000009u);
  EXPECT_EQ(node.pools[0].mac, (mac_address{0, 1, 2, 3, 4, 0xFF}));
  EXPECT_EQ(node.pools[0].lease_time, 3600u);
  EXPECT_EQ(node.pools[1].mac, mac_address{});  // three fields are no address
  EXPECT_EQ(node.pools[1].lease_time, 172800u);
  EXPECT_FALSE(node.pools[2].dynamic);          // the Type word is exact
  EXPECT_TRUE(node.pools[3].dynamic);
  EXPECT_EQ(node.pools[3].start_ip, 0x0A000064u);
  EXPECT_EQ(node.pools[3].count, 5u);
  EXPECT_EQ(node.pools[3].router, 0u);
  // Without a Pools element no pool is left.
  ASSERT_TRUE(load_from_text(node, u"<Dhcpd/>"));
  EXPECT_TRUE(node.pools.empty());
}

TEST(dhcpd_param, a_lease_time_too_long_for_32_bits_is_held_at_the_longest) {
  dhcpd_param node;
  ASSERT_TRUE(load_from_text(node, u"<Dhcpd><Pools><Pool Type=\"dynamic\"><LeaseTime>71582789</LeaseTime></Pool>"
                                   u"<Pool Type=\"dynamic\"><LeaseTime>4294967295</LeaseTime></Pool></Pools></Dhcpd>"));
  ASSERT_EQ(node.pools.size(), 2u);
  // Minutes times 60 in 32 bits would wrap to 44 seconds and to 4294967236.
  EXPECT_EQ(node.pools[0].lease_time, max_lease_time);
  EXPECT_EQ(node.pools[1].lease_time, max_lease_time);
  EXPECT_NE(saved_text(node).find(u"<LeaseTime>71582788</LeaseTime>"), std::u16string::npos);
}

// Every server section starts its server the same way.
template <typename Node>
class server_section_apply : public testing::Test {};
using server_sections = testing::Types<tftpd_param, dhcpd_param, httpd_param>;
TYPED_TEST_SUITE(server_section_apply, server_sections);

TYPED_TEST(server_section_apply, starts_an_enabled_server_and_a_failed_start_disables_it) {
  TypeParam node;
  int starts = 0;
  bool start_result = true;
  node.starter = [&](const TypeParam& settings) {
    EXPECT_EQ(&settings, &node);
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
