// The DHCP server's rules, datagram in and reply out, on a fake clock: offers and their hold,
// requests and renewals, releases, static pools, expiry, the reply's layout, and malformed
// datagrams that must be dropped with their reason.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/dhcpd_param.h"
#include "config/text_convert.h"
#include "servers/dhcpd.h"
#include "servers/trace_sink.h"
#include "tests/servers/dhcp_messages.h"
#include "tests/support/wait_until.h"

namespace {

using namespace test_support;

constexpr uint32_t self = 0xC0A80101;  // 192.168.1.1
const mac_address client_a{0x02, 0, 0, 0, 0, 0xA};
const mac_address client_b{0x02, 0, 0, 0, 0, 0xB};
const mac_address fixed_mac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

class dhcpd_rules : public ::testing::Test {
 protected:
  dhcpd_rules() {
    server.set_time_source([this] { return now; });
    dhcp_pool pool;
    pool.start_ip = 0xC0A80164;  // 192.168.1.100
    pool.count = 10;
    pool.lease_time = 600;
    pool.router = 0xC0A80101;
    pool.subnet = 0xFFFFFF00;
    settings.pools.push_back(pool);
    settings.log_level = LOG_DEBUG;
    trace_sink::instance().take();
  }

  void configure() { server.configure(settings); }

  std::optional<dhcp_message> send(const dhcp_request& request) {
    const std::string datagram = dhcp_datagram(request);
    return server.handle_packet(self, reinterpret_cast<const uint8_t*>(datagram.data()), datagram.size());
  }
  std::optional<dhcp_message> send_raw(const std::string& datagram, uint32_t at = self) {
    return server.handle_packet(at, reinterpret_cast<const uint8_t*>(datagram.data()), datagram.size());
  }

  static dhcp_request discover(const mac_address& mac, uint32_t requested = 0) {
    dhcp_request r;
    r.mac = mac;
    r.requested = requested;
    return r;
  }
  static dhcp_request request(const mac_address& mac, uint32_t requested, std::optional<uint32_t> id = self) {
    dhcp_request r;
    r.type = 3;
    r.mac = mac;
    r.requested = requested;
    r.server_id = id;
    return r;
  }
  static dhcp_request renewal(const mac_address& mac, uint32_t ciaddr) {
    dhcp_request r;
    r.type = 3;
    r.mac = mac;
    r.ciaddr = ciaddr;
    return r;
  }
  static dhcp_request release(const mac_address& mac, uint32_t ciaddr) {
    dhcp_request r = renewal(mac, ciaddr);
    r.type = 7;
    r.server_id = self;
    return r;
  }

  std::vector<dhcp_lease_info> leases() {
    std::vector<dhcp_lease_info> list;
    server.copy_leases(list);
    return list;
  }
  std::string trace() { return trace_ += wcs_to_string(trace_sink::instance().take()); }

  dhcpd server;
  dhcpd_param settings;
  int64_t now = 1700000000;
  std::string trace_;
};

TEST_F(dhcpd_rules, clients_get_the_pool_in_turn_then_an_ack_then_renewals) {
  configure();
  auto offer = send(discover(client_a));
  ASSERT_TRUE(offer);
  EXPECT_EQ(reply_u32(*offer, 16), 0xC0A80164u);
  EXPECT_EQ(reply_option(*offer, 53), std::string(1, 2));
  auto other = send(discover(client_b));
  ASSERT_TRUE(other);
  EXPECT_EQ(reply_u32(*other, 16), 0xC0A80165u);
  // Asking again gives the same offer.
  EXPECT_EQ(reply_u32(*send(discover(client_a)), 16), 0xC0A80164u);

  auto ack = send(request(client_a, 0xC0A80164));
  ASSERT_TRUE(ack);
  EXPECT_EQ(reply_option(*ack, 53), std::string(1, 5));
  EXPECT_EQ(reply_u32(*ack, 16), 0xC0A80164u);
  EXPECT_NE(trace().find("IP 192.168.1.100 is allocated to 02:00:00:00:00:0A"), std::string::npos);
  now += 100;
  ASSERT_TRUE(send(renewal(client_a, 0xC0A80164)));
  EXPECT_NE(trace().find("IP 192.168.1.100 is renewed to 02:00:00:00:00:0A"), std::string::npos);
  auto list = leases();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (dhcp_lease_info{true, 0xC0A80164, client_a, 1700000000, 1700000100}));
  EXPECT_EQ(list[1], (dhcp_lease_info{true, 0xC0A80165, client_b, 0, 0}));
}

TEST_F(dhcpd_rules, a_requested_address_is_given_when_free_and_in_a_pool) {
  configure();
  EXPECT_EQ(reply_u32(*send(discover(client_a, 0xC0A80169)), 16), 0xC0A80169u);
  EXPECT_EQ(reply_u32(*send(discover(client_b, 0x0A000005)), 16), 0xC0A80164u);
}

