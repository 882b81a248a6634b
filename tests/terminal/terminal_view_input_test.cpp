// The terminal view's input: the bytes each key queues, Ctrl+letters kept from the frame's
// shortcuts, selection with the mouse by cell, word and line, copy on select, paste with its
// confirmation, Select All, Clear Scrollback, Find and the session log.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <fstream>
#include <sstream>
#include <string>

#include "config/configuration.h"
#include "terminal/terminal_core.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace view_test {
namespace {

struct key_case {
  const char* name;
  int key;
  Qt::KeyboardModifiers modifiers;
  const char* console_type;
  bool application_cursor_keys;
  connection_state state;
  std::string bytes;
};

const key_case key_cases[] = {
    {"Ctrl+A", Qt::Key_A, Qt::ControlModifier, "xterm", false, state_connected, "\x01"},
    {"Ctrl+C interrupts, it does not copy", Qt::Key_C, Qt::ControlModifier, "xterm", false, state_connected, "\x03"},
    {"Ctrl+Shift+Z", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "xterm", false, state_connected, "\x1a"},
    {"Ctrl+V while disconnected", Qt::Key_V, Qt::ControlModifier, "xterm", false, state_disconnected, "\x16"},
    {"Up", Qt::Key_Up, Qt::NoModifier, "xterm", false, state_connected, "\x1b[A"},
    {"Up in application mode", Qt::Key_Up, Qt::NoModifier, "xterm", true, state_connected, "\x1bOA"},
    {"Down", Qt::Key_Down, Qt::NoModifier, "xterm", false, state_connected, "\x1b[B"},
    {"Left", Qt::Key_Left, Qt::NoModifier, "xterm", false, state_connected, "\x1b[D"},
    {"Right in application mode", Qt::Key_Right, Qt::NoModifier, "xterm", true, state_connected, "\x1bOC"},
    {"Home xterm", Qt::Key_Home, Qt::NoModifier, "xterm", false, state_connected, "\x1b[H"},
    {"Home xterm application mode", Qt::Key_Home, Qt::NoModifier, "xterm", true, state_connected, "\x1bOH"},
    {"End xterm", Qt::Key_End, Qt::NoModifier, "xterm", false, state_connected, "\x1b[F"},
    {"Home linux", Qt::Key_Home, Qt::NoModifier, "linux", false, state_connected, "\x1b[1~"},
    {"End linux application mode", Qt::Key_End, Qt::NoModifier, "linux", true, state_connected, "\x1bO4~"},
    {"Page Up", Qt::Key_PageUp, Qt::NoModifier, "linux", false, state_connected, "\x1b[5~"},
    {"Page Down", Qt::Key_PageDown, Qt::NoModifier, "xterm", true, state_connected, "\x1b[6~"},
    {"Home vt100 sends nothing", Qt::Key_Home, Qt::NoModifier, "vt100", false, state_connected, ""},
    {"a letter", Qt::Key_A, Qt::NoModifier, "xterm", false, state_connected, "a"},
    {"Enter", Qt::Key_Return, Qt::NoModifier, "xterm", false, state_connected, "\r"},
    {"Tab stays in the terminal", Qt::Key_Tab, Qt::NoModifier, "xterm", false, state_connected, "\t"},
    {"Backspace sends DEL", Qt::Key_Backspace, Qt::NoModifier, "xterm", false, state_connected, "\x7f"},
    {"Shift+Backspace sends DEL", Qt::Key_Backspace, Qt::ShiftModifier, "linux", false, state_connected, "\x7f"},
    {"Ctrl+H sends BS", Qt::Key_H, Qt::ControlModifier, "xterm", false, state_connected, "\b"},
    {"Backspace while disconnected", Qt::Key_Backspace, Qt::NoModifier, "xterm", false, state_disconnected, ""},
    {"Escape", Qt::Key_Escape, Qt::NoModifier, "xterm", false, state_connected, "\x1b"},
    {"Delete types nothing", Qt::Key_Delete, Qt::NoModifier, "xterm", false, state_connected, ""},
    {"typing while connecting", Qt::Key_A, Qt::NoModifier, "xterm", false, state_connecting, ""},
    {"typing while disconnected", Qt::Key_A, Qt::NoModifier, "xterm", false, state_disconnected, ""},
};

TEST_F(terminal_view_test, each_key_queues_its_bytes) {
  open();
  view->setFocus();
  for (const key_case& c : key_cases) {
    SCOPED_TRACE(c.name);
    view->Core()->set_console_type(c.console_type);
    view->Core()->modes.app_cursor_keys = c.application_cursor_keys;
    set_state(c.state);
    QTest::keyClick(view.get(), static_cast<Qt::Key>(c.key), c.modifiers);
    EXPECT_EQ(sent(), c.bytes);
  }
}

TEST_F(terminal_view_test, typed_characters_above_ascii_go_out_as_utf8) {
  open();
  set_state(state_connected);
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("é€"));
  QCoreApplication::sendEvent(view.get(), &press);
  EXPECT_EQ(sent(), "\xC3\xA9\xE2\x82\xAC");
}

