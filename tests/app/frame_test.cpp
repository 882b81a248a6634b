// The main frame, its panes and commands, opening sessions and close-all, with the real
// settings store in the test's own APPDATA; a session behind the front tab talks to the
// loopback sshd (tests/peers/start).
#include <QLabel>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPushButton>
#include <QMdiArea>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/CHostView.h"
#include "app/COutputWnd.h"
#include "app/command_ids.h"
#include "app/open_session.h"
#include "config/configuration.h"
#include "config/color_scheme_param.h"
#include "config/default_session_param.h"
#include "config/host_param.h"
#include "config/terminal_appearance_param.h"
#include "explorer/CExplorerView.h"
#include "settings/controls/CCaption.h"
#include "tests/app/app_fixture.h"
#include "tests/app/scripted_indicators.h"
#include "tests/support/peer_env.h"
#include "tests/support/scripted_ui.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CChatWindow.h"
#include "terminal/terminal_core.h"
#include "terminal/CTerminalView.h"
#include "terminal/CBaseView.h"
#include "scripting/CButtonBar.h"
#include "config/button_bar_param.h"
#include "terminal/send_queue.h"

namespace {

// A Telnet session to a loopback port where nothing listens: it opens a real tab whose
// connection fails at once.
session_record refused_session(const std::string& name) {
  session_record record;
  record.connection.protocol = protocol_telnet;
  record.connection.telnet.hostname = "127.0.0.1";
  record.connection.telnet.port = 1;
  record.name = std::u16string(name.begin(), name.end());
  return record;
}

std::u16string title_of(CChildFrame* child) { return child->GetDocument()->m_session.name; }

TEST_F(FrameTest, CommandsWithoutAHandlerShowDisabled) {
  for (int id : {ID_FILE_OPEN, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_MRU_FILE1})
    EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
  // With no session open the session commands are off too, and so are the session menus.
  for (int id : {int(ID_SESSION_RECONNECT), int(ID_EDIT_COPY), int(ID_CLONE_TERMINAL), int(ID_FILE_CLOSE)})
    EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
  for (int id : {ID_FILE_NEW, ID_WINDOW_CASCADE, ID_VIEW_CHAT_WINDOW, ID_VIEW_APPLOOK_OFF_2003,
                 ID_TINY_SERVER_SETTING, ID_VIEW_HOSTVIEW, ID_GLOBAL_OPTIONS, ID_APP_ABOUT, ID_FILE_PRINT_SETUP})
    EXPECT_TRUE(frame->Action(id)->isEnabled()) << id;
  EXPECT_TRUE(frame->Action(default_application_look)->isChecked());
}

TEST_F(FrameTest, StatusPanesShowTheSizeOnlyWhenAsked) {
  auto* size = frame->findChild<QLabel*>("id_159");
  auto* type = frame->findChild<QLabel*>("id_126");
  frame->SetStatusSize(24, 80);
  EXPECT_EQ(size->text(), "24 Rows, 80 Cols");
  frame->SetStatusSize(-1, 80);
  EXPECT_EQ(size->text(), "");
  configuration::instance().terminal_appearance->indicate_size = false;
  frame->SetStatusSize(24, 80);
  EXPECT_EQ(size->text(), "");
  configuration::instance().terminal_appearance->indicate_size = true;
  frame->SetStatusTerminalType("vt100");
  EXPECT_EQ(type->text(), "vt100");
  frame->SetStatusTerminalType(nullptr);
  EXPECT_EQ(type->text(), "");
}

// A terminal sends Ctrl+C and Ctrl+V to the remote program, so the Edit menu names the keys that
// copy and paste there; both pairs of keys stay bound to the commands.
TEST_F(FrameTest, EditMenuNamesTheKeysThatWorkInATerminal) {
  open_session(refused_session("one"));
  struct entry {
    int id;
    const char* text;
    const char* shown_key;
    const char* other_key;
  };
  const entry entries[] = {{ID_EDIT_COPY, "&Copy", "Ctrl+Ins", "Ctrl+C"}, {ID_EDIT_PASTE, "&Paste", "Shift+Ins", "Ctrl+V"}};
  for (const entry& e : entries) {
    QAction* action = frame->Action(e.id);
    QStringList parts = action->text().split('\t');
    ASSERT_EQ(parts.size(), 2) << e.text;
    EXPECT_EQ(parts[0], e.text);
    EXPECT_EQ(QKeySequence(parts[1]), QKeySequence(e.shown_key)) << e.text;
    EXPECT_TRUE(action->shortcuts().contains(QKeySequence(e.shown_key))) << e.text;
    EXPECT_TRUE(action->shortcuts().contains(QKeySequence(e.other_key))) << e.text;
  }
}

// Enter in the Chat Window while an explorer is the active tab keeps the text and says that no
// terminal is active.
TEST_F(FrameTest, ChatTextWithAnExplorerInFrontIsKeptAndTheStatusBarSaysWhy) {
  session_record record = refused_session("explorer");
  record.view = session_view_explorer;
  open_session(record);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->active_view() != nullptr; }, wait_bound_ms));
  CChatWindow* chat = frame->m_wndOutput->m_wndChat;
  QTest::keyClicks(chat, "uptime");
  QTest::keyClick(chat, Qt::Key_Return);
  EXPECT_EQ(chat->toPlainText(), "uptime");
  EXPECT_EQ(frame->statusBar()->currentMessage(), session_frame::no_terminal_message);
}