TEST_F(dhcpd_rules, refused_requests_get_no_reply_and_say_why) {
  configure();
  send(discover(client_a));
  struct refusal {
    dhcp_request message;
    const char* line;
  } cases[] = {
      {request(client_a, 0xC0A80166), "We can't allocate this IP for you!"},
      {request(client_a, 0xC0A80164, 0xC0A80102), "Reveive dhcp packet not for me!"},
      {request(client_b, 0xC0A80164), "There isn't any lease for request!"},
      {renewal(client_a, 0), "There is no request IP!"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(send(c.message)) << c.line;
    EXPECT_NE(trace().find(c.line), std::string::npos) << c.line;
  }
  EXPECT_EQ(leases()[0].allocated, 0);
}

TEST_F(dhcpd_rules, a_static_pool_always_gives_its_address_and_is_never_released) {
  dhcp_pool fixed;
  fixed.dynamic = false;
  fixed.static_ip = 0xC0A80132;
  fixed.mac = fixed_mac;
  settings.pools.push_back(fixed);
  configure();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(reply_u32(*send(discover(fixed_mac)), 16), 0xC0A80132u);
  ASSERT_TRUE(send(request(fixed_mac, 0xC0A80132)));
  send(release(fixed_mac, 0xC0A80132));
  now += 10 * 172800;
  server.expire_leases();
  EXPECT_EQ(server.remove_lease(fixed_mac), dhcpd::removal::static_lease);
  ASSERT_EQ(leases().size(), 1u);
  EXPECT_FALSE(leases()[0].dynamic);
}

TEST_F(dhcpd_rules, release_frees_a_dynamic_lease_only_with_the_servers_id_and_its_address) {
  configure();
  send(discover(client_a));
  send(request(client_a, 0xC0A80164));
  dhcp_request no_id = release(client_a, 0xC0A80164);
  no_id.server_id.reset();
  send(no_id);
  send(release(client_a, 0xC0A80165));
  EXPECT_EQ(leases().size(), 1u);
  send(release(client_a, 0xC0A80164));
  EXPECT_TRUE(leases().empty());
  EXPECT_NE(trace().find("Release IP 192.168.1.100 from 02:00:00:00:00:0A"), std::string::npos);
}

TEST_F(dhcpd_rules, offers_hold_five_seconds_and_leases_their_lease_time) {
  configure();
  send(discover(client_a));  // offered at now
  send(discover(client_b));
  send(request(client_b, 0xC0A80165));  // acknowledged at now
  now += 5;
  server.expire_leases();
  EXPECT_EQ(leases().size(), 2u);
  now += 1;
  server.expire_leases();
  ASSERT_EQ(leases().size(), 1u);
  EXPECT_EQ(leases()[0].mac, client_b);
  now += 594;  // 600 s after the ack
  server.expire_leases();
  EXPECT_EQ(leases().size(), 1u);
  send(renewal(client_b, 0xC0A80165));
  now += 601;
  server.expire_leases();
  EXPECT_TRUE(leases().empty());
  EXPECT_EQ(server.remove_lease(client_b), dhcpd::removal::none);
}

TEST_F(dhcpd_rules, a_lease_time_of_zero_sends_no_lease_option_and_expires_at_once) {
  settings.pools[0].lease_time = 0;
  configure();
  send(discover(client_a));
  auto ack = send(request(client_a, 0xC0A80164));
  ASSERT_TRUE(ack);
  EXPECT_FALSE(reply_option(*ack, 51));
  server.expire_leases();
  EXPECT_EQ(leases().size(), 1u);
  now += 1;
  server.expire_leases();
  EXPECT_TRUE(leases().empty());
}

TEST_F(dhcpd_rules, the_reply_copies_the_request_and_carries_the_options_in_order) {
  settings.pools[0].boot_file = std::string(200, 'b');
  configure();
  dhcp_request r = discover(client_a);
  r.xid = 0xCAFEBABE;
  std::string datagram = dhcp_datagram(r);
  datagram[24] = 10;  // giaddr 10.0.0.0
  auto reply = send_raw(datagram);
  ASSERT_TRUE(reply);
  EXPECT_EQ((*reply)[0], 2);
  EXPECT_EQ((*reply)[1], 1);
  EXPECT_EQ((*reply)[2], 6);
  EXPECT_EQ(reply_u32(*reply, 4), 0xCAFEBABEu);
  EXPECT_EQ((*reply)[10], 0x80);
  EXPECT_EQ(reply_u32(*reply, 24), 0x0A000000u);
  EXPECT_EQ(std::memcmp(&(*reply)[28], client_a.data(), 6), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&(*reply)[108])), std::string(127, 'b'));
  EXPECT_EQ(reply_u32(*reply, 236), 0x63825363u);
  const uint8_t expected[] = {53, 1, 2, 54, 4, 192, 168, 1, 1, 51, 4, 0, 0, 2, 88,
                              3,  4, 192, 168, 1, 1, 1, 4, 255, 255, 255, 0, 255};
  EXPECT_EQ(std::memcmp(&(*reply)[240], expected, sizeof expected), 0);
}

