// The Telnet connection against a scripted server on loopback (exact negotiation bytes) and
// against a real telnet server (login, the terminal type the shell sees).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "config/connection_params.h"
#include "connections/telnet.h"
#include "platform/worker_thread.h"
#include "tests/connections/connection_test_support.h"

namespace {

using namespace connection_test;

const std::string iac_do_ttype("\xff\xfd\x18", 3);
const std::string iac_will_ttype("\xff\xfb\x18", 3);
const std::string ttype_send("\xff\xfa\x18\x01\xff\xf0", 6);

// The zlib stream of `text`, as an MCCP2 server sends it.
std::string deflated(const std::string& text) {
  std::string out(compressBound(text.size()), '\0');
  uLongf size = out.size();
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
            text.size(), Z_BEST_COMPRESSION);
  out.resize(size);
  return out;
}

std::shared_ptr<telnet> make_telnet(const std::string& host, uint16_t port) {
  telnet_param param;
  param.hostname = host;
  param.port = port;
  return std::make_shared<telnet>("uuid-1", param);
}

// Reads until something arrives (a read of 0 only means nothing came yet), at most a while.
int read_some(telnet& connection, char* buffer, int capacity) {
  int n = 0;
  wait_until([&] { return (n = connection.read(buffer, capacity)) != 0; });
  return n;
}

// Reads (answering the server's commands) until the server has something to read; returns the
// first read result that was not 0, or 0 when every read gave nothing.
int read_until_server_hears(telnet& connection, int server) {
  char buffer[8192];
  int other = 0;
  wait_until([&] {
    int n = connection.read(buffer, sizeof buffer);
    if (n != 0 && other == 0) other = n;
    pollfd answer{server, POLLIN, 0};
    return poll(&answer, 1, 0) > 0;
  });
  return other;
}

class scripted_telnet : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listener.valid());
    connection = make_telnet("127.0.0.1", listener.port());
    ASSERT_TRUE(connection->open(run));
    server = listener.accept_one();
    ASSERT_GE(server, 0);
  }
  void TearDown() override {
    connection->close();
    if (server >= 0) ::close(server);
  }

  loopback_listener listener;
  platform::worker_control run;
  std::shared_ptr<telnet> connection;
  int server = -1;
};

TEST_F(scripted_telnet, data_around_commands_comes_in_one_read_in_order) {
  ASSERT_TRUE(send_all(server, std::string("ab\xff\xf1" "cd\xff\xff" "e", 9)));  // NOP, escaped 255
  char buffer[8192];
  int n = read_some(*connection, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, n), std::string("abcd\xff" "e", 6));
}

TEST_F(scripted_telnet, commands_alone_give_nothing_and_negotiation_answers) {
  ASSERT_TRUE(send_all(server, iac_do_ttype));
  EXPECT_EQ(read_until_server_hears(*connection, server), 0);
  EXPECT_EQ(read_exactly(server, iac_will_ttype.size()), iac_will_ttype);
}

TEST_F(scripted_telnet, terminal_type_request_is_answered_with_term_or_the_sessions_type) {
  struct case_row {
    const char* term;  // null: TERM not set
    std::string answer;
  };
  const case_row rows[] = {
      {"vt100-test", std::string("\xff\xfa\x18\x00vt100-test\xff\xf0", 16)},
      {nullptr, std::string("\xff\xfa\x18\x00linux\xff\xf0", 11)},
      {"", std::string("\xff\xfa\x18\x00linux\xff\xf0", 11)},
  };
  connection->terminal_type = "linux";
  ASSERT_TRUE(send_all(server, iac_do_ttype));
  read_until_server_hears(*connection, server);
  ASSERT_EQ(read_exactly(server, iac_will_ttype.size()), iac_will_ttype);
  for (const auto& row : rows) {
    if (row.term)
      setenv("TERM", row.term, 1);
    else
      unsetenv("TERM");
    ASSERT_TRUE(send_all(server, ttype_send));
    EXPECT_EQ(read_until_server_hears(*connection, server), 0);
    EXPECT_EQ(read_exactly(server, row.answer.size()), row.answer) << (row.term ? row.term : "no TERM");
  }
}