// What a terminal's send queue holds; its refused session never takes it.
std::string queued(CTerminalView* view) {
  std::string out;
  std::array<char, send_queue::fetch_size> buffer;
  for (int n; (n = view->SendQueue().fetch_send_data(buffer, std::chrono::milliseconds(0))) > 0;)
    out.append(buffer.data(), static_cast<size_t>(n));
  return out;
}

// A button press that sends nothing says why on the status bar, with an explorer in front and
// with a terminal in front whose session is not connected; the note goes when another tab comes
// to the front, or after a while.
TEST_F(FrameTest, AButtonPressThatSendsNothingSaysWhyUntilAnotherTabComesToTheFront) {
  open_session(refused_session("terminal"));
  CChildFrame* terminal_frame = frame->SessionFrames()[0];
  auto* terminal = dynamic_cast<CTerminalView*>(terminal_frame->GetActiveView());
  ASSERT_NE(terminal, nullptr);
  session_record record = refused_session("explorer");
  record.view = session_view_explorer;
  open_session(record);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dynamic_cast<CExplorerView*>(frame->active_view()) != nullptr; }, wait_bound_ms));
  // The new tab takes the focus once its posted opening is handled; it must not come to the
  // front again after the switch below.
  QCoreApplication::processEvents();

  button_item good;
  good.script = u"uptime\r\n";
  frame->m_wndButtonBar->RunButton(good);
  EXPECT_EQ(frame->statusBar()->currentMessage(), session_frame::no_terminal_message);
  frame->m_wndMdiArea->setActiveSubWindow(terminal_frame);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->active_view() == terminal; }, wait_bound_ms));
  EXPECT_EQ(frame->statusBar()->currentMessage(), "");
  EXPECT_EQ(queued(terminal), "");

  // The terminal in front is not connected (its session was refused).
  frame->m_wndButtonBar->RunButton(good);
  EXPECT_EQ(frame->statusBar()->currentMessage(), session_frame::not_connected_message);
  EXPECT_EQ(queued(terminal), "");
  // With no other tab coming to the front, the note goes after a while.
  EXPECT_FALSE(QTest::qWaitFor([&] { return frame->statusBar()->currentMessage().isEmpty(); }, 1000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return frame->statusBar()->currentMessage().isEmpty(); }, wait_bound_ms));
}

