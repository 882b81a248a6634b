#pragma once
// A main frame as start-up makes it (the templates registered, the frame the application's
// main window), shown offscreen; and what the tests of SSH2 logins against the loopback sshd
// (tests/peers/start) share.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>

#include "app/CMainFrame.h"
#include "app/CTessaryApp.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "config/session_record.h"
#include "tests/support/dialog_controls.h"
#include "tests/support/peer_env.h"

// An SSH2 session to the loopback sshd, with neither user name nor password.
inline session_record loopback_ssh2_record(const std::u16string& name) {
  session_record record;
  record.connection.protocol = protocol_ssh2;
  record.connection.ssh2.hostname = test_support::env("TESSARY_SSH_HOST");
  record.connection.ssh2.port = static_cast<uint16_t>(std::stoi(test_support::env("TESSARY_SSH_PORT")));
  record.name = name;
  return record;
}

// Acts as the user in a login dialog: the dialog's title must be `title`; types `text` into the
// edit `edit`, ticks "Save username" or "Save password" when `save`, and presses OK.
inline std::function<void(QDialog&)> answer_login(const char* title, int edit, std::string text, bool save) {
  return [title, edit, text, save](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), title);
    type_into(control<QLineEdit>(dialog, edit), QString::fromStdString(text));
    if (save) control<QCheckBox>(dialog, 1009)->setChecked(true);
    control<QPushButton>(dialog, 1)->click();
  };
}

class FrameTest : public ::testing::Test {
 protected:
  // How long a test waits for what must come (a posted event handled, a pane updated, a
  // refused connection reported): only a fault uses it up, a busy machine may take seconds.
  static constexpr int wait_bound_ms = 20000;

  void SetUp() override {
    app_closing = false;
    // A save that an earlier case armed (closing remembers sessions) is written now, so every
    // case starts with none pending.
    configuration::instance().exit_save();
    configuration::instance().default_session->last_sessions.clear();
    the_app.m_nWindowLayout = 0;
    the_app.RegisterTemplates();
    frame = new CMainFrame;
    the_app.m_pMainWnd = frame.data();
    frame->resize(1000, 700);
    frame->show();
  }
  void TearDown() override { delete frame.data(); }

  QPointer<CMainFrame> frame;
};
