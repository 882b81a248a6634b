// Start-up and shutdown with the test's own APPDATA: the built-in defaults without a file, the
// last sessions opened again (SSH2 ones against the loopback sshd, tests/peers/start), and the
// pending save written at exit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CHostView.h"
#include "app/CMainFrame.h"
#include "app/CTessaryApp.h"
#include "app/open_session.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "config/password_scramble.h"
#include "config/terminal_appearance_param.h"
#include "config/text_convert.h"
#include "platform/clock.h"
#include "platform/folders.h"
#include "tests/app/app_fixture.h"
#include "tests/support/peer_env.h"
#include "tests/support/scripted_ui.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CBaseView.h"

namespace {

std::string settings_file() { return platform::configuration_folder() + "/Tessary.conf"; }

std::string read_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

session_record refused_session(const char16_t* name) {
  session_record record;
  record.connection.protocol = protocol_telnet;
  record.connection.telnet.hostname = "127.0.0.1";
  record.connection.telnet.port = 1;
  record.name = name;
  return record;
}

// A settings file as an earlier run left it: start-up type 1 and two remembered sessions.
void write_last_sessions_file() {
  configuration earlier(settings_file(), platform::real_clock());
  earlier.default_session->session_type = default_session_last;
  earlier.default_session->last_sessions = {std::make_shared<session_record>(refused_session(u"first")),
                                            std::make_shared<session_record>(refused_session(u"second"))};
  ASSERT_TRUE(earlier.save());
}

std::vector<std::u16string> open_names() {
  std::vector<std::u16string> names;
  for (CChildFrame* child : the_app.m_pMainWnd->SessionFrames()) names.push_back(child->GetDocument()->m_session.name);
  return names;
}

// Closes the frame as the user does and lets the window go.
void close_frame() {
  QPointer<CMainFrame> frame = the_app.m_pMainWnd.data();
  ASSERT_TRUE(frame->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame.isNull());
}

// Every case starts the application afresh: the process-wide settings store and the closing
// flag keep what an earlier case's start-up and close left in them.
class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    app_closing = false;
    configuration::instance().default_session->last_sessions.clear();
  }
};

TEST_F(StartUp, BuiltInDefaultsWithoutAFile) {
  ASSERT_FALSE(std::filesystem::exists(settings_file()));
  ASSERT_TRUE(the_app.InitInstance());
  ASSERT_TRUE(the_app.m_pMainWnd);
  EXPECT_TRUE(the_app.m_pMainWnd->isVisible());
  EXPECT_TRUE(open_names().empty());
  EXPECT_EQ(configuration::instance().terminal_appearance->margin, 3u);
  EXPECT_EQ(configuration::instance().default_session->session_type, default_session_none);
  EXPECT_GT(screen_dpi_y, 0);
  EXPECT_FALSE(std::filesystem::exists(settings_file()));

  test_support::scripted_ui ui;  // no session open: nothing is asked
  close_frame();
  EXPECT_TRUE(configuration::instance().save_pending());
  the_app.ExitInstance(0);
  EXPECT_TRUE(std::filesystem::exists(settings_file()));
  EXPECT_FALSE(configuration::instance().save_pending());
  EXPECT_EQ(std::filesystem::status(platform::configuration_folder() + "/layout.ini").permissions(),
            std::filesystem::perms(0600));
}

// Like every file of the configuration folder, layout.ini is private, also one that an earlier
// version wrote readable by others.
TEST_F(StartUp, TheLayoutFileIsPrivate) {
  const std::string layout = platform::configuration_folder() + "/layout.ini";
  std::ofstream(layout) << "[General]\nApplicationLook=210\n";
  ASSERT_EQ(::chmod(layout.c_str(), 0644), 0);
  ASSERT_TRUE(the_app.InitInstance());
  EXPECT_EQ(std::filesystem::status(layout).permissions(), std::filesystem::perms(0600));
  test_support::scripted_ui ui;
  close_frame();
  the_app.ExitInstance(0);
  EXPECT_EQ(std::filesystem::status(layout).permissions(), std::filesystem::perms(0600));
  EXPECT_NE(read_text(layout).find("MainFrame"), std::string::npos);
}