// A tab shows its host's name as written, an "&" included, also after the tabs are made again.
TEST_F(FrameTest, TabTitlesShowAnAmpersandAsWritten) {
  open_session(refused_session("router & co"));
  open_session(refused_session("a&b"));
  auto shown_titles = [this] {
    QStringList titles;
    auto* tabs = frame->m_wndMdiArea->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!tabs) return titles;
    // What the user reads: a label's "&&" shows one "&", a lone "&" marks the next letter.
    for (int i = 0; i < tabs->count(); ++i) {
      QString text = tabs->tabText(i), shown;
      for (int c = 0; c < text.size(); ++c) {
        if (text[c] == '&' && c + 1 < text.size()) ++c;
        shown += text[c];
      }
      titles << shown;
    }
    return titles;
  };
  EXPECT_EQ(shown_titles(), (QStringList{"router & co", "a&b"}));
  frame->OnCommand(ID_WINDOW_CASCADE);
  frame->OnCommand(ID_WINDOW_TABS);
  EXPECT_EQ(shown_titles(), (QStringList{"router & co", "a&b"}));
  EXPECT_EQ(frame->SessionFrames()[0]->windowTitle(), "router & co");
}

// The size pane follows the active terminal's rows and columns when a new font changes them, and
// stays empty while an explorer is in front, whatever a terminal behind it reports.
TEST_F(FrameTest, SizePaneFollowsAFontChangeAndIsEmptyForAnExplorer) {
  open_session(refused_session("one"));
  auto* size = frame->findChild<QLabel*>("id_159");
  auto* view = dynamic_cast<CTerminalView*>(frame->SessionFrames()[0]->GetActiveView());
  ASSERT_NE(view, nullptr);
  auto shows_view = [&] { return size->text() == QStringLiteral("%1 Rows, %2 Cols").arg(view->m_nRows).arg(view->m_nCols); };
  ASSERT_TRUE(QTest::qWaitFor(shows_view, wait_bound_ms)) << size->text().toStdString();
  const int cols = view->m_nCols;
  view->GetDocument()->m_session.appearance.font_size *= 2;
  view->ApplySettings();
  ASSERT_LT(view->m_nCols, cols);
  EXPECT_TRUE(QTest::qWaitFor(shows_view, wait_bound_ms)) << size->text().toStdString();

  session_record record = refused_session("explorer");
  record.view = session_view_explorer;
  open_session(record);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dynamic_cast<CExplorerView*>(frame->active_view()) != nullptr; }, wait_bound_ms));
  ASSERT_TRUE(QTest::qWaitFor([&] { return size->text().isEmpty(); }, wait_bound_ms));
  view->resize(view->width() / 2, view->height() / 2);
  view->ApplySettings();
  // The report of the terminal behind is shown 200 ms later, if at all.
  EXPECT_FALSE(QTest::qWaitFor([&] { return !size->text().isEmpty(); }, 1000)) << size->text().toStdString();
}

// Sessions behind the active tab keep the size of the visible tab area, as it changes too.
TEST_F(FrameTest, TerminalsBehindTheActiveTabHaveTheVisibleSize) {
  for (const char* name : {"one", "two", "three"}) open_session(refused_session(name));
  auto grid = [](CChildFrame* child) {
    auto* view = dynamic_cast<CTerminalView*>(child->GetActiveView());
    return std::make_pair(view->m_nRows, view->m_nCols);
  };
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 3u);
  for (CChildFrame* child : frames) EXPECT_EQ(grid(child), grid(frames[2]));
  frame->resize(800, 500);
  QCoreApplication::processEvents();
  for (CChildFrame* child : frames) EXPECT_EQ(grid(child), grid(frames[2]));
  frame->m_wndMdiArea->setActiveSubWindow(frames[0]);
  for (CChildFrame* child : frames) EXPECT_EQ(grid(child), grid(frames[0]));
}

// The grid every size the watched terminal takes shows, from the watch on.
class grid_watch : public QObject {
 public:
  explicit grid_watch(CTerminalView* view) : m_view(view) {
    view->installEventFilter(this);
    take();
  }
  std::vector<std::pair<int, int>> grids;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Resize) QMetaObject::invokeMethod(this, [this] { take(); }, Qt::QueuedConnection);
    return false;
  }

 private:
  void take() { grids.emplace_back(m_view->m_nRows, m_view->m_nCols); }
  CTerminalView* m_view;
};

// The terminal's stored lines, each without its trailing blanks (the shell here writes ASCII).
std::vector<std::string> screen_lines(CTerminalView* view) {
  auto lock = view->Core()->gui_lock();
  screen_buffer& screen = view->Core()->screen;
  std::vector<std::string> lines;
  for (int i = 0; i < screen.line_count(); ++i) {
    const screen_line& line = screen.line(screen.wrap(int64_t(screen.first) + i));
    std::string text;
    for (int k = 0; k < line.length; ++k) text += static_cast<char>(line.chars[k]);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    lines.push_back(text);
  }
  return lines;
}

