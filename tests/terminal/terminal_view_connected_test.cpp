// A terminal view connected to the real peers of tests/peers/start, as open_session connects
// it. Over SSH2: the remote prompt shows, typed text comes back, a resize reaches the remote
// pseudo-terminal, and closing the view while the peer floods it ends within the stop grace.
// Over Telnet: the login and a command through the view's keyboard. Over a serial port (a pty
// pair): bytes from the far end show, and typed keys reach it.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "connections/create_protocol.h"
#include "platform/qt_text.h"
#include "terminal/terminal_core.h"
#include "tests/connections/connection_test_support.h"
#include "tests/support/temp_folder.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace view_test {
namespace {

using namespace std::chrono_literals;

class terminal_view_connected_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    // Neither the user's own known_hosts nor another test's keys take part.
    setenv("HOME", home.path().c_str(), 1);
    setenv("APPDATA", appdata.path().c_str(), 1);
  }

  static session_record ssh2_record() {
    session_record record = standard_record();
    record.connection.protocol = protocol_ssh2;
    record.connection.ssh2.hostname = connection_test::env("TESSARY_SSH_HOST");
    record.connection.ssh2.port = static_cast<uint16_t>(std::stoi(connection_test::env("TESSARY_SSH_PORT")));
    record.connection.ssh2.username = connection_test::env("TESSARY_SSH_USER");
    record.connection.ssh2.password = connection_test::env("TESSARY_SSH_PASSWORD");
    return record;
  }

  // What open_session does: document, view, connection, start.
  void connect_view(const session_record& record, QSize client) {
    doc = std::make_shared<CTerminalDoc>();
    doc->OnOpenDocument(record);
    view = std::make_unique<CTerminalView>(doc);
    view->resize(client + QSize(view->verticalScrollBar()->sizeHint().width(), 0));
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->resize(view->size() + client - view->viewport()->size());
    QCoreApplication::processEvents();
    view->AttachProtocol(create_protocol(doc->m_session));
    ASSERT_TRUE(view->m_pProtocol);
    view->m_pProtocol->start();
    ASSERT_TRUE(wait_until([&] { return view->ConnectionState() == state_connected; }));
  }

  // Every stored line, each without its trailing blanks.
  std::vector<std::string> screen_lines() {
    screen_buffer& screen = view->Core()->screen;
    std::lock_guard lock(screen.mutex);
    std::vector<std::string> lines;
    for (int i = 0; i < screen.line_count(); ++i) {
      const screen_line& line = screen.line(screen.wrap(int64_t(screen.first) + i));
      std::u16string text(line.chars.data(), line.length);
      while (!text.empty() && text.back() == u' ') text.pop_back();
      lines.push_back(platform::to_qstring(text).toStdString());
    }
    return lines;
  }
  bool shows_line(const std::string& wanted) {
    for (const std::string& line : screen_lines())
      if (line == wanted) return true;
    return false;
  }
  bool shows_line_ending(const std::string& tail) {
    for (const std::string& line : screen_lines())
      if (line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
        return true;
    return false;
  }
  bool shows_prompt() { return shows_line_ending("$"); }
  void type_line(const char* text) {
    QTest::keyClicks(view.get(), QString::fromUtf8(text));
    QTest::keyClick(view.get(), Qt::Key_Return);
  }

  test_support::temp_folder home;
  test_support::temp_folder appdata;
};

TEST_F(terminal_view_connected_test, ssh2_shows_the_prompt_echoes_typed_text_and_resizes) {
  REQUIRE_PEER(!connection_test::env("TESSARY_SSH_PORT").empty(), "sshd (tests/peers/start)");
  connect_view(ssh2_record(), client_for(25, 80));
  ASSERT_TRUE(wait_until([&] { return shows_prompt(); }));
  type_line("echo hi");
  EXPECT_TRUE(wait_until([&] { return shows_line("hi"); }));
  view->resize(view->size() + client_for(30, 100) - view->viewport()->size());
  QCoreApplication::processEvents();
  ASSERT_EQ(view->m_nRows, 30);
  ASSERT_EQ(view->m_nCols, 100);
  type_line("stty size");
  EXPECT_TRUE(wait_until([&] { return shows_line("30 100"); }));
  // Output keeps the view at the newest line.
  EXPECT_EQ(view->ScrollPosition(), view->verticalScrollBar()->maximum());
}

