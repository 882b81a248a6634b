// The connection base over real loopback sockets: start, stop, release and restart, the worker
// loops, and the factory.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "config/session_record.h"
#include "connections/create_protocol.h"
#include "connections/serial.h"
#include "connections/ssh2.h"
#include "connections/telnet.h"
#include "tests/connections/connection_test_support.h"

namespace {

using namespace connection_test;
using steady = std::chrono::steady_clock;

std::shared_ptr<protocol> telnet_to(uint16_t port) {
  telnet_param param;
  param.hostname = "127.0.0.1";
  param.port = port;
  return std::make_shared<telnet>("uuid", param);
}

std::shared_ptr<protocol> ssh2_to(uint16_t port) {
  ssh2_param param;
  param.hostname = "127.0.0.1";
  param.port = port;
  param.username = "nobody";
  param.password = "nothing";
  return std::make_shared<ssh2>("uuid", param);
}

// True when the peer of the accepted socket has closed its side.
bool peer_closed(int server) {
  char byte;
  return wait_until([&] { return ::recv(server, &byte, 1, MSG_DONTWAIT) == 0; });
}

// A Telnet connection to a loopback listener, with a recording view and terminal link.
class telnet_session : public ::testing::Test {
 protected:
  void SetUp() override {
    connection->set_owner(owner);
    connection->set_terminal(std::make_shared<capture_link>());
  }
  void TearDown() override {
    if (connection) connection->release();
    if (server >= 0) ::close(server);
  }
  // Starts the connection and takes the server's side of it.
  void start_and_accept() {
    connection->start();
    server = listener.accept_one();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(owner->wait_for_state(state_connected));
  }

  loopback_listener listener;
  std::shared_ptr<protocol> connection = telnet_to(listener.port());
  std::shared_ptr<recording_owner> owner = std::make_shared<recording_owner>();
  int server = -1;
};

// A connection whose open ignores the stop request until the test lets it go (at most half a
// minute), as a name look-up that hangs would: no real peer can hold a worker past the grace
// period on purpose.
class stubborn_connection : public protocol {
 public:
  stubborn_connection() : protocol(1, "stubborn") {}
  std::u16string display_name() const override { return u"stubborn"; }
  int get_params(connection_params&) const override { return 1; }
  bool open(const platform::worker_control&) override {
    ++opens;
    const auto until = steady::now() + 30s;
    while (held && steady::now() < until) std::this_thread::sleep_for(1ms);
    return false;
  }
  int close() override { return 1; }
  int run_request(std::u16string&, const platform::worker_control&) override { return 0; }
  int read(char*, int) override { return -1; }
  int write(const char*, int) override { return -1; }
  int set_size(terminal_size) override { return 0; }
  wait_target input_wait() const override { return {}; }