TEST_F(terminal_view_test, enter_while_disconnected_reconnects) {
  open();
  QTest::keyClick(view.get(), Qt::Key_Return);
  EXPECT_TRUE(wait_until([&] { return connection->opens.load() == 1; }));
  EXPECT_EQ(sent(), "");
}

TEST_F(terminal_view_test, ctrl_letters_are_not_taken_by_the_frames_shortcuts) {
  open();
  set_state(state_connected);
  QMainWindow window;
  int copies = 0;
  int news = 0;
  auto* copy = window.addAction(QStringLiteral("Copy"));
  copy->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  QObject::connect(copy, &QAction::triggered, [&] { ++copies; });
  auto* create = window.addAction(QStringLiteral("New"));
  create->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  QObject::connect(create, &QAction::triggered, [&] { ++news; });
  window.setCentralWidget(view.get());
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  view->setFocus();
  QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(view.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(sent(), "\x03\x0e");
  EXPECT_EQ(copies, 0);
  EXPECT_EQ(news, 0);
  // Keys that are not Ctrl+letters still reach the frame.
  QTest::keyClick(view.get(), Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(sent(), "");
  window.takeCentralWidget();
}

TEST_F(terminal_view_test, typing_hides_the_pointer_until_the_mouse_moves) {
  open();
  set_state(state_connected);
  QTest::keyClick(view.get(), Qt::Key_X);
  EXPECT_FALSE(view->m_bPointerShown);
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::BlankCursor);
  mouse(QEvent::MouseMove, view->m_ptPointer + QPoint(3, 3), Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(view->m_bPointerShown);
  EXPECT_NE(view->viewport()->cursor().shape(), Qt::BlankCursor);
  configuration::instance().terminal_options->hide_on_type = false;
  QTest::keyClick(view.get(), Qt::Key_X);
  EXPECT_TRUE(view->m_bPointerShown);
  EXPECT_EQ(sent(), "xx");
}

class terminal_selection_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    open(standard_record(), client_for(10, 40));
    feed("first line\r\nsecond line\r\nthird line");
  }
  void drag(int row1, int col1, int row2, int col2) {
    mouse(QEvent::MouseButtonPress, cell_center(row1, col1), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, cell_center(row2, col2), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, cell_center(row2, col2), Qt::LeftButton, Qt::NoButton);
  }
  void double_click(int row, int col, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QPoint at = cell_center(row, col);
    mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
    mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
    mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, modifiers);
    mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
  }
};

TEST_F(terminal_selection_test, dragging_backwards_selects_in_forward_order_and_copies) {
  drag(2, 5, 0, 0);
  EXPECT_EQ(selected_text(), u"first line\nsecond line\nthird ");
  EXPECT_EQ(clipboard_text(), u"first line\nsecond line\nthird ");
  EXPECT_TRUE(view->UpdateCommand(ID_EDIT_COPY).enabled);
}