// An SSH2 session that connects while another tab is in front gets the front tab's rows and
// columns from its first window-size message on: the shell behind says so.
TEST_F(FrameTest, ASessionConnectingBehindTheActiveTabGetsTheVisibleSize) {
  using test_support::env;
  REQUIRE_PEER(!env("TESSARY_SSH_PORT").empty(), "the loopback sshd is not running (tests/peers/start)");
  session_record ssh = refused_session("behind");
  ssh.connection.protocol = protocol_ssh2;
  ssh.connection.ssh2.hostname = env("TESSARY_SSH_HOST");
  ssh.connection.ssh2.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
  ssh.connection.ssh2.username = env("TESSARY_SSH_USER");
  ssh.connection.ssh2.password = env("TESSARY_SSH_PASSWORD");
  ASSERT_TRUE(open_session(ssh));
  auto* behind = dynamic_cast<CTerminalView*>(frame->SessionFrames().back()->GetActiveView());
  ASSERT_NE(behind, nullptr);
  grid_watch watch(behind);
  // Opened before the SSH2 handshake is through, the next tab comes to the front.
  open_session(refused_session("front"));
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 2u);
  auto* front = dynamic_cast<CTerminalView*>(frames[1]->GetActiveView());
  ASSERT_EQ(frame->m_wndMdiArea->activeSubWindow(), frames[1]);
  const int connect_bound_ms = 60000;
  ASSERT_TRUE(QTest::qWaitFor([&] { return behind->ConnectionState() == state_connected; }, connect_bound_ms));
  auto shows = [&](const std::function<bool(const std::string&)>& wanted) {
    auto lines = screen_lines(behind);
    return std::any_of(lines.begin(), lines.end(), wanted);
  };
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return shows([](const std::string& line) { return line.ends_with("$"); }); }, connect_bound_ms));
  QTest::keyClicks(behind, "stty size");
  QTest::keyClick(behind, Qt::Key_Return);
  const auto visible = std::make_pair(front->m_nRows, front->m_nCols);
  const std::string answer = std::to_string(visible.first) + " " + std::to_string(visible.second);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return shows([&](const std::string& line) { return line == answer; }); }, connect_bound_ms))
      << answer;
  EXPECT_EQ(frame->m_wndMdiArea->activeSubWindow(), frames[1]);
  // The shell reports the last size sent: the terminal never took another one, so the first
  // message carried it too.
  for (const auto& grid : watch.grids) EXPECT_EQ(grid, visible);
}

TEST_F(FrameTest, OutputTogglesHideOrSwitchTabs) {
  QTabWidget* tabs = frame->m_wndOutput->m_wndTabs;
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Chat Window");
  EXPECT_EQ(tabs->tabText(1), "Tiny Server");
  tabs->setCurrentIndex(COutputWnd::chat_tab);
  ASSERT_TRUE(frame->m_wndOutput->isVisible());
  frame->OnCommand(ID_VIEW_CHAT_WINDOW);
  EXPECT_FALSE(frame->m_wndOutput->isVisible());
  frame->OnCommand(ID_VIEW_CHAT_WINDOW);
  EXPECT_TRUE(frame->m_wndOutput->isVisible());
  EXPECT_TRUE(frame->Action(ID_VIEW_CHAT_WINDOW)->isChecked());
  frame->OnCommand(ID_VIEW_TINY_SERVER);  // shown on the other tab: switch, do not hide
  EXPECT_TRUE(frame->m_wndOutput->isVisible());
  EXPECT_EQ(tabs->currentIndex(), COutputWnd::trace_tab);
  EXPECT_FALSE(frame->Action(ID_VIEW_CHAT_WINDOW)->isChecked());
  EXPECT_TRUE(frame->Action(ID_VIEW_TINY_SERVER)->isChecked());
}

