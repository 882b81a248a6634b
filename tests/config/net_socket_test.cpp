// The socket wrapper over real loopback sockets: usability by kind and state, receive waits and
// results (time-out, oversized datagram, closed TCP peer), sends without a destination, the
// wait on several sockets with a wake descriptor, and the interface list.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "config/net_socket.h"
#include "platform/wake_event.h"

namespace {

using clock_type = std::chrono::steady_clock;

int64_t ms_since(clock_type::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

// A UDP socket bound to a free loopback port, ready for use.
void bind_loopback_udp(net_socket& s) {
  ASSERT_TRUE(s.open(net_socket::kind_udp, nullptr, 0));
  sockaddr_in address = ipv4_address(INADDR_LOOPBACK, 0);
  ASSERT_EQ(::bind(s.sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(s.sock, reinterpret_cast<sockaddr*>(&address), &length);
  s.local_address = address;
}

// A connected TCP pair over loopback: `client` through the wrapper, the accepted end raw.
int connect_tcp_pair(net_socket& client) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = ipv4_address(INADDR_LOOPBACK, 0);
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  EXPECT_TRUE(client.open(net_socket::kind_tcp, "127.0.0.1", ntohs(address.sin_port)));
  EXPECT_EQ(::connect(client.sock, reinterpret_cast<const sockaddr*>(&*client.remote_address),
                      sizeof(sockaddr_in)),
            0);
  client.state = net_socket::state_connected;
  int accepted = ::accept(listener, nullptr, nullptr);
  ::close(listener);
  return accepted;
}

TEST(net_socket, a_new_socket_is_closed_and_close_is_harmless_twice) {
  net_socket s;
  EXPECT_EQ(s.sock, -1);
  EXPECT_EQ(s.kind, net_socket::kind_none);
  EXPECT_EQ(s.state, net_socket::state_closed);
  s.close();
  s.close();
  EXPECT_EQ(s.sock, -1);
}

TEST(net_socket, open_resolves_the_host_or_fails_closed) {
  net_socket s;
  ASSERT_TRUE(s.open(net_socket::kind_udp, "127.0.0.1", 6969));
  EXPECT_EQ(s.kind, net_socket::kind_udp);
  EXPECT_EQ(s.state, net_socket::state_open);
  ASSERT_TRUE(s.remote_address);
  EXPECT_EQ(ntohs(s.remote_address->sin_port), 6969);
  EXPECT_EQ(ntohl(s.remote_address->sin_addr.s_addr), INADDR_LOOPBACK);

  EXPECT_FALSE(s.open(net_socket::kind_tcp, "no-such-host.invalid", 80));
  EXPECT_EQ(s.sock, -1);
  EXPECT_EQ(s.state, net_socket::state_closed);
  EXPECT_FALSE(s.remote_address);
}

TEST(net_socket, sockets_in_the_wrong_state_or_kind_fail_without_being_touched) {
  char buffer[8] = {};
  net_socket closed;
  EXPECT_EQ(closed.receive(buffer, sizeof buffer, 0), -1);
  EXPECT_EQ(closed.send("x", 1), -1);

  net_socket unconnected;  // a TCP socket that never connected
  ASSERT_TRUE(unconnected.open(net_socket::kind_tcp, nullptr, 0));
  EXPECT_EQ(unconnected.receive(buffer, sizeof buffer, 0), -1);
  EXPECT_EQ(unconnected.send("x", 1), -1);
  EXPECT_EQ(unconnected.state, net_socket::state_open);
}

TEST(net_socket, udp_round_trip_gives_the_sender) {
  net_socket a, b;
  bind_loopback_udp(a);
  bind_loopback_udp(b);
  ASSERT_EQ(a.send("hello", 5, &*b.local_address), 5);
  char buffer[16];
  sockaddr_in from{};
  ASSERT_EQ(b.receive(buffer, sizeof buffer, 1000, &from), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(from.sin_port, a.local_address->sin_port);
}

TEST(net_socket, receive_waits_only_as_long_as_asked) {
  net_socket s;
  bind_loopback_udp(s);
  char buffer[16];
  auto start = clock_type::now();
  EXPECT_EQ(s.receive(buffer, sizeof buffer, 0), 0);
  EXPECT_LT(ms_since(start), 100);
  start = clock_type::now();
  EXPECT_EQ(s.receive(buffer, sizeof buffer, 300), 0);
  EXPECT_GE(ms_since(start), 290);
}

TEST(net_socket, an_oversized_datagram_fails_and_is_lost) {
  net_socket a, b;
  bind_loopback_udp(a);
  bind_loopback_udp(b);
  const std::vector<char> big(600, 'x');
  ASSERT_EQ(a.send(big.data(), big.size(), &*b.local_address), 600);
  ASSERT_EQ(a.send("ok", 2, &*b.local_address), 2);
  char buffer[552];
  sockaddr_in from{};
  errno = 0;
  EXPECT_LT(b.receive(buffer, sizeof buffer, 1000, &from), 0);
  // The caller can say what it dropped, and from whom.
  EXPECT_EQ(errno, EMSGSIZE);
  EXPECT_EQ(from.sin_port, a.local_address->sin_port);
  EXPECT_EQ(b.receive(buffer, sizeof buffer, 1000), 2);
  EXPECT_EQ(b.state, net_socket::state_open);
}

TEST(net_socket, udp_send_without_any_destination_sends_nothing) {
  net_socket s;
  bind_loopback_udp(s);
  EXPECT_LT(s.send("x", 1), 0);
}

TEST(net_socket, udp_send_to_the_remote_address_when_no_destination_is_given) {
  net_socket a, b;
  bind_loopback_udp(a);
  bind_loopback_udp(b);
  a.remote_address = b.local_address;
  ASSERT_EQ(a.send("abc", 3), 3);
  char buffer[8];
  EXPECT_EQ(b.receive(buffer, sizeof buffer, 1000), 3);
}

TEST(net_socket, tcp_peer_close_reads_as_zero_and_an_error_leaves_it_unconnected) {
  net_socket client;
  int peer = connect_tcp_pair(client);
  ASSERT_GE(peer, 0);
  ASSERT_EQ(::send(peer, "hi", 2, 0), 2);
  char buffer[8];
  sockaddr_in from{};
  ASSERT_EQ(client.receive(buffer, sizeof buffer, 1000, &from), 2);
  EXPECT_EQ(from.sin_port, client.remote_address->sin_port);
  EXPECT_EQ(client.receive(buffer, sizeof buffer, 0), 0);  // nothing there yet
  ::close(peer);
  EXPECT_EQ(client.receive(buffer, sizeof buffer, 1000), 0);  // the peer closed
  EXPECT_EQ(client.state, net_socket::state_connected);
  // Writing into a closed connection fails at the latest on the second send (reset).
  int result = 0;
  for (int i = 0; i < 5 && result >= 0; ++i) {
    result = client.send("x", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_LT(result, 0);
  EXPECT_EQ(client.state, net_socket::state_open);
  EXPECT_EQ(client.send("x", 1), -1);
}

TEST(net_socket_select, marks_the_ready_sockets_and_clears_the_others) {
  net_socket a, b, sender;
  bind_loopback_udp(a);
  bind_loopback_udp(b);
  bind_loopback_udp(sender);
  a.ready_flags = b.ready_flags = 7;
  sender.send("x", 1, &*b.local_address);
  net_socket* list[] = {&a, nullptr, &b, &b};
  EXPECT_EQ(net_socket::select_sockets(list, {}, 1000000), 1);
  EXPECT_EQ(a.ready_flags, 0u);
  EXPECT_EQ(b.ready_flags, uint32_t{net_socket::ready_read});

  net_socket* writable[] = {&a};
  EXPECT_EQ(net_socket::select_sockets({}, writable, 0), 1);
  EXPECT_EQ(a.ready_flags, uint32_t{net_socket::ready_write});
}

TEST(net_socket_select, times_out_with_zero_after_the_wait) {
  net_socket a;
  bind_loopback_udp(a);
  net_socket* list[] = {&a};
  auto start = clock_type::now();
  EXPECT_EQ(net_socket::select_sockets(list, {}, 200000), 0);
  EXPECT_GE(ms_since(start), 190);
}

TEST(net_socket_select, a_wake_ends_the_wait_without_a_ready_socket) {
  net_socket a;
  bind_loopback_udp(a);
  platform::wake_event wake;
  std::thread waker([&wake] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    wake.signal();
  });
  net_socket* list[] = {&a};
  auto start = clock_type::now();
  EXPECT_EQ(net_socket::select_sockets(list, {}, 10000000, wake.fd()), 0);
  EXPECT_LT(ms_since(start), 5000);
  EXPECT_EQ(a.ready_flags, 0u);
  waker.join();
}

TEST(net_socket_select, no_open_socket_fails_at_once_even_with_a_wake) {
  platform::wake_event wake;
  net_socket closed;
  net_socket* list[] = {&closed};
  EXPECT_LT(net_socket::select_sockets(list, {}, 10000000, wake.fd()), 0);
  EXPECT_LT(net_socket::select_sockets({}, {}, 10000000), 0);
}

TEST(net_socket_interfaces, the_list_holds_loopback_and_is_all_or_nothing) {
  net_interface entries[100];
  EXPECT_EQ(net_socket::list_interfaces(nullptr, 100), -1);
  const int count = net_socket::list_interfaces(entries, 100);
  ASSERT_GT(count, 0);
  bool loopback = false;
  for (int i = 0; i < count; ++i)
    if (entries[i].loopback) {
      loopback = true;
      EXPECT_EQ(ntohl(entries[i].address), INADDR_LOOPBACK);
      EXPECT_EQ(ntohl(entries[i].netmask), 0xFF000000u);
      EXPECT_STREQ(entries[i].name, "lo");
    }
  EXPECT_TRUE(loopback);
  EXPECT_EQ(net_socket::list_interfaces(entries, count - 1), -1);
  // The uncapped list is the same list.
  const auto all = net_socket::all_interfaces();
  ASSERT_TRUE(all);
  ASSERT_EQ(all->size(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ((*all)[i].address, entries[i].address);
    EXPECT_STREQ((*all)[i].name, entries[i].name);
  }
}

TEST(net_socket_text, dotted_text_and_addresses) {
  EXPECT_EQ(dotted_text(0xC0A80164), "192.168.1.100");
  EXPECT_EQ(dotted_text(0), "0.0.0.0");
  sockaddr_in a = ipv4_address(0x7F000001, 69);
  EXPECT_EQ(ntohs(a.sin_port), 69);
  EXPECT_EQ(ntohl(a.sin_addr.s_addr), 0x7F000001u);
  auto resolved = resolve_address(true, "127.0.0.1", 65535);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(ntohs(resolved->sin_port), 65535);
}

}  // namespace