TEST_F(terminal_selection_test, a_click_without_movement_clears_and_copies_nothing) {
  drag(0, 0, 1, 3);
  put_on_clipboard(u"kept");
  QPoint at = cell_center(1, 2);
  mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, at + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, at + QPoint(1, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(selected_text(), u"");
  EXPECT_EQ(clipboard_text(), u"kept");
  EXPECT_FALSE(view->UpdateCommand(ID_EDIT_COPY).enabled);
}

TEST_F(terminal_selection_test, without_copy_on_select_the_clipboard_is_left_alone) {
  configuration::instance().terminal_options->select_copy = false;
  drag(0, 0, 0, 4);
  EXPECT_EQ(selected_text(), u"first");
  EXPECT_EQ(clipboard_text(), u"");
  view->OnCommand(ID_EDIT_COPY);
  EXPECT_EQ(clipboard_text(), u"first");
}

TEST_F(terminal_selection_test, double_click_selects_a_word_a_run_or_the_line) {
  feed("\r\nfoo--bar baz");
  struct {
    const char* name;
    Qt::KeyboardModifiers modifiers;
    bool expand_select;
    bool whole_select;
    std::u16string selected;
  } cases[] = {
      {"a run of dashes", Qt::NoModifier, true, true, u"--"},
      {"Ctrl expands to the non-space run", Qt::ControlModifier, true, true, u"foo--bar"},
      {"Shift takes the whole line", Qt::ShiftModifier, true, true, u"foo--bar baz"},
      {"Ctrl without ExpandSelect", Qt::ControlModifier, false, true, u"--"},
      {"Shift without WholeSelect", Qt::ShiftModifier, true, false, u"--"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    configuration::instance().terminal_options->expand_select = c.expand_select;
    configuration::instance().terminal_options->whole_select = c.whole_select;
    double_click(3, 4, c.modifiers);
    EXPECT_EQ(selected_text(), c.selected);
    EXPECT_EQ(clipboard_text(), c.selected);
  }
  // Past the used cells of a line nothing is selected.
  double_click(3, 30);
  EXPECT_EQ(selected_text(), u"");
}

TEST_F(terminal_selection_test, select_all_after_a_selection_copies_each_line_once) {
  drag(1, 0, 1, 3);
  view->OnCommand(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(clipboard_text(), u"first line\nsecond line\nthird line");
}

TEST_F(terminal_selection_test, the_selection_is_painted_swapped) {
  drag(0, 0, 0, 4);
  QImage image = grab();
  QRgb foreground = qRgb(0xC0, 0xC0, 0xC0);
  // The space after "first" is outside the selection, the 'f' inside: its background is the
  // foreground colour, so some pixel of the cell is.
  QPoint corner = cell_center(0, 0) - QPoint(view->m_nCharWidth / 2, view->m_nLineHeight / 2);
  EXPECT_EQ(image.pixel(corner), foreground);
  EXPECT_EQ(image.pixel(cell_center(0, 5)), qRgb(0, 0, 0));
}

TEST_F(terminal_selection_test, clear_scrollback_leaves_one_empty_line) {
  feed(std::string(40, '\n'));
  view->OnCommand(ID_CLEAR_SCROLLBACK);
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view->Core()->screen.line_count(), 1);
  view->OnCommand(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(clipboard_text(), u"");
}

class terminal_paste_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    open();
    set_state(state_connected);
  }
  test_support::scripted_ui ui;
};

TEST_F(terminal_paste_test, paste_needs_a_connection_and_text) {
  EXPECT_FALSE(view->UpdateCommand(ID_EDIT_PASTE).enabled);
  put_on_clipboard(u"x");
  EXPECT_TRUE(view->UpdateCommand(ID_EDIT_PASTE).enabled);
  set_state(state_connecting);
  EXPECT_FALSE(view->UpdateCommand(ID_EDIT_PASTE).enabled);
  EXPECT_FALSE(view->OnCommand(ID_EDIT_PASTE));
  EXPECT_EQ(sent(), "");
}

TEST_F(terminal_paste_test, short_pastes_go_straight_out_with_crlf_turned_to_lf) {
  put_on_clipboard(u"1\r\n2\r\n3\r\né");
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(sent(), "1\n2\n3\n\xC3\xA9");
  EXPECT_TRUE(ui.interactions().empty());
}

TEST_F(terminal_paste_test, five_lines_are_shown_first_and_ok_pastes_them) {
  put_on_clipboard(u"1\n2\n3\n4\n5");
  QString shown;
  ui.expect_modal([&](QDialog& dialog) {
    shown = dialog.findChild<QPlainTextEdit*>(QStringLiteral("id_1060"))->toPlainText();
    dialog.findChild<QPushButton*>(QStringLiteral("id_1"))->click();
  });
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(shown, QStringLiteral("1\n2\n3\n4\n5"));
  ASSERT_EQ(ui.interactions().size(), 1u);
  EXPECT_EQ(ui.interactions()[0].caption, QStringLiteral("Confirm"));
  EXPECT_EQ(sent(), "1\n2\n3\n4\n5");
}

TEST_F(terminal_paste_test, cancel_drops_the_paste) {
  put_on_clipboard(u"1\n2\n3\n4\n5\n6");
  ui.expect_modal([](QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("id_2"))->click(); });
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(sent(), "");
}