TEST_F(FrameTest, WindowLayouts) {
  open_session(refused_session("one"));
  open_session(refused_session("two"));
  QMdiArea* area = frame->m_wndMdiArea;
  EXPECT_EQ(area->viewMode(), QMdiArea::TabbedView);
  frame->OnCommand(ID_WINDOW_TILE_VERT);
  EXPECT_EQ(the_app.m_nWindowLayout, 1);
  EXPECT_EQ(area->viewMode(), QMdiArea::SubWindowView);
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_LT(frames[0]->geometry().right(), frames[1]->geometry().left() + 1);  // side by side
  EXPECT_TRUE(frame->Action(ID_WINDOW_TILE_VERT)->isChecked());
  frame->OnCommand(ID_WINDOW_CASCADE);
  frame->OnCommand(ID_WINDOW_TABS);
  EXPECT_EQ(area->viewMode(), QMdiArea::TabbedView);
  ASSERT_NE(area->activeSubWindow(), nullptr);
  EXPECT_TRUE(area->activeSubWindow()->isMaximized());
  EXPECT_TRUE(frame->Action(ID_WINDOW_TABS)->isChecked());
}

TEST_F(FrameTest, DoubleClickOnTheEmptyAreaOpensQuickConnect) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Quick Connect");
    dialog.reject();
  });
  QWidget* empty = frame->m_wndMdiArea->viewport();
  QTest::mouseDClick(empty, Qt::LeftButton, {}, empty->rect().center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return ui.left() == 0; }, wait_bound_ms));
  QCoreApplication::processEvents();
  EXPECT_TRUE(frame->SessionFrames().empty());
}

TEST_F(FrameTest, TinyServerSettingOpensTheServerSheet) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Tiny Server");
    EXPECT_EQ(dialog.objectName(), "CServerPropertySheet");
    dialog.reject();
  });
  frame->Action(ID_TINY_SERVER_SETTING)->trigger();
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(FrameTest, QuickConnectOpensTheSessionAndCanSaveIt) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    control<QComboBox>(dialog, 310)->setCurrentIndex(protocol_telnet);
    type_into(control<QLineEdit>(dialog, 311), "127.0.0.1");
    type_into(control<QLineEdit>(dialog, 312), "1");
    control<QAbstractButton>(dialog, 325)->click();
    control<QAbstractButton>(dialog, 1)->click();
  });
  frame->OnCommand(ID_FILE_NEW);
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 1u);
  const session_record& opened = frames[0]->GetDocument()->m_session;
  EXPECT_EQ(opened.connection.protocol, protocol_telnet);
  EXPECT_EQ(opened.connection.telnet.port, 1);
  // The host lands in the host manager, which hands it to the settings at its next tick.
  ASSERT_NE(frame->m_wndHostView->LastHostWithUuid(opened.uuid), nullptr);
  frame->m_wndHostView->OnTimer();
  auto saved = configuration::instance().hosts->find(opened.uuid);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->name, opened.name);
  EXPECT_TRUE(configuration::instance().save_pending());
}

// The colour a terminal view paints its background with, read from its pixels.
QRgb painted_background(CChildFrame* child) {
  QWidget* view = child->GetActiveView()->widget();
  return view->grab().toImage().pixel(1, 1) & 0xFFFFFF;
}

// Edits the "Standard" scheme in the dialog open in `dialog`, giving it the background `color`:
// through the Color Scheme page of Global Options, or the Appearance page of Session Options.
void edit_standard_background(test_support::scripted_ui& ui, QDialog& dialog, int edit_button, QColor color) {
  ui.expect_modal([](QDialog& editor) {
    emit editor.findChild<CCaption*>("id_394")->STN_CLICKED(nullptr);
    editor.findChild<QPushButton*>("id_1")->click();
  });
  ui.expect_color(color);
  control<QPushButton>(dialog, edit_button)->click();
}

