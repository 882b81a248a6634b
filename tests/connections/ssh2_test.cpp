// The SSH2 connection against the real sshd of tests/peers/start: login with and without the
// record's credentials, a refused password and its retry, the terminal type and size the shell
// sees, the last bytes before the end, host keys (also of other types than the known one, from
// sshds of the test's own, and a key that cannot be remembered), stopping during a login
// question, and explorer mode up to SFTP; and servers that stop answering while the session
// connects.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/session_record.h"
#include "connections/host_key_check.h"
#include "connections/ssh2.h"
#include "tests/connections/connection_test_support.h"
#include "tests/connections/private_sshd.h"
#include "tests/support/read_only_mount.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace connection_test;
using kind = login_question_kind;

// A valid ed25519 key of no server at all.
const char* const stranger_key = "AAAAC3NzaC1lZDI1NTE5AAAAIAWbXVZPWCeaTATnTiW8QrNh55zvYwXLwK72hNYqtb9F";

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ssh2_server : public ::testing::Test {
 protected:
  void SetUp() override {
    port = env("TESSARY_SSH_PORT");
    REQUIRE_PEER(!port.empty(), "sshd (tests/peers/start)");
    // Neither the user's own known_hosts nor an earlier test's keys take part.
    setenv("HOME", home.path().c_str(), 1);
    setenv("APPDATA", appdata.path().c_str(), 1);
    set_login_prompter(prompter);
    owner = std::make_shared<recording_owner>();
    link = std::make_shared<capture_link>();
  }
  void TearDown() override {
    if (connection) connection->release();
    set_login_prompter(nullptr);
  }

  std::shared_ptr<ssh2> make(const std::string& user, const std::string& password, int mode = 0) {
    ssh2_param param;
    param.hostname = env("TESSARY_SSH_HOST");
    param.port = static_cast<uint16_t>(std::stoi(port));
    param.username = user;
    param.password = password;
    connection = std::make_shared<ssh2>("uuid-ssh", param);
    connection->mode = mode;
    connection->terminal_type = "vt220";
    connection->set_owner(owner);
    connection->set_terminal(link);
    return connection;
  }
  std::string user() const { return env("TESSARY_SSH_USER"); }
  std::string password() const { return env("TESSARY_SSH_PASSWORD"); }

  std::string port;
  test_support::temp_folder home;
  test_support::temp_folder appdata;
  std::shared_ptr<scripted_prompter> prompter = std::make_shared<scripted_prompter>();
  std::shared_ptr<recording_owner> owner;
  std::shared_ptr<capture_link> link;
  std::shared_ptr<ssh2> connection;
};

TEST_F(ssh2_server, logs_in_without_a_question_and_the_shell_sees_the_terminal_type) {
  make(user(), password())->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  link->send("echo T=$TERM=$((6*7))\r");
  EXPECT_TRUE(link->wait_for_text("T=vt220=42")) << link->received();
  EXPECT_TRUE(prompter->asked().empty());
  // The unknown host was accepted and remembered.
  std::string known = file_text(tessary_known_hosts_path());
  EXPECT_NE(known.find("[127.0.0.1]:" + port + " ssh-ed25519 "), std::string::npos) << known;
}

TEST_F(ssh2_server, a_terminal_core_shows_the_shell_output_and_sends_what_is_typed) {
  core_terminal terminal;
  terminal.core->resize(30, 90);
  make(user(), password())->set_terminal(terminal.link);
  connection->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  terminal.type("echo T=$((6*7))X; stty size\r");
  EXPECT_TRUE(terminal.wait_for_screen("T=42X")) << terminal.screen_text();
  EXPECT_TRUE(terminal.wait_for_screen("30 90")) << terminal.screen_text();
  EXPECT_GT(terminal.change_notices(), 0);
}

TEST_F(ssh2_server, asks_the_user_name_then_the_password) {
  prompter->push(true, user());
  prompter->push(true, password());
  make("", "")->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  EXPECT_EQ(prompter->asked(), (std::vector<kind>{kind::username, kind::password}));
  EXPECT_EQ(connection->param.username, user());
}