TEST_F(terminal_paste_test, the_confirmation_follows_the_settings) {
  terminal_opt_param& options = *configuration::instance().terminal_options;
  put_on_clipboard(u"one line");
  options.lines = 1;
  ui.expect_modal([](QDialog& dialog) { dialog.accept(); });
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(sent(), "one line");
  options.prompt_mline_paste = false;
  put_on_clipboard(u"1\n2\n3\n4\n5\n6");
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(sent(), "1\n2\n3\n4\n5\n6");
}

TEST_F(terminal_paste_test, the_right_button_pastes_in_any_state) {
  put_on_clipboard(u"hello");
  set_state(state_disconnected);
  mouse(QEvent::MouseButtonPress, cell_center(0, 0), Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(sent(), "hello");
  configuration::instance().terminal_options->right_paste = false;
  mouse(QEvent::MouseButtonPress, cell_center(0, 0), Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(sent(), "");
}

TEST_F(terminal_paste_test, copy_then_paste_round_trips_the_selection) {
  feed("echo round trip\r\n");
  view->Core()->screen.select_range(0, 5, 0, 14);
  view->OnCommand(ID_EDIT_COPY);
  view->OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(sent(), "round trip");
}

class terminal_find_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    open(standard_record(), client_for(10, 40));
    std::string lines = "alpha foo\r\n";
    for (int i = 0; i < 30; ++i) lines += "filler\r\n";
    lines += "foo gamma";
    feed(lines);
  }
  test_support::scripted_ui ui;
};

