// The DHCP server as clients on a network see it: busybox udhcpc in a namespace of its own,
// joined to the server's namespace by a veth pair, leases, renews and releases an address, also
// from a server side with more addresses than a fixed interface list would hold; requests
// longer than 552 bytes are answered; malformed datagrams from Python change nothing (and one
// too long to read is logged); a lease expires on the server's clock, also while
// datagrams keep arriving; a port already taken fails the start with its reason. Needs root.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "config/dhcpd_param.h"
#include "config/net_socket.h"
#include "config/text_convert.h"
#include "servers/dhcpd.h"
#include "servers/trace_sink.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/netns_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace {

using namespace test_support;
using namespace std::chrono_literals;

std::atomic<int64_t> fake_now{1700000000};

class dhcpd_netns : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = netns_pair::unavailable_reason();
    if (!why.empty()) GTEST_SKIP() << why;
    if (!have_program("busybox")) FAIL() << "busybox is missing (scripts/install-deps --tests)";
    net = std::make_unique<netns_pair>();
    dhcp_pool pool;
    pool.start_ip = 0x0A630064;  // 10.99.0.100
    pool.count = 20;
    pool.lease_time = 3600;
    pool.router = netns_pair::server_address;
    pool.subnet = 0xFFFFFF00;
    pool.boot_file = "pxelinux.0";
    settings.pools = {pool};
    settings.enable = true;
    settings.log_level = LOG_DEBUG;
    dhcpd::instance()->set_time_source([] { return fake_now.load(); });
    trace_sink::instance().take();
    events = folder.file("events");
    script = folder.file("udhcpc.sh");
    // Configures the address udhcpc got (renewals and releases are sent from it) and notes
    // every event with what the server told.
    write_file(script,
               "#!/bin/sh\n"
               "case \"$1\" in\n"
               "  deconfig) ip addr flush dev \"$interface\" ;;\n"
               "  bound|renew) ip addr flush dev \"$interface\"; ip addr add \"$ip/24\" dev \"$interface\" ;;\n"
               "esac\n"
               "echo \"$1 ip=$ip subnet=$subnet router=$router lease=$lease serverid=$serverid "
               "boot_file=$boot_file\" >> " +
                   events + "\n");
    ::chmod(script.c_str(), 0755);
  }

  void TearDown() override {
    for (pid_t child : {client, chatter}) {
      if (child <= 0) continue;
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
    dhcpd::instance()->stop();
  }

  bool start_server() {
    bool started = false;
    net->in_server([&] { started = dhcpd::instance()->start(settings); });
    return started;
  }

  // Starts the program with its arguments inside the client namespace (ip execs it, so the
  // process is the program's); its process id, or -1.
  pid_t spawn_in_client(std::vector<std::string> program) {
    std::vector<std::string> words = {"ip", "netns", "exec", net->client_ns()};
    words.insert(words.end(), program.begin(), program.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return ::posix_spawnp(&pid, "ip", nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
  }

  // udhcpc in the client namespace, in the foreground of its own process.
  void start_client() {
    client = spawn_in_client({"busybox", "udhcpc", "-f", "-i", netns_pair::client_if, "-s", script, "-t", "10", "-T",
                              "1", "-A", "1"});
    ASSERT_GT(client, 0);
  }

  // A client takes a lease and then disappears without releasing it.
  void lease_to_a_vanishing_client() {
    settings.interface_address = netns_pair::server_address;
    ASSERT_TRUE(start_server()) << trace;
    start_client();
    ASSERT_FALSE(wait_event("bound ").empty()) << read_file(events) << trace;
    ::kill(client, SIGKILL);
    ::waitpid(client, nullptr, 0);
    client = -1;
  }

  // Waits up to 10 s for a line of the events file that holds `text`; the line.
  std::string wait_event(const std::string& text) {
    for (int i = 0; i < 200; ++i) {
      const std::string all = read_file(events);
      for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        if (all.substr(start, end - start).find(text) != std::string::npos) return all.substr(start, end - start);
      std::this_thread::sleep_for(50ms);
    }
    return {};
  }

  bool trace_shows(const std::string& text) {
    for (int i = 0; i < 200; ++i) {
      trace += wcs_to_string(trace_sink::instance().take());
      if (trace.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  std::vector<dhcp_lease_info> leases() {
    std::vector<dhcp_lease_info> list;
    dhcpd::instance()->copy_leases(list);
    return list;
  }

  std::unique_ptr<netns_pair> net;
  temp_folder folder;
  dhcpd_param settings;
  std::string events;
  std::string script;
  std::string trace;
  pid_t client = -1;
  pid_t chatter = -1;
};

TEST_F(dhcpd_netns, udhcpc_leases_renews_and_releases_and_junk_changes_nothing) {
  ASSERT_TRUE(start_server()) << trace;
  ASSERT_TRUE(trace_shows("DHCP Server started"));
  start_client();
  const std::string bound = wait_event("bound ");
  ASSERT_FALSE(bound.empty()) << read_file(events) << trace;
  EXPECT_EQ(bound,
            "bound ip=10.99.0.100 subnet=255.255.255.0 router=10.99.0.1 lease=3600 serverid=10.99.0.1 "
            "boot_file=pxelinux.0");
  EXPECT_TRUE(trace_shows("IP 10.99.0.100 is allocated to "));
  ASSERT_EQ(leases().size(), 1u);
  EXPECT_EQ(leases()[0].allocated, fake_now.load());

  // Malformed datagrams, broadcast and unicast, from the client's namespace.
  EXPECT_EQ(run_command(net->client_command(std::string("python3 " DHCP_JUNK " ") + netns_pair::client_if +
                                            " 10.99.0.1")),
            0);
  EXPECT_TRUE(trace_shows("Invalid packet length 239"));
  EXPECT_TRUE(trace_shows("Invalid hw len 200"));
  EXPECT_TRUE(trace_shows("Invalid option length!"));
  EXPECT_TRUE(trace_shows("Dropped a datagram longer than 1500 bytes from 10.99.0.100:")) << trace;
  EXPECT_EQ(leases().size(), 1u);

  fake_now += 60;
  ::kill(client, SIGUSR1);  // renew
  EXPECT_FALSE(wait_event("renew ").empty()) << read_file(events);
  EXPECT_TRUE(trace_shows("IP 10.99.0.100 is renewed to ")) << trace;
  ASSERT_EQ(leases().size(), 1u);
  EXPECT_EQ(leases()[0].renewed, fake_now.load());

  ::kill(client, SIGUSR2);  // release
  EXPECT_TRUE(trace_shows("Release IP 10.99.0.100 from ")) << trace;
  EXPECT_TRUE(leases().empty());
}

struct many_addresses_case {
  const char* what;
  uint32_t interface_address;  // the settings' Interface, host order
  const char* server_id;       // what the client is told
  size_t sockets;              // one per served device
};

class dhcpd_netns_many_addresses : public dhcpd_netns, public ::testing::WithParamInterface<many_addresses_case> {};

TEST_P(dhcpd_netns_many_addresses, udhcpc_gets_a_lease_from_the_selected_interfaces) {
  const many_addresses_case& c = GetParam();
  // Twelve addresses on the server side, as hosts with container bridges or VPNs have them.
  for (int n = 2; n <= 12; ++n)
    ASSERT_EQ(run_command(net->server_command("ip addr add 10.99.0." + std::to_string(n) + "/24 dev " +
                                              netns_pair::server_if)),
              0);
  settings.interface_address = c.interface_address;
  ASSERT_TRUE(start_server()) << trace;
  EXPECT_EQ(dhcpd::instance()->sockets.size(), c.sockets);
  start_client();
  const std::string bound = wait_event("bound ");
  ASSERT_FALSE(bound.empty()) << read_file(events) << trace;
  EXPECT_NE(bound.find("ip=10.99.0.100 "), std::string::npos) << bound;
  EXPECT_NE(bound.find(std::string("serverid=") + c.server_id + " "), std::string::npos) << bound;
  EXPECT_TRUE(trace_shows("IP 10.99.0.100 is allocated to ")) << trace;
}

INSTANTIATE_TEST_SUITE_P(
    twelve, dhcpd_netns_many_addresses,
    ::testing::Values(many_addresses_case{"every_interface", 0, "10.99.0.1", 2},  // the veth end and loopback
                      many_addresses_case{"the_last_address", 0x0A63000C, "10.99.0.12", 1}),
    [](const ::testing::TestParamInfo<many_addresses_case>& info) { return std::string(info.param.what); });

class dhcpd_netns_large_requests : public dhcpd_netns, public ::testing::WithParamInterface<int> {};

TEST_P(dhcpd_netns_large_requests, a_discover_longer_than_552_bytes_gets_an_offer) {
  ASSERT_TRUE(start_server()) << trace;
  const std::string command = net->client_command(std::string("python3 " DHCP_DISCOVER " ") + netns_pair::client_if +
                                                  " " + std::to_string(GetParam()));
  EXPECT_EQ(run_command(command), 0) << command << "\n" << trace;
  ASSERT_EQ(leases().size(), 1u);
  EXPECT_EQ(leases()[0].ip, 0x0A630064u);
}

INSTANTIATE_TEST_SUITE_P(sizes, dhcpd_netns_large_requests, ::testing::Values(576, 1500),
                         [](const ::testing::TestParamInfo<int>& info) { return "bytes_" + std::to_string(info.param); });

TEST_F(dhcpd_netns, a_lease_expires_on_the_servers_clock_when_the_client_is_gone) {
  ASSERT_NO_FATAL_FAILURE(lease_to_a_vanishing_client());
  fake_now += 3600;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(leases().size(), 1u);
  fake_now += 2;
  EXPECT_TRUE(wait_until([&] { return leases().empty(); }));
}

TEST_F(dhcpd_netns, a_lease_expires_while_datagrams_keep_arriving) {
  ASSERT_NO_FATAL_FAILURE(lease_to_a_vanishing_client());
  // A datagram every 50 ms, so the server's 100 ms wait never runs out; it goes on for longer
  // than the wait below and ends with the test.
  chatter = spawn_in_client({"python3", DHCP_JUNK, netns_pair::client_if, "10.99.0.1", "60"});
  ASSERT_GT(chatter, 0);
  EXPECT_TRUE(trace_shows("Invalid packet length 1")) << trace;
  fake_now += 3602;
  EXPECT_TRUE(wait_until([&] { return leases().empty(); }));
  int status = 0;
  EXPECT_EQ(::waitpid(chatter, &status, WNOHANG), 0) << "the datagrams stopped before the lease expired";
}

TEST_F(dhcpd_netns, a_port_already_taken_fails_the_start_with_its_reason) {
  net_socket taken;
  net->in_server([&] {
    ASSERT_TRUE(taken.open(net_socket::kind_udp, nullptr, 0));
    sockaddr_in any = ipv4_address(0, dhcpd::server_port);
    ASSERT_EQ(::bind(taken.sock, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
  });
  EXPECT_FALSE(start_server());
  EXPECT_FALSE(dhcpd::instance()->is_running());
  EXPECT_TRUE(trace_shows("Address already in use")) << trace;
}

}  // namespace
