// The TFTP back end against tftpd-hpa (files of 0, 700, 1024 and 3000 bytes, a missing file),
// and against a scripted server for what a real one does not do on purpose: packets from
// strangers, a block sent twice, a lost block, and a server that falls silent in the middle of
// a file the HTTP server is sending.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "config/httpd_param.h"
#include "servers/httpd.h"
#include "servers/storage/handle.h"
#include "servers/storage/tftp.h"
#include "tests/servers/child_process.h"
#include "tests/servers/loopback.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/peer_env.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace server_test;
using namespace std::chrono_literals;

quarro::location tftp_location(uint16_t port, const std::string& path) {
  quarro::location where;
  where.scheme = quarro::SCHEME_TFTP;
  where.host = "127.0.0.1";
  where.default_port = 0;
  where.port = port;
  where.path = path;
  return where;
}

class tftpd_hpa_peer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::getuid() != 0 || ::access("/usr/sbin/in.tftpd", X_OK) != 0) return;
    peer = std::make_unique<suite_peer>();
    for (size_t size : {0, 700, 1024, 3000}) {
      files[size] = test_support::patterned_bytes(size);
      test_support::write_file(peer->folder.file("f" + std::to_string(size)), files[size]);
    }
    peer->port = free_udp_port();
    if (!peer->run({"/usr/sbin/in.tftpd", "-L", "-a", "127.0.0.1:" + std::to_string(peer->port), "-u", "root", "-s",
                    peer->folder.path()},
                   false))
      peer.reset();
  }
  static void TearDownTestSuite() { peer.reset(); }
  void SetUp() override {
    REQUIRE_PEER(peer, "tftpd-hpa (needs root)");
    port = peer->port;
  }

  static inline std::unique_ptr<suite_peer> peer;
  static inline std::map<size_t, std::string> files;
  uint16_t port = 0;
};

TEST_F(tftpd_hpa_peer, files_of_every_block_shape_arrive_whole) {
  for (const auto& [size, bytes] : files) {
    quarro::handle handle;
    const auto where = tftp_location(port, "f" + std::to_string(size));
    ASSERT_TRUE(handle.create_backend(&where));
    EXPECT_EQ(handle.backend->size(), -1);
    // Read in pieces smaller than a block, as the blocks are handed out in parts.
    EXPECT_TRUE(read_whole_file(handle, 300) == bytes) << size;
  }
}

TEST_F(tftpd_hpa_peer, a_missing_file_is_the_servers_error_code) {
  quarro::handle handle;
  const auto where = tftp_location(port, "missing");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::TFTP_SERVER_ERROR + 1);
}

TEST_F(tftpd_hpa_peer, the_http_server_serves_a_tftp_home_without_lengths) {
  httpd server;
  httpd_param settings;
  const uint16_t http_port = start_loopback_httpd(server, "tftp://127.0.0.1:" + std::to_string(port), settings);
  ASSERT_NE(http_port, 0);
  std::string body;
  EXPECT_EQ(curl_fetch(http_port, "/f3000", &body), "200");
  EXPECT_TRUE(body == files[3000]);
  const std::string answer = round_trip(http_port, "GET /f700 HTTP/1.1\r\n\r\n");
  EXPECT_EQ(answer.find("Content-Length"), std::string::npos);
  EXPECT_TRUE(answer.ends_with("\r\n\r\n" + files[700]));
  EXPECT_EQ(curl_fetch(http_port, "/missing"), "404");
  // TFTP cannot list a folder.
  EXPECT_EQ(curl_fetch(http_port, "/"), "404");
}

TEST(tftp_back_end, a_path_too_long_is_refused_before_sending) {
  uint16_t port = 0;
  const int listener = bound_socket(SOCK_DGRAM, port);
  quarro::handle handle;
  const auto where = tftp_location(port, "/" + std::string(1491, 'a'));
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::TFTP_REQUEST_TOO_LONG);
  char byte;
  EXPECT_EQ(::recv(listener, &byte, 1, MSG_DONTWAIT), -1);
  ::close(listener);
}