TEST_F(terminal_view_connected_test, ssh2_closing_during_a_flood_ends_within_the_stop_grace) {
  REQUIRE_PEER(!connection_test::env("TESSARY_SSH_PORT").empty(), "sshd (tests/peers/start)");
  connect_view(ssh2_record(), client_for(25, 80));
  ASSERT_TRUE(wait_until([&] { return shows_prompt(); }));
  type_line("yes");
  ASSERT_TRUE(wait_until([&] { return view->Core()->screen.line_count() >= 400; }));
  std::weak_ptr<terminal_core> core = view->Core();
  std::weak_ptr<protocol> connection = view->m_pProtocol;
  auto started = std::chrono::steady_clock::now();
  view.reset();
  auto took = std::chrono::steady_clock::now() - started;
  // A stop that waited for the flooding worker would never return; the margin over the grace
  // is for a loaded machine.
  EXPECT_LT(took, protocol::stop_grace + 5s);
  // Once its worker has let go, nothing of the session is left.
  EXPECT_TRUE(wait_until([&] { return core.expired() && connection.expired(); }));
}

TEST_F(terminal_view_connected_test, telnet_logs_in_and_runs_a_command_typed_in_the_view) {
  const std::string port = connection_test::env("TESSARY_TELNET_PORT");
  REQUIRE_PEER(!port.empty(), "telnet server (tests/peers/start)");
  session_record record = standard_record();
  record.connection.protocol = protocol_telnet;
  record.connection.telnet.hostname = connection_test::env("TESSARY_TELNET_HOST");
  record.connection.telnet.port = static_cast<uint16_t>(std::stoi(port));
  connect_view(record, client_for(25, 80));
  ASSERT_TRUE(wait_until([&] { return shows_line_ending("login:"); }, 20s));
  type_line(connection_test::env("TESSARY_TELNET_USER").c_str());
  ASSERT_TRUE(wait_until([&] { return shows_line_ending("assword:"); }, 20s));
  type_line(connection_test::env("TESSARY_TELNET_PASSWORD").c_str());
  ASSERT_TRUE(wait_until([&] { return shows_prompt(); }, 20s));
  type_line("echo $((6*7))");
  EXPECT_TRUE(wait_until([&] { return shows_line("42"); }, 20s));
}

TEST_F(terminal_view_connected_test, serial_shows_what_the_port_sends_and_sends_what_is_typed) {
  const std::string folder = connection_test::env("TESSARY_SERIAL_DIR");
  REQUIRE_PEER(!folder.empty(), "socat pty pair (tests/peers/start)");
  const int far_end = ::open((folder + "/peer2").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  REQUIRE_PEER(far_end >= 0, "socat pty pair com2/peer2");
  session_record record = standard_record();
  record.connection.protocol = protocol_serial;
  record.connection.serial.com_port = 2;
  record.connection.serial.baudrate = 115200;
  connect_view(record, client_for(25, 80));

  const std::string greeting = "hello from the port\r\n";
  ASSERT_EQ(::write(far_end, greeting.data(), greeting.size()), ssize_t(greeting.size()));
  EXPECT_TRUE(wait_until([&] { return shows_line("hello from the port"); }));

  QTest::keyClicks(view.get(), "ab");
  QTest::keyClick(view.get(), Qt::Key_Return);
  std::string received;
  wait_until([&] {
    char buffer[64];
    const ssize_t n = ::read(far_end, buffer, sizeof buffer);
    if (n > 0) received.append(buffer, static_cast<size_t>(n));
    return received.size() >= 3;
  });
  EXPECT_EQ(received, "ab\r");
  ::close(far_end);
}

}  // namespace
}  // namespace view_test