TEST_F(ssh2_server, a_refused_password_asks_again_and_the_retry_logs_in) {
  prompter->push(true);              // try again
  prompter->push(true, password());  // the right one
  make(user(), "wrong")->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  EXPECT_EQ(prompter->asked(), (std::vector<kind>{kind::auth_failed, kind::password}));
  // A reconnect uses the password given once.
  connection->restart();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  EXPECT_EQ(prompter->asked().size(), 2u);
}

TEST_F(ssh2_server, giving_up_after_a_refused_password_ends_disconnected) {
  prompter->push(false);
  make(user(), "wrong")->start();
  ASSERT_TRUE(owner->wait_for_state(state_disconnected));
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
  EXPECT_EQ(prompter->asked(), (std::vector<kind>{kind::auth_failed}));
}

TEST_F(ssh2_server, the_remote_size_follows_the_view) {
  link->set_size(37, 101);
  make(user(), password())->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  link->send("stty size\r");
  EXPECT_TRUE(link->wait_for_text("37 101")) << link->received();
  link->set_size(40, 120);
  link->send("stty size\r");
  EXPECT_TRUE(link->wait_for_text("40 120")) << link->received();
}

TEST_F(ssh2_server, exit_delivers_the_last_bytes_then_ends) {
  make(user(), password())->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  link->send("printf 'END-%s' $((6*7)); exit\r");
  ASSERT_TRUE(owner->wait_for_state(state_disconnected));
  EXPECT_NE(link->received().find("END-42"), std::string::npos) << link->received();
}

TEST_F(ssh2_server, a_changed_host_key_is_refused_before_any_password) {
  std::ofstream(tessary_known_hosts_path()) << "[127.0.0.1]:" << port << " ssh-ed25519 " << stranger_key << "\n";
  testing::internal::CaptureStderr();
  make(user(), "")->start();
  ASSERT_TRUE(owner->wait_for_state(state_disconnected));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("has changed"), std::string::npos) << said;
  EXPECT_TRUE(prompter->asked().empty());
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
}

// Keys of other types than the one known for the host. A server that offers only other types
// is refused as a changed key is, before any password (none is asked), and the new key is not
// added; a server that has the known type among others is asked for it and answers with it, so
// the session connects and nothing is added.
TEST_F(ssh2_server, a_key_of_a_type_not_known_for_the_host_is_refused_and_the_known_type_is_asked_for) {
  REQUIRE_PEER(!user().empty(), "the test user of tests/peers/start");
  struct row {
    const char* name;
    std::vector<std::string> server_keys;  // as ssh-keygen names the types
    std::string known;                     // the type of the key stored for the host
    bool known_is_the_servers;             // else it is another server's key, as after a change
    int mode;
  };
  const row rows[] = {
      {"only RSA where ECDSA is known, terminal", {"rsa"}, "ecdsa", false, session_view_terminal},
      {"only ECDSA where Ed25519 is known, explorer", {"ecdsa"}, "ed25519", false, session_view_explorer},
      {"ECDSA and RSA where RSA is known, terminal", {"ecdsa", "rsa"}, "rsa", true, session_view_terminal},
      {"ECDSA and Ed25519 where Ed25519 is known, explorer", {"ecdsa", "ed25519"}, "ed25519", true,
       session_view_explorer},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    private_sshd server("internal-sftp", user(), 0, false, r.server_keys);
    ASSERT_TRUE(server.ready()) << server.failure();
    port = std::to_string(server.port());
    const std::string key = r.known_is_the_servers ? server.host_key(r.known) : stranger_host_key(r.known);
    ASSERT_FALSE(key.empty());
    const std::string known = "[127.0.0.1]:" + port + " " + key + "\n";
    std::ofstream(tessary_known_hosts_path()) << known;
    owner = std::make_shared<recording_owner>();
    testing::internal::CaptureStderr();
    make(user(), r.known_is_the_servers ? password() : "", r.mode)->start();
    const connection_state end = r.known_is_the_servers ? state_connected : state_disconnected;
    const bool ended = owner->wait_for_state(end);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ended) << said;
    EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, end})) << said;
    EXPECT_EQ(said.find("has changed") != std::string::npos, !r.known_is_the_servers) << said;
    if (!r.known_is_the_servers) {
      EXPECT_NE(said.find("only keys of type " + key.substr(0, key.find(' ')) + " are known"), std::string::npos)
          << said;
    }
    EXPECT_TRUE(prompter->asked().empty());
    EXPECT_EQ(file_text(tessary_known_hosts_path()), known);
    connection->release();
    connection.reset();
  }
}