TEST_F(FrameTest, GlobalOptionsReachTheOpenTerminals) {
  test_support::scripted_ui ui;
  open_session(refused_session("one"));
  CChildFrame* child = frame->SessionFrames()[0];
  ASSERT_EQ(child->GetDocument()->m_session.appearance.color_scheme, u"Standard");
  ui.expect_modal([&ui](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "COptionsDlg");
    control<QListWidget>(dialog, 384)->setCurrentRow(2);  // "Standard"
    edit_standard_background(ui, dialog, 385, QColor(0x20, 0x40, 0x60));
    dialog.reject();  // Cancel: the terminal keeps its colours
  });
  frame->OnCommand(ID_GLOBAL_OPTIONS);
  EXPECT_EQ(painted_background(child), qRgb(0x0A, 0x0A, 0x0A) & 0xFFFFFF);
  ui.expect_modal([&ui](QDialog& dialog) {
    control<QListWidget>(dialog, 384)->setCurrentRow(2);
    edit_standard_background(ui, dialog, 385, QColor(0x20, 0x40, 0x60));
    control<QPushButton>(dialog, 1)->click();
  });
  frame->OnCommand(ID_GLOBAL_OPTIONS);
  EXPECT_EQ(child->GetDocument()->m_session.appearance.background, 0x604020u);
  EXPECT_EQ(painted_background(child), qRgb(0x20, 0x40, 0x60) & 0xFFFFFF);
  configuration::instance().save_timer_proc();
  configuration::instance().color_schemes->schemes[2] = builtin_color_schemes[2];
}

TEST_F(FrameTest, SessionOptionsEditTheSessionAndSchemesReachEveryTerminal) {
  test_support::scripted_ui ui;
  open_session(refused_session("one"));
  open_session(refused_session("two"));
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 2u);
  frame->m_wndMdiArea->setActiveSubWindow(frames[0]);
  // Nothing listens there: once the connection has failed, the Connection page is not locked.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return frames[0]->GetActiveView()->ConnectionState() == state_disconnected; }, wait_bound_ms));
  ui.expect_modal([&ui](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "CSessionOptionsDlg");
    EXPECT_TRUE(control<QLineEdit>(dialog, 418)->isEnabled());
    type_into(control<QLineEdit>(dialog, 418), "renamed");
    edit_standard_background(ui, dialog, 427, QColor(0x11, 0x22, 0x33));
    control<QPushButton>(dialog, 1)->click();
  });
  frames[0]->GetActiveView()->OnCommand(ID_SESSION_OPTIONS);
  EXPECT_EQ(frames[0]->GetDocument()->m_session.name, u"renamed");
  EXPECT_EQ(frames[1]->GetDocument()->m_session.name, u"two");
  for (CChildFrame* child : frames) EXPECT_EQ(painted_background(child), qRgb(0x11, 0x22, 0x33) & 0xFFFFFF);
  EXPECT_TRUE(configuration::instance().save_pending());
  configuration::instance().save_timer_proc();
  configuration::instance().color_schemes->schemes[2] = builtin_color_schemes[2];
}

TEST_F(FrameTest, AboutShowsTheAboutSheet) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& sheet) {
    EXPECT_EQ(sheet.objectName(), "CAboutSheet");
    EXPECT_EQ(sheet.windowTitle(), "About Tessary");
    control<QPushButton>(sheet, 1)->click();
  });
  frame->OnCommand(ID_APP_ABOUT);
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(FrameTest, PrintSetupShowsThePageSetup) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_NE(qobject_cast<QPageSetupDialog*>(&dialog), nullptr);
    dialog.reject();
  });
  frame->OnCommand(ID_FILE_PRINT_SETUP);
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(FrameTest, SessionsAreIndependentCopies) {
  session_record record = refused_session("same");
  EXPECT_TRUE(open_session(record));
  EXPECT_TRUE(open_session(record));
  auto frames = frame->SessionFrames(session_view_terminal);
  ASSERT_EQ(frames.size(), 2u);
  frames[0]->GetDocument()->m_session.name = u"changed";
  EXPECT_EQ(title_of(frames[1]), u"same");
  EXPECT_NE(frames[0]->GetActiveView()->m_pProtocol, frames[1]->GetActiveView()->m_pProtocol);
}

TEST_F(FrameTest, UnknownProtocolOpensADisconnectedTabWithoutAConnection) {
  session_record record = refused_session("odd");
  record.connection.protocol = protocol_unknown;
  EXPECT_FALSE(open_session(record));
  auto frames = frame->SessionFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0]->GetActiveView()->m_pProtocol, nullptr);
  EXPECT_EQ(frames[0]->windowIcon().cacheKey(), frame->m_hIconDisconnected.cacheKey());
}

