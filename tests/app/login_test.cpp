// SSH2 logins against the loopback sshd (tests/peers/start): the missing user name and
// password are asked through the dialogs, a refused password offers the retry, a closed
// session closes its open question, and "Save password" stores the password in the host,
// scrambled in the settings file.
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/CHostView.h"
#include "app/command_ids.h"
#include "app/open_session.h"
#include "config/host_param.h"
#include "config/password_scramble.h"
#include "config/text_convert.h"
#include "tests/app/app_fixture.h"
#include "tests/support/peer_env.h"
#include "tests/support/scripted_ui.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CBaseView.h"

namespace {

using test_support::env;

class Login : public FrameTest {
 protected:
  void SetUp() override {
    REQUIRE_PEER(!env("TESSARY_SSH_PORT").empty(),
                 "the loopback sshd is not running (tests/peers/start)");
    FrameTest::SetUp();
    record = loopback_ssh2_record(u"loopback");
    user = env("TESSARY_SSH_USER");
    password = env("TESSARY_SSH_PASSWORD");
  }

  CBaseView* open() {
    open_session(record);
    auto frames = frame->SessionFrames();
    return frames.empty() ? nullptr : frames.back()->GetActiveView();
  }

  session_record record;
  std::string user;
  std::string password;
};

TEST_F(Login, MissingUserAndPasswordAreAskedAndSavedScrambled) {
  frame->m_wndHostView->AddHost(record);
  test_support::scripted_ui ui;
  ui.expect_modal(answer_login("Enter SSH2 Username", 1001, user + "  ", true));
  ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, true));
  CBaseView* view = open();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return view->ConnectionState() == state_connected; }, 20000));
  EXPECT_EQ(ui.left(), 0u);

  // The answers went into the host manager's tree, which hands it to the settings on its tick.
  frame->m_wndHostView->OnTimer();
  auto saved = configuration::instance().hosts->find(record.uuid);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->connection.ssh2.username, user);  // without the trailing blanks
  EXPECT_EQ(saved->connection.ssh2.password, password);
  ASSERT_TRUE(configuration::instance().save());
  std::ifstream in(configuration::instance().file_path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().find(password), std::string::npos);
  EXPECT_NE(text.str().find(wcs_to_string(scramble_password(password))), std::string::npos);
}

// The open session keeps what "Save password" stored in its host, so a clone of its tab logs in
// without asking again; a password typed without "Save password" stays with its one login.
TEST_F(Login, ClonesOfATabWhosePasswordWasSavedLogInWithoutAsking) {
  record.connection.ssh2.username = user;
  frame->m_wndHostView->AddHost(record);
  session_record other = loopback_ssh2_record(u"typed");
  other.connection.ssh2.username = user;
  frame->m_wndHostView->AddHost(other);
  test_support::scripted_ui ui;
  ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, true));
  CBaseView* saved = open();
  ASSERT_NE(saved, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return saved->ConnectionState() == state_connected; }, 20000));
  EXPECT_EQ(saved->GetDocument()->m_session.connection.ssh2.password, password);

  ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, false));
  std::swap(record, other);
  CBaseView* typed = open();
  ASSERT_NE(typed, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return typed->ConnectionState() == state_connected; }, 20000));
  EXPECT_EQ(ui.left(), 0u);
  EXPECT_EQ(typed->GetDocument()->m_session.connection.ssh2.password, "");

  // Clone Explorer and Clone Terminal of the saved one: no dialog may come.
  for (int command : {int(ID_CLONE_EXPLORER), int(ID_CLONE_TERMINAL)}) {
    const size_t before = frame->SessionFrames().size();
    saved->OnCommand(command);
    auto frames = frame->SessionFrames();
    ASSERT_EQ(frames.size(), before + 1) << command;
    CBaseView* clone = frames.back()->GetActiveView();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clone->ConnectionState() == state_connected; }, 20000)) << command;
  }
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(Login, RefusedPasswordOffersTheRetry) {
  record.connection.ssh2.username = user;
  record.connection.ssh2.password = "not-the-password";
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "SSH2 Login Failed");
    control<QPushButton>(dialog, 1)->click();
  });
  ui.expect_modal(answer_login("Enter SSH2 Password", 1000, password, false));
  CBaseView* view = open();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return view->ConnectionState() == state_connected; }, 30000));
  EXPECT_EQ(ui.left(), 0u);
  // Not saved: the session came from no saved host.
  EXPECT_FALSE(configuration::instance().hosts->find(record.uuid).has_value());
}

TEST_F(Login, ClosingTheSessionClosesItsQuestion) {
  test_support::scripted_ui ui;
  bool closed_by_itself = false;
  ui.expect_modal([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Enter SSH2 Username");
    QTimer::singleShot(0, frame.data(), [this] {
      for (CChildFrame* child : frame->SessionFrames()) delete child;
    });
    closed_by_itself = QTest::qWaitFor([&] { return !dialog.isVisible(); }, wait_bound_ms);
  });
  ASSERT_NE(open(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ui.left() == 0; }, 20000));
  EXPECT_TRUE(closed_by_itself);
  EXPECT_TRUE(frame->SessionFrames().empty());
}

}  // namespace