TEST_F(scripted_telnet, window_size_is_sent_once_agreed_and_after_every_resize) {
  struct step {
    const char* name;
    std::string from_server;  // sent by the server first (read through the connection)
    terminal_size size;       // then told to the connection
    std::string seen;         // what the server then sees
  };
  const std::string naws_is("\xff\xfa\x1f", 3);
  const std::string se("\xff\xf0", 2);
  const step steps[] = {
      {"a size before the server asks is kept", "", {24, 80}, ""},
      {"DO NAWS is agreed and answered with the size", std::string("\xff\xfd\x1f", 3), {24, 80},
       std::string("\xff\xfb\x1f", 3) + naws_is + std::string("\x00\x50\x00\x18", 4) + se},
      {"a resize", "", {40, 132}, naws_is + std::string("\x00\x84\x00\x28", 4) + se},
      {"the same size again sends nothing", "", {40, 132}, ""},
      {"255 is doubled", "", {255, 300},
       naws_is + std::string("\x01\x2c\x00\xff\xff", 5) + se},
      {"DONT NAWS stops the sizes", std::string("\xff\xfe\x1f", 3), {50, 100},
       std::string("\xff\xfc\x1f", 3)},
  };
  for (const step& s : steps) {
    SCOPED_TRACE(s.name);
    if (!s.from_server.empty()) {
      ASSERT_TRUE(send_all(server, s.from_server));
      EXPECT_EQ(read_until_server_hears(*connection, server), 0);
    }
    connection->set_size(s.size);
    // A written byte after the step shows that nothing else was sent.
    ASSERT_EQ(connection->write("z", 1), 1);
    EXPECT_EQ(read_exactly(server, s.seen.size() + 1), s.seen + "z");
  }
}

TEST_F(scripted_telnet, compressed_data_inflating_past_the_buffer_arrives_whole) {
  // 200,000 bytes of text that deflate to under a kilobyte: each received block inflates to far
  // more than one read can hold.
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) text += "line " + std::to_string(i % 10) + "\r\n";
  text.resize(200000);
  ASSERT_TRUE(send_all(server, std::string("\xff\xfb\x56", 3)));  // WILL COMPRESS2
  EXPECT_EQ(read_until_server_hears(*connection, server), 0);
  ASSERT_EQ(read_exactly(server, 3), std::string("\xff\xfd\x56", 3));  // DO COMPRESS2
  std::string stream = deflated(text);
  ASSERT_LT(stream.size(), 1024u);
  ASSERT_TRUE(send_all(server, std::string("\xff\xfa\x56\xff\xf0", 5) + stream));
  std::string received;
  char buffer[8192];
  while (received.size() < text.size()) {
    int n = read_some(*connection, buffer, sizeof buffer);
    ASSERT_GT(n, 0) << "after " << received.size() << " bytes";
    received.append(buffer, n);
  }
  EXPECT_EQ(received.size(), text.size());
  EXPECT_TRUE(received == text);
}

TEST_F(scripted_telnet, written_bytes_are_escaped_and_sent) {
  EXPECT_EQ(connection->write("x\xffy", 3), 3);
  EXPECT_EQ(read_exactly(server, 4), std::string("x\xff\xffy", 4));
}

TEST_F(scripted_telnet, peer_reset_ends_reads_and_writes) {
  linger abort_close{1, 0};
  setsockopt(server, SOL_SOCKET, SO_LINGER, &abort_close, sizeof abort_close);
  ::close(server);
  server = -1;
  char buffer[8192];
  EXPECT_LT(read_some(*connection, buffer, sizeof buffer), 0);
  EXPECT_LE(connection->write("lost", 4), 0);
}

TEST(telnet_connection, connects_over_ipv6_with_a_socket_of_that_family) {
  loopback_listener listener("::1");
  REQUIRE_PEER(listener.valid(), "IPv6 loopback");
  auto connection = make_telnet("::1", listener.port());
  platform::worker_control run;
  ASSERT_TRUE(connection->open(run));
  int server = listener.accept_one();
  ASSERT_GE(server, 0);
  ASSERT_TRUE(send_all(server, "six"));
  char buffer[64];
  EXPECT_EQ(std::string(buffer, read_some(*connection, buffer, sizeof buffer)), "six");
  ::close(server);
}