TEST_F(FrameTest, AnExplorerRecordOpensAnExplorerTabThatClearsTheStatusPanes) {
  open_session(refused_session("terminal"));
  auto* type = frame->findChild<QLabel*>("id_126");
  ASSERT_TRUE(QTest::qWaitFor([&] { return type->text() == "xterm"; }, wait_bound_ms));
  session_record record = refused_session("explorer");
  record.view = session_view_explorer;
  EXPECT_TRUE(open_session(record));
  auto explorers = frame->SessionFrames(session_view_explorer);
  ASSERT_EQ(explorers.size(), 1u);
  CBaseView* view = explorers[0]->GetActiveView();
  EXPECT_NE(dynamic_cast<CExplorerView*>(view), nullptr);
  EXPECT_EQ(view->m_pProtocol->mode, session_view_explorer);
  EXPECT_TRUE(QTest::qWaitFor([&] { return type->text().isEmpty(); }, wait_bound_ms));
  EXPECT_TRUE(frame->findChild<QLabel*>("id_159")->text().isEmpty());
}

TEST_F(FrameTest, ActivatingASessionShowsItsTypeAndSize) {
  open_session(refused_session("one"));
  auto* type = frame->findChild<QLabel*>("id_126");
  EXPECT_TRUE(QTest::qWaitFor([&] { return type->text() == "xterm"; }, wait_bound_ms)) << type->text().toStdString();
  auto* size = frame->findChild<QLabel*>("id_159");
  EXPECT_TRUE(size->text().endsWith(" Cols")) << size->text().toStdString();
  delete frame->SessionFrames().front();
  EXPECT_TRUE(QTest::qWaitFor([&] { return type->text().isEmpty() && size->text().isEmpty(); }, wait_bound_ms));
}

// Close-all with the start-up type `type` and two sessions open.
class CloseAll : public FrameTest {
 protected:
  void open_two(int type) {
    configuration::instance().default_session->session_type = type;
    open_session(refused_session("first"));
    open_session(refused_session("second"));
  }
  std::vector<std::u16string> remembered() const {
    std::vector<std::u16string> names;
    for (const auto& record : configuration::instance().default_session->last_sessions) names.push_back(record->name);
    return names;
  }
};

TEST_F(CloseAll, RemembersEverySessionWithTypeOne) {
  open_two(default_session_last);
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDOK);
  EXPECT_TRUE(frame->close());
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Are you sure close all these sessions?");
  EXPECT_EQ(ui.messages()[0].caption, "Confirm");
  EXPECT_EQ(ui.messages()[0].style, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  EXPECT_EQ(remembered(), (std::vector<std::u16string>{u"first", u"second"}));
  EXPECT_TRUE(app_closing);
  EXPECT_TRUE(configuration::instance().save_pending());
  EXPECT_TRUE(frame->SessionFrames().empty());
}

TEST_F(CloseAll, RemembersTheFirstSessionOtherwise) {
  open_two(default_session_none);
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDOK);
  EXPECT_TRUE(frame->close());
  EXPECT_EQ(remembered(), (std::vector<std::u16string>{u"first"}));
}

TEST_F(CloseAll, CancelKeepsEverything) {
  configuration::instance().default_session->last_sessions.push_back(
      std::make_shared<session_record>(refused_session("earlier")));
  open_two(default_session_last);
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDCANCEL);
  EXPECT_FALSE(frame->close());
  EXPECT_EQ(frame->SessionFrames().size(), 2u);
  EXPECT_EQ(remembered(), (std::vector<std::u16string>{u"earlier"}));
  EXPECT_FALSE(app_closing);
  EXPECT_FALSE(configuration::instance().save_pending());
}

TEST_F(CloseAll, WithNoSessionNothingIsAsked) {
  configuration::instance().default_session->session_type = default_session_last;
  configuration::instance().default_session->last_sessions.push_back(
      std::make_shared<session_record>(refused_session("earlier")));
  test_support::scripted_ui ui;
  EXPECT_TRUE(frame->close());
  EXPECT_TRUE(remembered().empty());
  EXPECT_TRUE(app_closing);
}

}  // namespace

