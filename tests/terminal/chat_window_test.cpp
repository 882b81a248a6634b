// The chat window: Enter sends the composed text to the active terminal, Ctrl+Enter breaks a
// line, Up and Down walk the texts sent before.
#include <gtest/gtest.h>

#include <QTest>

#include "terminal/CChatWindow.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace view_test {
namespace {

class chat_window_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    open();
    frame.active = view.get();
    set_state(state_connected);
    chat.resize(300, 100);
    chat.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chat));
  }
  void TearDown() override {
    frame.active = nullptr;
    terminal_view_test::TearDown();
  }
  void type(const char* text) { QTest::keyClicks(&chat, QString::fromUtf8(text)); }
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&chat, k, modifiers);
  }
  CChatWindow chat;
};

TEST_F(chat_window_test, enter_on_an_empty_window_sends_a_line_feed_only) {
  key(Qt::Key_Return);
  EXPECT_EQ(sent(), "\n");
  EXPECT_TRUE(chat.m_history.empty());
}

TEST_F(chat_window_test, lines_composed_with_ctrl_enter_go_out_together_and_come_back_as_one) {
  type("ls");
  key(Qt::Key_Return, Qt::ControlModifier);
  type("pwd");
  EXPECT_EQ(sent(), "");
  key(Qt::Key_Return);
  EXPECT_EQ(sent(), "ls\npwd\n");
  EXPECT_EQ(chat.toPlainText(), QString());
  ASSERT_EQ(chat.m_history.size(), 1u);
  EXPECT_EQ(chat.m_history[0], u"ls\npwd");
  key(Qt::Key_Up);
  EXPECT_EQ(chat.toPlainText(), QStringLiteral("ls\npwd"));
}

TEST_F(chat_window_test, up_and_down_walk_the_history_and_past_the_newest_empty_the_window) {
  type("first");
  key(Qt::Key_Return);
  type("second");
  key(Qt::Key_Return);
  sent();
  key(Qt::Key_Up);
  EXPECT_EQ(chat.toPlainText(), QStringLiteral("second"));
  key(Qt::Key_Up);
  EXPECT_EQ(chat.toPlainText(), QStringLiteral("first"));
  // The oldest stays.
  key(Qt::Key_Up);
  EXPECT_EQ(chat.toPlainText(), QStringLiteral("first"));
  key(Qt::Key_Down);
  EXPECT_EQ(chat.toPlainText(), QStringLiteral("second"));
  key(Qt::Key_Down);
  EXPECT_EQ(chat.toPlainText(), QString());
  key(Qt::Key_Down);
  EXPECT_EQ(chat.toPlainText(), QString());
  // A recalled text is sent again and recorded again.
  key(Qt::Key_Up);
  key(Qt::Key_Return);
  EXPECT_EQ(sent(), "second\n");
  EXPECT_EQ(chat.m_history.size(), 3u);
}

TEST_F(chat_window_test, text_is_kept_while_no_connected_terminal_is_active) {
  chat.insertPlainText(QString::fromUtf8("héllo"));
  key(Qt::Key_Return);
  EXPECT_EQ(sent(), "h\xC3\xA9llo\n");
  struct row {
    const char* name;
    bool active;
    connection_state state;
    const char* note;
  };
  const row rows[] = {
      {"no terminal", false, state_connected, session_frame::no_terminal_message},
      {"disconnected", true, state_disconnected, session_frame::not_connected_message},
      {"connecting", true, state_connecting, session_frame::not_connected_message},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    frame.notes.clear();
    frame.active = r.active ? view.get() : nullptr;
    set_state(r.state);
    type("kept");
    key(Qt::Key_Return);
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(chat.toPlainText(), QStringLiteral("kept"));
    EXPECT_EQ(chat.m_history.size(), 1u);
    EXPECT_EQ(frame.notes, (std::vector<QString>{r.note}));
    chat.clear();
  }
  frame.active = view.get();
  set_state(state_connected);
  type("kept");
  key(Qt::Key_Return);
  EXPECT_EQ(sent(), "kept\n");
}

}  // namespace
}  // namespace view_test