TEST(telnet_connection, failed_open_and_repeated_close_release_nothing_twice) {
  uint16_t refused_port = 0;
  {
    loopback_listener gone;  // once it is closed nothing listens on its port
    refused_port = gone.port();
  }
  auto connection = make_telnet("127.0.0.1", refused_port);
  platform::worker_control run;
  EXPECT_FALSE(connection->open(run));
  EXPECT_EQ(connection->close(), 1);
  EXPECT_EQ(connection->close(), 1);
  char buffer[16];
  EXPECT_LT(connection->read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(make_telnet("no-such-host.invalid", 23)->open(run));
}

TEST(telnet_connection, names_and_parameters) {
  auto connection = make_telnet("example.org", 2323);
  EXPECT_EQ(connection->display_name(), u"example.org");
  connection_params out;
  EXPECT_EQ(connection->get_params(out), 1);
  EXPECT_EQ(out.protocol, protocol_telnet);
  EXPECT_EQ(out.telnet.hostname, "example.org");
  EXPECT_EQ(out.telnet.port, 2323);
  std::u16string error;
  platform::worker_control run;
  EXPECT_EQ(connection->run_request(error, run), 0);
  EXPECT_EQ(connection->set_size({30, 100}), 0);
}

TEST(telnet_connection, reconnect_opens_a_new_socket_and_reaches_connected_again) {
  loopback_listener listener;
  auto connection = make_telnet("127.0.0.1", listener.port());
  auto owner = std::make_shared<recording_owner>();
  auto link = std::make_shared<capture_link>();
  connection->set_owner(owner);
  connection->set_terminal(link);
  for (int round = 0; round < 2; ++round) {
    connection->start();
    int server = listener.accept_one();
    ASSERT_GE(server, 0) << "round " << round;
    ASSERT_TRUE(owner->wait_for_state(state_connected));
    std::string word = "round" + std::to_string(round);
    ASSERT_TRUE(send_all(server, word));
    EXPECT_TRUE(link->wait_for_text(word));
    link->send("k");
    EXPECT_EQ(read_exactly(server, 1), "k");
    connection->stop();
    EXPECT_EQ(connection->state.load(), state_disconnected);
    ::close(server);
  }
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_connected, state_disconnected,
                                                            state_connecting, state_connected, state_disconnected}));
  connection->release();
}

// The real server: log in as the test user and ask the shell for its terminal type, with a
// terminal core on the other side.
TEST(telnet_server, logs_in_and_the_shell_sees_term_and_the_window_size) {
  std::string port = env("TESSARY_TELNET_PORT");
  REQUIRE_PEER(!port.empty(), "telnet server (tests/peers/start)");
  setenv("TERM", "vt220", 1);
  auto connection = make_telnet(env("TESSARY_TELNET_HOST"), static_cast<uint16_t>(std::stoi(port)));
  auto owner = std::make_shared<recording_owner>();
  core_terminal terminal;
  terminal.core->resize(30, 100);
  connection->set_owner(owner);
  connection->set_terminal(terminal.link);
  connection->start();
  ASSERT_TRUE(terminal.wait_for_screen("login: ", 20s)) << terminal.screen_text();
  terminal.type(env("TESSARY_TELNET_USER") + "\r\n");
  ASSERT_TRUE(terminal.wait_for_screen("assword: ", 20s)) << terminal.screen_text();
  terminal.type(env("TESSARY_TELNET_PASSWORD") + "\r\n");
  // Typing ahead is lost: login drops what waits while it starts the shell.
  ASSERT_TRUE(terminal.wait_for_screen("$ ", 20s)) << terminal.screen_text();
  terminal.type("echo T=$TERM=$((6*7)) S=$(stty size); exit\r\n");
  EXPECT_TRUE(terminal.wait_for_screen("T=vt220=42 S=30 100", 20s)) << terminal.screen_text();
  EXPECT_TRUE(owner->wait_for_state(state_disconnected, 20s));
  connection->release();
}

}  // namespace