TEST_F(terminal_find_test, search_continues_from_the_last_match_and_reports_a_miss) {
  std::vector<std::u16string> found;
  std::vector<int> positions;
  ui.expect_modal([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search in terminal"));
    dialog.findChild<QLineEdit*>(QStringLiteral("id_1010"))->setText(QStringLiteral("FOO"));
    dialog.findChild<QCheckBox*>(QStringLiteral("id_1011"))->setChecked(true);
    auto* search = dialog.findChild<QPushButton*>(QStringLiteral("id_1"));
    for (int i = 0; i < 3; ++i) {
      search->click();
      found.push_back(selected_text());
      positions.push_back(view->ScrollPosition());
    }
    dialog.findChild<QLineEdit*>(QStringLiteral("id_1010"))->setText(QStringLiteral("zzz"));
    search->click();
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QPushButton*>(QStringLiteral("id_2"))->click();
  });
  ui.expect_message(platform::IDOK);
  view->OnCommand(ID_EDIT_FIND);
  // Downwards from the screen top: the last line, then round to the first line, then the last
  // again; each match's line is scrolled to the middle as far as the range allows.
  EXPECT_EQ(found, (std::vector<std::u16string>{u"foo", u"foo", u"foo"}));
  int bottom = view->verticalScrollBar()->maximum();
  EXPECT_EQ(positions, (std::vector<int>{bottom, 0, bottom}));
  auto messages = ui.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("Cannot find 'zzz'!"));
  EXPECT_EQ(messages[0].caption, QStringLiteral("Tessary"));
}

class terminal_log_test : public terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    open();
  }
  static std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  test_support::scripted_ui ui;
  test_support::temp_folder folder;
};

// The log takes each line when the cursor leaves it, and at the stop the line still under the
// cursor (a prompt, a partial line) as it stands, once.
TEST_F(terminal_log_test, a_log_records_the_lines_the_cursor_leaves_until_it_is_stopped) {
  std::string path = folder.file("session.log");
  ui.expect_save_file(QString::fromStdString(path));
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_TRUE(view->UpdateCommand(ID_SESSION_LOG).checked);
  EXPECT_TRUE(ui.interactions()[0].text.startsWith(QStringLiteral("test session_")));
  feed("one\r\ntwo\r\nthree");
  // No: the log goes on, and the line goes to it once, when it is finished.
  ui.expect_message(platform::IDNO);
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_TRUE(view->UpdateCommand(ID_SESSION_LOG).checked);
  feed(" and more\r\nuser@host:~$ ");
  ui.expect_message(platform::IDYES);
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_FALSE(view->UpdateCommand(ID_SESSION_LOG).checked);
  EXPECT_EQ(ui.messages().back().text, QStringLiteral("Are you sure to stop log?"));
  const std::string logged = "one\r\ntwo\r\nthree and more\r\nuser@host:~$ ";
  EXPECT_EQ(file_text(path), logged);
  // Nothing more reaches the closed log.
  feed("ls\r\nfive\r\n");
  EXPECT_EQ(file_text(path), logged);
}

// A stop while the cursor stands at the start of an empty line adds nothing.
TEST_F(terminal_log_test, a_stop_after_a_finished_line_adds_nothing) {
  std::string path = folder.file("finished.log");
  ui.expect_save_file(QString::fromStdString(path));
  view->OnCommand(ID_SESSION_LOG);
  feed("done\r\n");
  ui.expect_message(platform::IDYES);
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_EQ(file_text(path), "done\r\n");
}

TEST_F(terminal_log_test, a_path_that_cannot_be_created_reports_the_failure) {
  ui.expect_save_file(QString::fromStdString(folder.file("missing/folder/x.log")));
  ui.expect_message(platform::IDOK);
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_EQ(ui.messages().back().text, QStringLiteral("Try to log failed!"));
  EXPECT_EQ(ui.messages().back().caption, QStringLiteral("Error"));
  EXPECT_FALSE(view->UpdateCommand(ID_SESSION_LOG).checked);
  // Cancel in the file dialog does nothing.
  ui.expect_save_file(std::nullopt);
  view->OnCommand(ID_SESSION_LOG);
  EXPECT_FALSE(view->UpdateCommand(ID_SESSION_LOG).checked);
}

TEST_F(terminal_log_test, closing_the_view_closes_its_log) {
  std::string path = folder.file("closed.log");
  ui.expect_save_file(QString::fromStdString(path));
  view->OnCommand(ID_SESSION_LOG);
  feed("last line\r\n$ exit");
  view.reset();
  EXPECT_EQ(file_text(path), "last line\r\n$ exit");
}

}  // namespace
}  // namespace view_test
