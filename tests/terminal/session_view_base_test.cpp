// The session document and view bases, on a terminal view: the close question, the tab icon of
// each connection state, the session commands and when they are enabled, clone and Session
// Options.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "config/common_options_param.h"
#include "config/configuration.h"
#include "config/session_record.h"
#include "tests/support/scripted_ui.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace view_test {
namespace {

class session_view_test : public terminal_view_test {
 protected:
  test_support::scripted_ui ui;
};

TEST_F(session_view_test, opening_a_document_copies_the_record_and_takes_its_name) {
  session_record record = standard_record();
  record.name = u"router";
  CTerminalDoc document;
  EXPECT_TRUE(document.OnOpenDocument(record));
  EXPECT_EQ(document.GetTitle(), u"router");
  EXPECT_EQ(document.m_session.uuid, record.uuid);
  auto shared = std::make_shared<CTerminalDoc>();
  shared->OnOpenDocument(record);
  CTerminalView shown(shared);
  EXPECT_EQ(shown.windowTitle(), QStringLiteral("router"));
  shared->SetTitle(u"renamed");
  EXPECT_EQ(shown.windowTitle(), QStringLiteral("renamed"));
}

TEST_F(session_view_test, closing_asks_once_unless_all_sessions_are_closing) {
  open();
  ui.expect_message(platform::IDNO);
  EXPECT_FALSE(doc->OnCloseDocument());
  ui.expect_message(platform::IDYES);
  EXPECT_TRUE(doc->OnCloseDocument());
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Are you sure to close this session?"));
  EXPECT_EQ(ui.messages()[0].caption, QStringLiteral("Confirm"));
  EXPECT_EQ(ui.messages()[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);
  frame.closing = true;
  EXPECT_TRUE(doc->OnCloseDocument());
  EXPECT_EQ(ui.messages().size(), 2u);
}

TEST_F(session_view_test, switched_off_confirmations_are_not_asked) {
  common_options_param& options = *configuration::instance().common_options;
  open();
  connection->opens_succeed = true;
  connection->start();
  ASSERT_TRUE(wait_until([&] { return connection->state.load() == state_connected; }));
  options.disconnect_confirm = false;
  view->OnCommand(ID_SESSION_DISCONNECT);
  EXPECT_EQ(connection->state.load(), state_disconnected);
  options.reconnect_confirm = false;
  view->OnCommand(ID_SESSION_RECONNECT);
  EXPECT_TRUE(wait_until([&] { return connection->opens.load() == 2; }));
  options.close_confirm = false;
  EXPECT_TRUE(doc->OnCloseDocument());
  EXPECT_TRUE(ui.messages().empty());
  options.close_confirm = options.disconnect_confirm = options.reconnect_confirm = true;
}

TEST_F(session_view_test, the_tab_icon_follows_the_connection_state) {
  open();
  QMdiArea area;
  area.setViewMode(QMdiArea::TabbedView);
  QMdiSubWindow* child = area.addSubWindow(view.get());
  area.show();
  auto icon_color = [&] { return child->windowIcon().pixmap(16, 16).toImage().pixel(8, 8); };
  // A new view shows connecting.
  EXPECT_EQ(icon_color(), test_frame::icon_color(state_connecting));
  for (connection_state state : {state_connected, state_disconnected, state_connecting}) {
    view->OnConnectionState(state);
    QCoreApplication::processEvents();
    EXPECT_EQ(icon_color(), test_frame::icon_color(state));
  }
  view->OnConnectionState(7);
  EXPECT_EQ(icon_color(), test_frame::icon_color(state_connecting));
  // The tab's text follows the document's title too.
  doc->SetTitle(u"renamed");
  EXPECT_EQ(child->windowTitle(), QStringLiteral("renamed"));
  child->setWidget(nullptr);
  view->setParent(nullptr);
}

TEST_F(session_view_test, state_reports_from_the_worker_reach_the_view_by_post) {
  open();
  connection->opens_succeed = true;
  connection->start();
  ASSERT_TRUE(wait_until([&] {
    return view->windowIcon().pixmap(16, 16).toImage().pixel(8, 8) ==
           test_frame::icon_color(state_connected);
  }));
  EXPECT_TRUE(view->UpdateCommand(ID_SESSION_DISCONNECT).enabled);
  ui.expect_message(platform::IDYES);
  view->OnCommand(ID_SESSION_DISCONNECT);
  EXPECT_EQ(ui.messages().back().text, QStringLiteral("Are you sure to disconnect with the server?"));
  EXPECT_EQ(connection->state.load(), state_disconnected);
  ASSERT_TRUE(wait_until([&] {
    return view->windowIcon().pixmap(16, 16).toImage().pixel(8, 8) ==
           test_frame::icon_color(state_disconnected);
  }));
  EXPECT_FALSE(view->UpdateCommand(ID_SESSION_DISCONNECT).enabled);
}

TEST_F(session_view_test, disconnect_refused_keeps_the_connection_and_reconnect_restarts_it) {
  open();
  connection->opens_succeed = true;
  connection->start();
  ASSERT_TRUE(wait_until([&] { return connection->state.load() == state_connected; }));
  ui.expect_message(platform::IDNO);
  view->OnCommand(ID_SESSION_DISCONNECT);
  EXPECT_EQ(connection->state.load(), state_connected);
  ui.expect_message(platform::IDNO);
  view->OnCommand(ID_SESSION_RECONNECT);
  EXPECT_EQ(connection->opens.load(), 1);
  ui.expect_message(platform::IDYES);
  view->OnCommand(ID_SESSION_RECONNECT);
  EXPECT_EQ(ui.messages().back().text, QStringLiteral("Are you sure to reconnect to the server?"));
  EXPECT_TRUE(wait_until([&] { return connection->opens.load() == 2; }));
  EXPECT_TRUE(view->UpdateCommand(ID_SESSION_RECONNECT).enabled);
}

TEST_F(session_view_test, clone_explorer_is_for_ssh2_only_and_clones_keep_the_uuid) {
  for (int32_t kind : {protocol_telnet, protocol_serial}) {
    session_record record = standard_record();
    record.connection.protocol = kind;
    open(record);
    EXPECT_FALSE(view->UpdateCommand(ID_CLONE_EXPLORER).enabled) << kind;
    EXPECT_FALSE(view->OnCommand(ID_CLONE_EXPLORER));
    EXPECT_TRUE(view->UpdateCommand(ID_CLONE_TERMINAL).enabled);
  }
  EXPECT_TRUE(frame.opened.empty());
  open();
  EXPECT_TRUE(view->UpdateCommand(ID_CLONE_EXPLORER).enabled);
  view->OnCommand(ID_CLONE_EXPLORER);
  view->OnCommand(ID_CLONE_TERMINAL);
  ASSERT_EQ(frame.opened.size(), 2u);
  EXPECT_EQ(frame.opened[0].view, session_view_explorer);
  EXPECT_EQ(frame.opened[1].view, session_view_terminal);
  for (const session_record& clone : frame.opened) {
    EXPECT_EQ(clone.uuid, doc->m_session.uuid);
    EXPECT_EQ(clone.name, doc->m_session.name);
  }
}

TEST_F(session_view_test, session_options_apply_at_once_and_update_the_stored_host) {
  open();
  int old_height = view->m_nCharHeight;
  // Cancel changes nothing.
  view->OnCommand(ID_SESSION_OPTIONS);
  EXPECT_EQ(frame.lock_masks, std::vector<int>{0});
  EXPECT_TRUE(frame.updated_hosts.empty());
  frame.edit = [](session_record& record) { record.appearance.font_size = 20; };
  set_state(state_connected);
  view->OnCommand(ID_SESSION_OPTIONS);
  // Connected: the Connection page is locked.
  EXPECT_EQ(frame.lock_masks.back(), 1);
  EXPECT_EQ(doc->m_session.appearance.font_size, 20);
  EXPECT_GT(view->m_nCharHeight, old_height);
  ASSERT_EQ(frame.updated_hosts.size(), 1u);
  EXPECT_EQ(frame.updated_hosts[0].uuid, doc->m_session.uuid);
  EXPECT_EQ(frame.updated_hosts[0].appearance.font_size, 20);
  set_state(state_disconnected);
}

TEST_F(session_view_test, an_opened_session_takes_the_focus) {
  open();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  view->clearFocus();
  view->OnSessionOpened();
  EXPECT_TRUE(view->hasFocus());
}

}  // namespace
}  // namespace view_test