// Tessary's known_hosts cannot be written (its folder is on a read-only file system, which root
// cannot write either): a new host's session goes on, as OpenSSH's does, and standard error says
// that the key could not be remembered, where, and why.
TEST_F(ssh2_server, a_key_that_cannot_be_remembered_is_said_and_the_session_goes_on) {
  test_support::read_only_mount read_only(appdata.path());
  ASSERT_EQ(read_only.failure(), "");
  const std::string said_why = "The new host key of [127.0.0.1]:" + port + " could not be remembered in " +
                               tessary_known_hosts_path() + ": Read-only file system\n";
  for (int mode : {session_view_terminal, session_view_explorer}) {
    SCOPED_TRACE(mode);
    owner = std::make_shared<recording_owner>();
    testing::internal::CaptureStderr();
    make(user(), password(), mode)->start();
    const bool connected = owner->wait_for_state(state_connected);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(connected) << said;
    EXPECT_NE(said.find(said_why), std::string::npos) << said;
    connection->release();
    connection.reset();
  }
}

TEST_F(ssh2_server, the_key_in_the_users_known_hosts_is_trusted) {
  std::string known = file_text(env("TESSARY_SSH_KNOWN_HOSTS"));
  ASSERT_FALSE(known.empty());
  mkdir((home.path() + "/.ssh").c_str(), 0700);
  // An entry the library cannot read comes first; the good one after it still counts.
  std::ofstream(user_known_hosts_path()) << "[127.0.0.1]:" << port << " sk-ssh-ed25519@openssh.com AAAA\n"
                                         << known;
  make(user(), password())->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  EXPECT_EQ(file_text(tessary_known_hosts_path()), "");
}

TEST_F(ssh2_server, stop_during_an_open_question_returns_soon_and_abandons_it) {
  make(user(), "")->start();
  ASSERT_TRUE(wait_until([&] { return prompter->pending() != nullptr; }));
  connection->stop();
  EXPECT_EQ(connection->state.load(), state_disconnected);
  EXPECT_TRUE(prompter->pending()->abandoned());
  // The worker stopped waiting for the answer and ended within the stop, letting the connection
  // go; one the stop let go after its grace would still hold it.
  std::weak_ptr<protocol> stopped = connection;
  connection.reset();
  EXPECT_TRUE(stopped.expired());
}

TEST_F(ssh2_server, explorer_mode_reports_the_home_folder_and_serves_requests) {
  make(user(), password(), session_view_explorer)->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  EXPECT_EQ(owner->sftp_host(), "127.0.0.1");
  EXPECT_EQ(owner->sftp_home(), env("TESSARY_SSH_HOME"));
  EXPECT_EQ(connection->home_folder, env("TESSARY_SSH_HOME"));
  ASSERT_EQ(connection->queue_list_folder("/"), 0);
  EXPECT_TRUE(wait_until([&] { return owner->requests_done() == 1; }));
}