namespace {

// F6 and Shift+F6 move the keyboard focus round the panes: Host View, the active session,
// Button Bar, Output. A hidden pane is skipped, and a terminal does not keep the keys.
TEST_F(FrameTest, F6AndShiftF6MoveTheFocusBetweenPanes) {
  open_session(refused_session("one"));
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  CBaseView* session = frame->active_view();
  ASSERT_NE(session, nullptr);
  session->widget()->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == session->widget(); }, 5000));
  QWidget* const host = frame->m_wndHostView->widget();
  QWidget* const bar = frame->m_wndButtonBar->widget();
  QWidget* const output = frame->m_wndOutput->widget();
  struct step {
    Qt::KeyboardModifiers modifiers;
    QWidget* pane;  // the pane that holds the focus afterwards
    const char* name;
  };
  const step steps[] = {
      {Qt::NoModifier, bar, "bar"},       {Qt::NoModifier, output, "output"},
      {Qt::NoModifier, host, "host"},     {Qt::NoModifier, session->widget(), "session"},
      {Qt::ShiftModifier, host, "host"},  {Qt::ShiftModifier, output, "output"},
  };
  auto focus_in = [](QWidget* pane) {
    QWidget* focused = QApplication::focusWidget();
    return focused && (focused == pane || pane->isAncestorOf(focused));
  };
  for (const step& s : steps) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, s.modifiers);
    EXPECT_TRUE(focus_in(s.pane)) << s.name;
  }
  frame->m_wndButtonBar->hide();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_TRUE(focus_in(session->widget()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  EXPECT_TRUE(focus_in(output));
}

// The lock panes follow the indicators on every key event and focus change; offscreen there is
// no source and they stay empty.
TEST_F(FrameTest, LockPanesFollowTheIndicatorsOnKeysAndFocus) {
  auto* caps = frame->findChild<QLabel*>("id_59137");
  auto* num = frame->findChild<QLabel*>("id_59138");
  auto* scroll = frame->findChild<QLabel*>("id_59139");
  ASSERT_TRUE(caps && num && scroll);
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  QWidget* host = frame->m_wndHostView->widget()->findChild<QTreeWidget*>();
  ASSERT_NE(host, nullptr);
  host->setFocus();
  QTest::keyClick(host, Qt::Key_Down);
  for (QLabel* pane : {caps, num, scroll}) EXPECT_TRUE(pane->text().isEmpty());

  auto script = std::make_shared<indicator_script>();
  frame->m_lockPanes.set_source(std::make_unique<scripted_indicators>(script));
  script->state = platform::lock_state{true, false, true};
  QTest::keyPress(host, Qt::Key_CapsLock);
  EXPECT_EQ(caps->text(), "CAP");
  EXPECT_EQ(num->text(), "");
  EXPECT_EQ(scroll->text(), "SCRL");
  script->state = platform::lock_state{false, true, true};
  QTest::keyRelease(host, Qt::Key_NumLock);
  EXPECT_EQ(caps->text(), "");
  EXPECT_EQ(num->text(), "NUM");
  // A focus change reads them again, as when the window gets the keyboard back from another
  // program that changed them.
  script->state = platform::lock_state{true, false, false};
  const int reads = script->reads;
  frame->m_wndOutput->m_wndTabs->currentWidget()->setFocus();
  EXPECT_GT(script->reads, reads);
  EXPECT_EQ(caps->text(), "CAP");
  EXPECT_EQ(num->text(), "");
  EXPECT_EQ(scroll->text(), "");
}

TEST_F(FrameTest, ButtonBarIsOneRowAboveTheOutputPane) {
  CButtonBar* bar = frame->m_wndButtonBar;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(frame->dockWidgetArea(bar), Qt::BottomDockWidgetArea);
  QCoreApplication::processEvents();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_LE(bar->geometry().bottom(), frame->m_wndOutput->geometry().top());
  EXPECT_EQ(bar->width(), frame->m_wndOutput->width());
  EXPECT_LT(bar->height(), 60);
}

}  // namespace
