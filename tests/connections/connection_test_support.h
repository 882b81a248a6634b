#pragma once
// What the connection tests share: the peers' settings from the environment, a view that
// records the reported states, a terminal link that records what arrives and queues what to
// send, a prompter that answers login questions from a script, and a loopback TCP listener.
#include <gtest/gtest.h>

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "connections/connection_owner.h"
#include "connections/login_question.h"
#include "connections/terminal_link.h"
#include "terminal/terminal_core.h"
#include "terminal/terminal_core_link.h"
#include "tests/support/peer_env.h"
#include "tests/support/wait_until.h"

namespace connection_test {

using namespace std::chrono_literals;

using test_support::env;
using test_support::running_in_ci;
using test_support::wait_until;

// A socat pty pair in `folder`: the program opens <folder>/com<n> (as COM n when
// TESSARY_SERIAL_DIR names the folder), the test the far end <folder>/peer<n>. socat is ended
// when the object goes away, if not before (killed when SIGTERM does not end it).
class socat_pty_pair {
 public:
  socat_pty_pair(const std::string& folder, int number);
  ~socat_pty_pair();
  socat_pty_pair(const socat_pty_pair&) = delete;
  socat_pty_pair& operator=(const socat_pty_pair&) = delete;

  // Both links appeared.
  bool ready() const { return ready_; }
  // Ends socat: both ends of the pair vanish.
  void stop();

 private:
  int socat_ = 0;
  bool ready_ = false;
};

class recording_owner : public connection_owner {
 public:
  void connection_state_changed(connection_state state) override;
  void sftp_ready(const std::string& host, const std::string& home_folder) override;
  void file_request_done() override;

  std::vector<connection_state> states() const;
  bool wait_for_state(connection_state state, std::chrono::milliseconds limit = 20s) const;
  int requests_done() const;
  // The host and home folder of the last SFTP notice; empty host when none came.
  std::string sftp_host() const;
  std::string sftp_home() const;

 private:
  mutable std::mutex lock;
  std::vector<connection_state> reported;
  std::string host;
  std::string home;
  int done = 0;
};

class capture_link : public terminal_link {
 public:
  terminal_size size() const override;
  int fetch_send_data(std::span<char, fetch_size> buffer) override;
  void receive_data(const char* bytes, int length) override;
  void set_send_ready(std::function<void()> on_ready) override;

  void set_size(uint16_t rows, uint16_t columns);
  // Queues bytes to send, waking the worker.
  void send(const std::string& bytes);
  std::string received() const;
  bool wait_for_text(const std::string& text, std::chrono::milliseconds limit = 20s) const;

 private:
  mutable std::mutex lock;
  terminal_size view{24, 80};
  std::string outgoing;
  std::string incoming;
  std::function<void()> ready;
};

// A real terminal core behind the link a view would give its connection: what arrives is
// parsed onto the screen, what is typed goes through the send queue.
class core_terminal {
 public:
  core_terminal();
  std::shared_ptr<terminal_core> core = std::make_shared<terminal_core>();
  std::shared_ptr<terminal_core_link> link;
  // Pushes the text into the send queue, as typing or a paste would.
  void type(const std::string& text);
  // The stored lines, joined by line feeds, as UTF-8.
  std::string screen_text() const;
  bool wait_for_screen(const std::string& text, std::chrono::milliseconds limit = 20s) const;
  // How often the link told the view that the screen changed.
  int change_notices() const { return notices->load(); }

 private:
  std::shared_ptr<std::atomic<int>> notices = std::make_shared<std::atomic<int>>(0);
};

// Answers each question with the next scripted reply, recording the kinds asked. A question
// that meets an empty script is left unanswered (the test then stops the connection).
class scripted_prompter : public login_prompter {
 public:
  void ask(std::shared_ptr<login_question> question) override;
  void push(bool accepted, std::string text = {});
  std::vector<login_question_kind> asked() const;
  // The last question that was left unanswered, if any.
  std::shared_ptr<login_question> pending() const;

 private:
  mutable std::mutex lock;
  std::deque<login_question::reply> script;
  std::vector<login_question_kind> kinds;
  std::shared_ptr<login_question> unanswered;
};

// A TCP listener on a loopback address ("127.0.0.1" or "::1") with a kernel-chosen port.
class loopback_listener {
 public:
  explicit loopback_listener(const char* address = "127.0.0.1");
  ~loopback_listener();
  bool valid() const { return fd >= 0; }
  uint16_t port() const { return bound_port; }
  // The next connection, -1 when none came within the limit.
  int accept_one(std::chrono::milliseconds limit = 20s);

 private:
  int fd = -1;
  uint16_t bound_port = 0;
};

// Reads from `fd` until `count` bytes came or the limit passed.
std::string read_exactly(int fd, size_t count, std::chrono::milliseconds limit = 20s);
// Sends all bytes; false on failure.
bool send_all(int fd, const std::string& bytes);

}  // namespace connection_test
