// A button pressed in the main frame's button bar types into a serial session over a socat pty
// pair: the far end receives exactly the expansion's bytes, also a 200 KB one that goes out
// through the send queue in pieces, and one whose values a `dialog` form asked for. And in an
// SSH2 session to the loopback sshd: a press while the session is disconnected sends nothing,
// not even to the shell of the next connection, and says so on the status bar.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include <chrono>
#include <string>

#include "app/COutputWnd.h"
#include "app/open_session.h"
#include "config/button_bar_param.h"
#include "config/common_options_param.h"
#include "config/configuration.h"
#include "platform/qt_text.h"
#include "scripting/CButtonBar.h"
#include "settings/controls/CIconButton.h"
#include "terminal/CChatWindow.h"
#include "terminal/CTerminalView.h"
#include "terminal/send_item.h"
#include "terminal/session_commands.h"
#include "terminal/terminal_core.h"
#include "tests/app/app_fixture.h"
#include "tests/connections/connection_test_support.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using connection_test::wait_until;

constexpr uint16_t com_number = 9;

class ButtonPressPeer : public FrameTest {
 protected:
  void SetUp() override {
    setenv("TESSARY_SERIAL_DIR", links.path().c_str(), 1);
    REQUIRE_PEER(pair.ready(), "socat pty pair");
    peer = ::open(links.file("peer9").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(peer, 0);

    button_bar_param& bar = *configuration::instance().button_bar;
    bar.categories.resize(1);
    bar.categories[0]->buttons.clear();
    bar.active_category = 0;
    bar.add_button(u"small", 0, u"", u"echo <% nprint(6*7) %> \xe4\r\n", nullptr);
    bar.add_button(u"large", 1, u"", u"<% nprint(string.rep('0123456789abcdef', 12800)) %>", nullptr);
    bar.add_button(u"asks", 2, u"",
                   u"<% if dialog{title = 'Who', items = {{id = 'name', type = 'edit', require = true}}} then"
                   u" nprint('hello ', name) end %>\r\n",
                   nullptr);
    FrameTest::SetUp();

    session_record record;
    record.name = u"port";
    record.connection.protocol = protocol_serial;
    record.connection.serial.com_port = com_number;
    record.connection.serial.baudrate = 115200;
    ASSERT_TRUE(open_session(record));
    ASSERT_TRUE(wait_until([&] {
      QCoreApplication::processEvents();
      return frame->active_view() != nullptr;
    }));
  }

  void TearDown() override {
    if (frame) FrameTest::TearDown();
    configuration::instance().button_bar->categories[0]->buttons.clear();
    if (peer >= 0) ::close(peer);
    unsetenv("TESSARY_SERIAL_DIR");
  }

  void press(size_t index) {
    auto* button = static_cast<CIconButton*>(
        configuration::instance().button_bar->categories[0]->buttons[index]->control.data());
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(3, 3));
  }

  // What the far end reads until `count` bytes came or a while passed; then whatever follows
  // within a short time, so that too many bytes show.
  std::string receive(size_t count) {
    std::string data;
    char buffer[65536];
    auto take = [&] {
      QCoreApplication::processEvents();
      const ssize_t n = ::read(peer, buffer, sizeof buffer);
      if (n > 0) data.append(buffer, static_cast<size_t>(n));
    };
    wait_until([&] {
      take();
      return data.size() >= count;
    }, 20s);
    wait_until([&] {
      take();
      return false;
    }, 200ms);
    return data;
  }

  test_support::temp_folder links;
  connection_test::socat_pty_pair pair{links.path(), com_number};
  int peer = -1;
};

TEST_F(ButtonPressPeer, FarEndReceivesExactlyTheExpansion) {
  press(0);
  // The template's line ends reach the runner as line feeds.
  EXPECT_EQ(receive(11), "echo 42 \xc3\xa4\n");
}

TEST_F(ButtonPressPeer, LargeExpansionArrivesWholeAndInOrder) {
  press(1);
  std::string expected;
  for (int i = 0; i < 12800; ++i) expected += "0123456789abcdef";
  const std::string got = receive(expected.size());
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected) << "the bytes differ";
}