// A server that takes one connection, sends `greeting` (if any) and then nothing more, holding
// the connection open until it goes.
class mute_server {
 public:
  explicit mute_server(std::string greeting)
      : greeter([this, greeting] {
          int fd = listener.accept_one();
          if (fd >= 0 && !greeting.empty()) send_all(fd, greeting);
          peer.store(fd);
        }) {}
  ~mute_server() {
    greeter.join();
    if (peer.load() >= 0) close(peer.load());
  }
  uint16_t port() const { return listener.port(); }
  // The connection came and was greeted.
  bool greeted() const { return peer.load() >= 0; }

 private:
  loopback_listener listener;
  std::atomic<int> peer{-1};
  std::thread greeter;
};

// The handshake is bounded: a server that says nothing, or only its banner, ends the session in
// the disconnected state once the bound passed, terminal and explorer alike, and standard error
// says why. A stop while the handshake waits still ends the session at once, and quietly. All
// sessions wait at the same time, so the test takes the bound once.
TEST(ssh2_login_bound, a_server_that_stops_answering_ends_the_session_after_the_bound) {
  struct row {
    const char* name;
    std::string greeting;
    int mode;
  };
  const std::string banner = "SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n";
  const row rows[] = {
      {"silent, terminal", "", session_view_terminal},
      {"silent, explorer", "", session_view_explorer},
      {"banner only, terminal", banner, session_view_terminal},
      {"banner only, explorer", banner, session_view_explorer},
  };
  struct session {
    std::unique_ptr<mute_server> server;
    std::shared_ptr<recording_owner> owner = std::make_shared<recording_owner>();
    std::shared_ptr<ssh2> connection;
  };
  auto open_session = [](const std::string& greeting, int mode) {
    session made;
    made.server = std::make_unique<mute_server>(greeting);
    ssh2_param param;
    param.hostname = "127.0.0.1";
    param.port = made.server->port();
    param.username = "nobody";
    param.password = "secret";
    made.connection = std::make_shared<ssh2>("uuid-mute", param);
    made.connection->mode = mode;
    made.connection->set_owner(made.owner);
    made.connection->set_terminal(std::make_shared<capture_link>());
    made.connection->start();
    return made;
  };
  const auto bound = std::chrono::milliseconds(ssh2::login_step_timeout_ms);
  testing::internal::CaptureStderr();
  auto began = std::chrono::steady_clock::now();
  std::vector<session> sessions;
  for (const row& r : rows) sessions.push_back(open_session(r.greeting, r.mode));
  session stopped = open_session("", session_view_terminal);

  ASSERT_TRUE(wait_until([&] { return stopped.server->greeted(); }));
  // The stop breaks the handshake's wait, so the worker ends within it and lets the connection
  // go. A worker the stop had to let go after its grace would still wait out the bound, holding
  // the connection.
  stopped.connection->stop();
  EXPECT_EQ(stopped.connection->state.load(), state_disconnected);
  EXPECT_EQ(stopped.owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
  std::weak_ptr<protocol> stopped_connection = stopped.connection;
  stopped.connection.reset();
  EXPECT_TRUE(stopped_connection.expired());

  // None ends before the bound (which libssh2 counts in whole seconds).
  ASSERT_TRUE(wait_until(
      [&] {
        for (const session& s : sessions)
          if (s.connection->state.load() == state_disconnected) return true;
        return false;
      },
      bound + std::chrono::seconds(30)));
  EXPECT_GE(std::chrono::steady_clock::now() - began, bound - std::chrono::seconds(1));
  for (size_t i = 0; i < sessions.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_TRUE(sessions[i].owner->wait_for_state(state_disconnected, std::chrono::seconds(30)));
    EXPECT_EQ(sessions[i].owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
    EXPECT_TRUE(sessions[i].server->greeted());
  }
  for (session& s : sessions) s.connection->release();
  std::string said = testing::internal::GetCapturedStderr();
  const std::string reason = "The SSH handshake with 127.0.0.1 failed: no answer within 30 s\n";
  size_t count = 0;
  for (size_t at = said.find(reason); at != std::string::npos; at = said.find(reason, at + 1)) ++count;
  EXPECT_EQ(count, sessions.size()) << said;
}

}  // namespace