TEST_F(StartUp, LastSessionsOpenAgainAndArePendingUntilExit) {
  write_last_sessions_file();
  ASSERT_TRUE(the_app.InitInstance());
  EXPECT_EQ(open_names(), (std::vector<std::u16string>{u"first", u"second"}));

  // Close one, then close the program: the one still open is what is remembered.
  delete the_app.m_pMainWnd->SessionFrames().front();
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDOK);
  close_frame();
  std::string before_exit = read_text(settings_file());
  EXPECT_NE(before_exit.find("first"), std::string::npos);  // the deferred save has not run yet

  the_app.ExitInstance(0);
  configuration after(settings_file(), platform::real_clock());
  ASSERT_TRUE(after.load());
  ASSERT_EQ(after.default_session->last_sessions.size(), 1u);
  EXPECT_EQ(after.default_session->last_sessions[0]->name, u"second");
  EXPECT_EQ(after.default_session->session_type, default_session_last);
}

// Waits until every open session is connected.
bool all_connected() {
  return QTest::qWaitFor(
      [] {
        for (CChildFrame* child : the_app.m_pMainWnd->SessionFrames())
          if (child->GetActiveView()->ConnectionState() != state_connected) return false;
        return true;
      },
      30000);
}

// A password that "Save password" stored at the login prompt goes with its open session into
// the last sessions, scrambled as in the saved host, so the next start logs in without asking;
// a password typed without "Save password" is written nowhere and is asked for again.
TEST_F(StartUp, LastSessionsKeepAPasswordSavedAtThePrompt) {
  REQUIRE_PEER(!test_support::env("TESSARY_SSH_PORT").empty(), "the loopback sshd is not running (tests/peers/start)");
  const std::string password = test_support::env("TESSARY_SSH_PASSWORD");
  // No sessions an earlier case left to open.
  std::filesystem::remove(settings_file());
  std::filesystem::remove(settings_file() + ".bak");
  ASSERT_TRUE(the_app.InitInstance());
  ASSERT_TRUE(open_names().empty());
  configuration::instance().default_session->session_type = default_session_last;
  std::vector<session_record> hosts = {loopback_ssh2_record(u"saved"), loopback_ssh2_record(u"typed")};
  test_support::scripted_ui ui;
  for (session_record& host : hosts) {
    host.connection.ssh2.username = test_support::env("TESSARY_SSH_USER");
    the_app.m_pMainWnd->m_wndHostView->AddHost(host);
    ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, &host == &hosts[0]));
    ASSERT_TRUE(open_session(host));
    ASSERT_TRUE(all_connected());
  }
  ui.expect_message(platform::IDOK);
  close_frame();
  the_app.ExitInstance(0);

  const std::string text = read_text(settings_file());
  EXPECT_EQ(text.find(password), std::string::npos);
  const std::string scrambled = wcs_to_string(scramble_password(password));
  size_t copies = 0;
  for (size_t at = text.find(scrambled); at != std::string::npos; at = text.find(scrambled, at + 1)) ++copies;
  EXPECT_EQ(copies, 2u);  // in the saved host and in its last session
  configuration written(settings_file(), platform::real_clock());
  ASSERT_TRUE(written.load());
  ASSERT_EQ(written.default_session->last_sessions.size(), 2u);
  EXPECT_EQ(written.default_session->last_sessions[0]->connection.ssh2.password, password);
  EXPECT_EQ(written.default_session->last_sessions[1]->connection.ssh2.password, "");

  // The next start: only the session whose password was typed asks for it.
  app_closing = false;
  configuration::instance().default_session->last_sessions.clear();
  ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, false));
  ASSERT_TRUE(the_app.InitInstance());
  EXPECT_EQ(open_names(), (std::vector<std::u16string>{u"saved", u"typed"}));
  EXPECT_TRUE(all_connected());
  EXPECT_EQ(ui.left(), 0u);
  ui.expect_message(platform::IDOK);
  close_frame();
  the_app.ExitInstance(0);
}

TEST_F(StartUp, CancelAtCloseKeepsTheSessionsAndTheFile) {
  write_last_sessions_file();
  std::string written = read_text(settings_file());
  ASSERT_TRUE(the_app.InitInstance());
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDCANCEL);
  EXPECT_FALSE(the_app.m_pMainWnd->close());
  EXPECT_EQ(open_names().size(), 2u);
  EXPECT_FALSE(app_closing);
  the_app.ExitInstance(0);  // nothing pending: nothing written
  EXPECT_EQ(read_text(settings_file()), written);
  delete the_app.m_pMainWnd.data();
}

}  // namespace