TEST_F(dhcpd_rules, allocation_walks_the_leases_not_the_range) {
  settings.pools[0].start_ip = 0x01000000;
  settings.pools[0].count = 0xF0000000;  // nearly every address there is
  dhcp_pool wraps;
  wraps.start_ip = 0xFFFFFF00;
  wraps.count = 0x200;
  settings.pools.insert(settings.pools.begin(), wraps);
  configure();
  for (uint32_t i = 0; i < 2000; ++i) {
    mac_address mac{0x02, 1, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    auto offer = send(discover(mac));
    ASSERT_TRUE(offer);
    ASSERT_EQ(reply_u32(*offer, 16), 0x01000000u + i);
  }
}

TEST_F(dhcpd_rules, an_exhausted_pool_offers_nothing) {
  settings.pools[0].count = 1;
  configure();
  ASSERT_TRUE(send(discover(client_a)));
  EXPECT_FALSE(send(discover(client_b)));
  EXPECT_NE(trace().find("There isn't any free address!"), std::string::npos);
}

struct malformed_case {
  const char* what;
  std::string datagram;
  const char* line;
};

class dhcpd_malformed : public dhcpd_rules, public ::testing::WithParamInterface<malformed_case> {};

TEST_P(dhcpd_malformed, is_dropped_with_its_reason_and_the_server_goes_on) {
  configure();
  EXPECT_FALSE(send_raw(GetParam().datagram));
  EXPECT_NE(trace().find(GetParam().line), std::string::npos) << trace();
  EXPECT_TRUE(leases().empty());
  EXPECT_TRUE(send(discover(client_a)));
}

std::string with_byte(std::string datagram, size_t at, char value) {
  datagram[at] = value;
  return datagram;
}

std::string of_type(uint8_t type) {
  dhcp_request r;
  r.type = type;
  return dhcp_datagram(r);
}

std::string options_only(const std::string& options) {
  dhcp_request r;
  r.type = 0;
  r.more_options = options;
  return dhcp_datagram(r);
}

INSTANTIATE_TEST_SUITE_P(
    datagrams, dhcpd_malformed,
    ::testing::Values(
        malformed_case{"short", dhcp_datagram({}).substr(0, 239), "Invalid packet length 239"},
        malformed_case{"empty", std::string(), "Invalid packet length 0"},
        malformed_case{"hlen", with_byte(dhcp_datagram({}), 2, 16), "Invalid hw len 16"},
        malformed_case{"op", with_byte(dhcp_datagram({}), 0, 2), "Invalid op 2"},
        malformed_case{"no_type", options_only(""), "Option message type is not presented!"},
        malformed_case{"type_too_long", options_only(std::string{53, 2, 1, 1}), "Invalid option length!"},
        malformed_case{"server_id_short", options_only(std::string{53, 1, 1, 54, 3, 1, 2, 3}),
                       "Invalid option length!"},
        malformed_case{"requested_short", options_only(std::string{53, 1, 1, 50, 2, 1, 2}),
                       "Invalid option length!"},
        // The type option's data would run past the received bytes: it is not there.
        malformed_case{"type_past_the_end", dhcp_datagram({}).substr(0, 240) + std::string{53, 1},
                       "Option message type is not presented!"},
        malformed_case{"decline", of_type(4), "Invalid operation!"},
        malformed_case{"inform", of_type(8), "Invalid operation!"}),
    [](const ::testing::TestParamInfo<malformed_case>& info) { return std::string(info.param.what); });

TEST_F(dhcpd_rules, options_overloaded_into_the_file_field_are_read_within_it) {
  configure();
  std::string datagram = options_only(std::string{52, 1, 1});
  datagram[108] = 53;
  datagram[109] = 1;
  datagram[110] = 1;
  datagram[111] = static_cast<char>(255);
  EXPECT_TRUE(send_raw(datagram));
  // An option that runs past the file field is not read from the cookie behind it.
  std::string past = options_only(std::string{52, 1, 1});
  past[234] = 53;
  past[235] = 4;
  EXPECT_FALSE(send_raw(past));
}

TEST_F(dhcpd_rules, an_interface_nobody_has_starts_and_stops_at_once) {
  settings.interface_address = 0x0AFFFFFE;  // 10.255.255.254
  ASSERT_TRUE(server.start(settings));
  EXPECT_TRUE(wait_until([&] { return !server.is_running(); }));
  const std::string lines = trace();
  const size_t started = lines.find("[dhcpd] DHCP Server started\r\n");
  ASSERT_NE(started, std::string::npos) << lines;
  EXPECT_NE(lines.find("[dhcpd] DHCP Server stopped\r\n", started), std::string::npos) << lines;
  EXPECT_TRUE(server.stop());
}

TEST_F(dhcpd_rules, a_socket_without_its_own_address_cannot_answer) {
  configure();
  EXPECT_FALSE(send_raw(dhcp_datagram({}), 0));
  EXPECT_NE(trace().find("Failed to get self address!"), std::string::npos);
}

}  // namespace