// A scripted server: a request socket, a transfer socket and a stranger's socket on loopback.
class scripted_tftp : public testing::Test {
 protected:
  void SetUp() override {
    request_socket = bound_socket(SOCK_DGRAM, port);
    transfer_socket = bound_socket(SOCK_DGRAM, transfer_port);
    stranger_socket = bound_socket(SOCK_DGRAM, stranger_port);
  }
  void TearDown() override {
    if (script.joinable()) script.join();
    ::close(request_socket);
    ::close(transfer_socket);
    ::close(stranger_socket);
  }
  // The next datagram on `fd` within `timeout_ms` ("" when none); the sender goes to `from`.
  static std::string receive(int fd, sockaddr_in& from, int timeout_ms = test_support::reply_bound_ms) {
    timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buffer[1600];
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
  }
  static void send_to(int fd, const std::string& packet, const sockaddr_in& to) {
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  static std::string data(uint16_t block, const std::string& bytes) {
    return std::string{0, 3, static_cast<char>(block >> 8), static_cast<char>(block & 0xFF)} + bytes;
  }
  static std::string ack(uint16_t block) {
    return std::string{0, 4, static_cast<char>(block >> 8), static_cast<char>(block & 0xFF)};
  }

  uint16_t port = 0, transfer_port = 0, stranger_port = 0;
  int request_socket = -1, transfer_socket = -1, stranger_socket = -1;
  std::thread script;
};

TEST_F(scripted_tftp, strangers_and_repeated_blocks_are_ignored) {
  const std::string first(512, 'a'), second(100, 'b');
  std::string request;
  script = std::thread([&] {
    sockaddr_in client{};
    request = receive(request_socket, client);
    // Once the server has answered from its transfer port, a stranger on the same host sends
    // the next block, and the server sends its first block again before the real second one.
    send_to(transfer_socket, data(1, first), client);
    sockaddr_in from{};
    if (receive(transfer_socket, from) != ack(1)) return;
    send_to(stranger_socket, data(2, std::string(100, 'Y')), client);
    send_to(transfer_socket, data(1, first), client);
    send_to(transfer_socket, data(2, second), client);
    receive(transfer_socket, from);
  });
  quarro::handle handle;
  const auto where = tftp_location(port, "boot.img");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(read_whole_file(handle, 300), first + second);
  script.join();
  EXPECT_EQ(request, std::string("\0\1boot.img\0octet\0", 17));
}

TEST_F(scripted_tftp, a_first_reply_from_another_host_is_ignored) {
  uint16_t other_port = 0;
  const int other_host = bound_socket(SOCK_DGRAM, other_port, INADDR_LOOPBACK + 1);  // 127.0.0.2
  script = std::thread([&] {
    sockaddr_in client{};
    receive(request_socket, client);
    send_to(other_host, data(1, "forged"), client);
    std::this_thread::sleep_for(50ms);
    send_to(transfer_socket, data(1, "real"), client);
    sockaddr_in from{};
    receive(transfer_socket, from);
  });
  quarro::handle handle;
  const auto where = tftp_location(port, "f");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(read_whole_file(handle, 300), "real");
  script.join();
  ::close(other_host);
}

TEST_F(scripted_tftp, a_lost_block_is_asked_for_again) {
  const std::string first(512, 'a');
  int acks_of_1 = 0;
  script = std::thread([&] {
    sockaddr_in client{};
    receive(request_socket, client);
    send_to(transfer_socket, data(1, first), client);
    sockaddr_in from{};
    // The first ACK 1 goes unanswered, as if block 2 had been lost.
    while (receive(transfer_socket, from) == ack(1) && ++acks_of_1 < 2) {
    }
    send_to(transfer_socket, data(2, "end"), client);
    receive(transfer_socket, from);
  });
  quarro::handle handle;
  const auto where = tftp_location(port, "f");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(read_whole_file(handle, 300), first + "end");
  script.join();
  EXPECT_EQ(acks_of_1, 2);
}

TEST_F(scripted_tftp, a_file_cut_short_fails_the_http_transfer_where_a_whole_one_ends_in_order) {
  ASSERT_TRUE(test_support::have_program("curl"));
  const struct {
    const char* name;
    int full_blocks;
    bool last_block;  // a short block ends the file; without one the server falls silent
    const char* curl_sees;  // status, bytes and curl's exit status
  } cases[] = {
      {"whole", 10, true, "200 5220 0"},
      {"cut", 10, false, "200 5120 56"},  // 56: the receive failed (the connection was reset)
  };
  script = std::thread([&] {
    for (const auto& c : cases) {
      sockaddr_in client{}, from{};
      if (receive(request_socket, client).empty()) return;
      for (int block = 1; block <= c.full_blocks; ++block) {
        send_to(transfer_socket, data(static_cast<uint16_t>(block), std::string(512, 'a')), client);
        if (receive(transfer_socket, from) != ack(static_cast<uint16_t>(block))) return;
      }
      if (!c.last_block) continue;
      send_to(transfer_socket, data(static_cast<uint16_t>(c.full_blocks + 1), std::string(100, 'z')), client);
      receive(transfer_socket, from);
    }
  });
  httpd server;
  httpd_param settings;
  const uint16_t http_port = start_loopback_httpd(server, "tftp://127.0.0.1:" + std::to_string(port), settings);
  ASSERT_NE(http_port, 0);
  for (const auto& c : cases) {
    const std::string seen =
        command_output("curl -s -o /dev/null --max-time 60 -w '%{http_code} %{size_download}' 'http://127.0.0.1:" +
                       std::to_string(http_port) + "/" + c.name + "'; echo \" $?\"");
    EXPECT_EQ(seen, std::string(c.curl_sees) + "\n") << c.name;
  }
  script.join();
  EXPECT_NE(take_trace().find("send block data failed!"), std::string::npos);
}

TEST_F(scripted_tftp, an_error_reply_records_its_code_and_silence_fails_within_the_bound) {
  script = std::thread([&] {
    sockaddr_in client{};
    receive(request_socket, client);
    send_to(transfer_socket, std::string("\0\5\0\2no access\0", 14), client);
  });
  quarro::handle handle;
  auto where = tftp_location(port, "f");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::TFTP_SERVER_ERROR + 2);
  script.join();

  // Nobody answers: open gives up after its first-reply wait.
  ASSERT_TRUE(handle.create_backend(&where));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::TFTP_BAD_REPLY_SIZE);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 4s);
}

}  // namespace