  std::atomic<int> opens{0};
  std::atomic<bool> held{true};
};

TEST(connection_lifecycle, a_worker_that_outlives_the_grace_is_let_go_and_never_doubled) {
  auto connection = std::make_shared<stubborn_connection>();
  auto owner = std::make_shared<recording_owner>();
  connection->set_owner(owner);
  connection->start();
  ASSERT_TRUE(wait_until([&] { return connection->opens.load() == 1; }));
  auto began = steady::now();
  connection->stop();
  EXPECT_LT(steady::now() - began, protocol::stop_grace * 2);  // the grace: the worker is still held
  EXPECT_EQ(connection->state.load(), state_disconnected);
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
  connection->start();  // the old worker still runs: nothing starts
  EXPECT_EQ(connection->state.load(), state_disconnected);
  EXPECT_EQ(connection->opens.load(), 1);
  connection->held = false;
  std::weak_ptr<protocol> watch = connection;
  ASSERT_TRUE(wait_until([&] { return owner->states().size() == 3; }));  // its own end report
  EXPECT_TRUE(wait_until([&] {
    connection->start();
    return connection->opens.load() == 2;
  }));
  connection->release();
  connection.reset();
  EXPECT_TRUE(wait_until([&] { return watch.expired(); }));
}

TEST(connection_lifecycle, stop_while_disconnected_returns_at_once_and_reports_nothing) {
  auto connection = telnet_to(1);
  auto owner = std::make_shared<recording_owner>();
  connection->set_owner(owner);
  EXPECT_EQ(connection->stop(), 1);
  EXPECT_EQ(connection->release(), 1);
  EXPECT_TRUE(owner->states().empty());
}

TEST_F(telnet_session, starting_twice_makes_one_worker) {
  EXPECT_EQ(connection->start(), 1);
  start_and_accept();  // the second start
  EXPECT_LT(listener.accept_one(300ms), 0);
}

TEST_F(telnet_session, a_peer_that_ends_ends_the_session_and_its_report_arrives) {
  start_and_accept();
  ::close(server);
  server = -1;
  ASSERT_TRUE(owner->wait_for_state(state_disconnected));
  EXPECT_EQ(owner->states(),
            (std::vector<connection_state>{state_connecting, state_connected, state_disconnected}));
  EXPECT_EQ(connection->state.load(), state_disconnected);
}

TEST(connection_lifecycle, stop_during_a_hung_handshake_returns_soon_and_closes_the_socket) {
  loopback_listener listener;  // accepts, never speaks SSH
  auto connection = ssh2_to(listener.port());
  auto owner = std::make_shared<recording_owner>();
  connection->set_owner(owner);
  connection->start();
  int server = listener.accept_one();
  ASSERT_GE(server, 0);
  auto began = steady::now();
  connection->stop();
  EXPECT_LT(steady::now() - began, 2500ms);  // the grace is one second; loosely bounded
  EXPECT_EQ(connection->state.load(), state_disconnected);
  EXPECT_TRUE(peer_closed(server));
  EXPECT_TRUE(owner->wait_for_state(state_disconnected));
  ::close(server);
  // Another start on the same object connects again.
  connection->start();
  int again = listener.accept_one();
  EXPECT_GE(again, 0);
  connection->release();
  if (again >= 0) ::close(again);
}

TEST_F(telnet_session, release_reports_nothing_more_and_lets_the_object_go) {
  start_and_accept();
  std::weak_ptr<protocol> watch = connection;
  connection->release();
  connection.reset();
  EXPECT_TRUE(wait_until([&] { return watch.expired(); }));
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_connected}));
  EXPECT_TRUE(peer_closed(server));
}

TEST(connection_lifecycle, a_failed_open_reports_connecting_then_disconnected) {
  uint16_t refused_port = 0;
  {
    loopback_listener gone;
    refused_port = gone.port();
  }
  auto connection = telnet_to(refused_port);
  auto owner = std::make_shared<recording_owner>();
  connection->set_owner(owner);
  connection->start();
  ASSERT_TRUE(owner->wait_for_state(state_disconnected));
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
  connection->release();
}

TEST_F(telnet_session, explorer_mode_runs_a_request_queued_before_the_open_and_reports_it) {
  connection->mode = session_view_explorer;
  ASSERT_EQ(connection->queue_list_folder("/"), 0);
  start_and_accept();
  ASSERT_TRUE(wait_until([&] { return owner->requests_done() == 1; }));
  EXPECT_EQ(connection->request.state.load(), request_done);
  EXPECT_EQ(connection->request.success, 0);  // Telnet runs no file requests
  EXPECT_EQ(connection->request.reset(), 1);
  ASSERT_EQ(connection->queue_list_folder("/tmp"), 0);
  EXPECT_TRUE(wait_until([&] { return owner->requests_done() == 2; }));
}

TEST(connection_factory, makes_the_connection_of_the_record_protocol) {
  session_record record;
  record.uuid = "0123456789ABCDEF0123456789ABCDEF";
  record.view = session_view_explorer;
  record.appearance.console_type = "vt220";
  record.connection.ssh2.hostname = "ssh.example";
  record.connection.telnet.hostname = "telnet.example";
  record.connection.serial.com_port = 7;
  struct row {
    int32_t protocol;
    const char16_t* name;  // null: no connection
  };
  const row rows[] = {
      {protocol_ssh2, u"ssh.example"}, {protocol_telnet, u"telnet.example"}, {protocol_serial, u"COM7"},
      {3, nullptr},                    {protocol_unknown, nullptr},
  };
  for (const auto& r : rows) {
    record.connection.protocol = r.protocol;
    auto made = create_protocol(record);
    if (!r.name) {
      EXPECT_EQ(made, nullptr) << r.protocol;
      continue;
    }
    ASSERT_NE(made, nullptr) << r.protocol;
    EXPECT_EQ(made->kind, r.protocol);
    EXPECT_EQ(made->display_name(), r.name);
    EXPECT_EQ(made->session_uuid, record.uuid);
    EXPECT_EQ(made->mode, session_view_explorer);
    EXPECT_EQ(made->terminal_type, "vt220");
    EXPECT_EQ(made->state.load(), state_disconnected);
    connection_params out;
    EXPECT_EQ(made->get_params(out), 1);
    EXPECT_EQ(out.protocol, r.protocol);
  }
}

}  // namespace