TEST_F(ButtonPressPeer, DialogAnswersGoIntoTheTypedText) {
  test_support::scripted_ui ui;
  ui.expect_modal([this](QDialog& form) {
    EXPECT_EQ(form.windowTitle(), "Who");
    EXPECT_EQ(form.parentWidget(), frame->m_wndButtonBar);
    form.findChild<QLineEdit*>()->setText("  Ann ");
    QTest::mouseClick(form.findChild<QPushButton*>("id_1"), Qt::LeftButton);
  });
  press(2);
  EXPECT_EQ(receive(10), "hello Ann\n");
  // Cancel sends what the template makes without the answer.
  ui.expect_modal([](QDialog& form) { form.reject(); });
  press(2);
  EXPECT_EQ(receive(1), "\n");
}

class ButtonPressSsh : public FrameTest {
 protected:
  void SetUp() override {
    REQUIRE_PEER(!test_support::env("TESSARY_SSH_PORT").empty(), "sshd (tests/peers/start)");
    FrameTest::SetUp();
    options.disconnect_confirm = options.reconnect_confirm = false;
    session_record record = loopback_ssh2_record(u"shell");
    record.connection.ssh2.username = test_support::env("TESSARY_SSH_USER");
    record.connection.ssh2.password = test_support::env("TESSARY_SSH_PASSWORD");
    ASSERT_TRUE(open_session(record));
    ASSERT_TRUE(wait_until([&] {
      QCoreApplication::processEvents();
      view = dynamic_cast<CTerminalView*>(frame->active_view());
      return view && view->ConnectionState() == state_connected;
    }));
  }

  void TearDown() override {
    options.disconnect_confirm = options.reconnect_confirm = true;
    if (frame) FrameTest::TearDown();
  }

  // Every stored line of the view's screen, joined by line feeds.
  std::string screen_text() {
    screen_buffer& screen = view->Core()->screen;
    std::lock_guard lock(screen.mutex);
    std::u16string text;
    for (int i = 0; i < screen.line_count(); ++i) {
      const screen_line& line = screen.line(screen.wrap(int64_t(screen.first) + i));
      text.append(line.chars.data(), line.length).push_back(u'\n');
    }
    return platform::to_qstring(text).toStdString();
  }
  bool screen_shows(const std::string& text) {
    return wait_until([&] {
      QCoreApplication::processEvents();
      return screen_text().find(text) != std::string::npos;
    });
  }
  void press(const char16_t* script) {
    button_item button;
    button.script = script;
    frame->m_wndButtonBar->RunButton(button);
  }

  common_options_param& options = *configuration::instance().common_options;
  CTerminalView* view = nullptr;
};

TEST_F(ButtonPressSsh, APressWhileDisconnectedNeverReachesTheNextShell) {
  press(u"echo first-$((40+1))\r\n");
  ASSERT_TRUE(screen_shows("first-41"));

  view->OnCommand(ID_SESSION_DISCONNECT);
  ASSERT_TRUE(wait_until([&] {
    QCoreApplication::processEvents();
    return view->ConnectionState() == state_disconnected;
  }));
  press(u"echo stale-$((40+2))\r\n");
  EXPECT_EQ(frame->statusBar()->currentMessage(), session_frame::not_connected_message);
  // The chat window keeps its line, and says so too.
  CChatWindow* chat = frame->m_wndOutput->m_wndChat;
  QTest::keyClicks(chat, "echo chat-$((40+3))");
  QTest::keyClick(chat, Qt::Key_Return);
  EXPECT_EQ(chat->toPlainText(), "echo chat-$((40+3))");
  EXPECT_EQ(frame->statusBar()->currentMessage(), session_frame::not_connected_message);
  // What other sources queued while the session was down (a control key, a paste) is not for
  // the next connection either.
  view->SendQueue().push(send_item::heap_buffer("echo queued-$((40+5))\r"));

  view->OnCommand(ID_SESSION_RECONNECT);
  ASSERT_TRUE(wait_until([&] {
    QCoreApplication::processEvents();
    return view->ConnectionState() == state_connected;
  }));
  // Bytes queued before the reconnect would reach the new shell before this press does.
  press(u"echo fresh-$((40+4))\r\n");
  ASSERT_TRUE(screen_shows("fresh-44"));
  const std::string shown = screen_text();
  EXPECT_EQ(shown.find("stale"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("chat-"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("queued-"), std::string::npos) << shown;
}

}  // namespace
